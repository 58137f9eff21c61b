// host_window_layout.cpp: which command each HostWindow ID runs, and macro titles as menu captions.
#include "host/host_window_layout.h"

#include "host/season_layout.h"

namespace host {
namespace {

constexpr CommandBinding kBindings[] = {
    {IDC_HOST_COMMAND1, HostCommand::ReadList},     {IDC_HOST_COMMAND4, HostCommand::RegCountdown},
    {IDC_HOST_COMMAND12, HostCommand::PickPlayer},  {IDC_HOST_COMMAND5, HostCommand::PickCategory},
    {IDC_HOST_COMMAND7, HostCommand::GiveCategory}, {IDC_HOST_COMMAND6, HostCommand::DeclareWinner},
    {IDC_HOST_COMMAND8, HostCommand::DeclareLoser}, {IDC_HOST_COMMAND14, HostCommand::SaveTitles},
    {IDC_HOST_COMMAND19, HostCommand::Oops},        {IDM_MACS_WELCOMEMESSAGE, HostCommand::HowToPlay},
    {IDM_MACS_SETUPMACS, HostCommand::SetupMacros}, {IDM_ASKFORIT, HostCommand::AskForPlayers},
    {IDM_GETIT, HostCommand::GetPlayers},           {IDM_RECOVER_PLAYERWINDOW, HostCommand::PlayerMaintenance},
    {IDM_RECOVER_RECON, HostCommand::Reconnect},    {IDM_RECOVER_RESTOREPLAYERS, HostCommand::RestorePlayers},
    {IDM_SEASON, HostCommand::Season},              {IDC_SEASON_ANNOUNCE, HostCommand::AnnounceTopFive},
};

}  // namespace

std::optional<CommandBinding> CommandFor(int id) {
    if (id >= IDM_MACS_MACROS1 && id < IDM_MACS_MACROS1 + 9)
        return CommandBinding{id, HostCommand::PlayMacro, id - IDM_MACS_MACROS1 + 1};
    for (const auto& b : kBindings) {
        if (b.id == id)
            return b;
    }
    return std::nullopt;
}

// The commands that speak or change the game. The macro panel, the maintenance window and "Restore Players"
// (a question box of its own) run without it.
bool UsesBusyState(HostCommand command) {
    switch (command) {
        case HostCommand::ReadList:
        case HostCommand::RegCountdown:
        case HostCommand::PickPlayer:
        case HostCommand::PickCategory:
        case HostCommand::GiveCategory:
        case HostCommand::DeclareWinner:
        case HostCommand::DeclareLoser:
        case HostCommand::HowToPlay:
        case HostCommand::PlayMacro:
        case HostCommand::AskForPlayers:
        case HostCommand::GetPlayers:
        case HostCommand::Reconnect:
        case HostCommand::AnnounceTopFive:
            return true;
        case HostCommand::SaveTitles:
        case HostCommand::Oops:
        case HostCommand::SetupMacros:
        case HostCommand::PlayerMaintenance:
        case HostCommand::RestorePlayers:
        case HostCommand::Season:
            break;
    }
    return false;
}

std::string CommandCaption(int id) {
    for (const auto& c : kHostWindowControls) {
        if (c.id == id)
            return c.caption;
    }
    for (const auto& m : kHostMenu) {
        if (m.id == id && id != 0)
            return m.caption;
    }
    for (const auto& c : kSeasonControls) {
        if (c.id == id)
            return c.caption;
    }
    return "command " + std::to_string(id);
}

std::string MenuCaptionOfTitle(std::string_view title) {
    std::string caption;
    for (char c : title) {
        caption += c;
        if (c == '&')
            caption += '&';
    }
    return caption;
}

}  // namespace host
