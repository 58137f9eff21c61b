// host_commands_win.cpp: what the HostWindow does when a button or menu item is chosen: OnCommand, which refuses a
// command while another runs and otherwise dispatches one line per case; one handler per button and menu item,
// each of which runs one host:: command (or, for the macro panel and the recovery menu, its own few steps) through
// Run(); and Run() itself, the barrier every command goes through.
//
// Closing the window must end the program at once, also in the middle of a command that is speaking or counting
// down (the close arrives inside one of its yields). The window then hides itself (OnClose), and the command is
// ended at its next step: every HostIo call (host_io_win.cpp) checks Closing() and throws CommandAbandoned, which
// unwinds host::Host (it holds no state across those calls, see host.cpp) and is caught in Run(). Only then are the
// link closed and the windows destroyed (Shutdown), so that the link is never torn down under a request that is
// still running. A WM_QUIT that a yield meets and keeps (linkmodule::QuitKept) ends the command the same way.
//
// Owns: running_, commandId_, commandsDone_, commandsRefused_, and CommandAbandoned (thrown by StopIfClosing, caught
// by Run). Touches: host_, the macro title boxes inside frame_, the maintenance and Season windows, linkOpen_ and
// the link (Reconnect), the link module's command bracket. Calls: the display (EnterBusy, LeaveBusy, FocusDummy,
// ShowProblems, ShowMacroTitles, ShowMacroPanel), AddLinkReport, and Shutdown once a closed window's command ends.
#include "host/host_window_win.h"

#include <cstdint>
#include <exception>
#include <string>

#include "common/controls_win.h"
#include "common/support_log.h"
#include "host/host_window_layout.h"
#include "linkmodule/link_module_win.h"

namespace host {
namespace {

struct CommandAbandoned {};

}  // namespace

// A command that arrives while another runs is refused: the disabled window takes no clicks, and this also turns
// away commands posted to it, and those reaching it inside a message box's loop.
void HostWindow::OnCommand(int id, int code) {
    const auto binding = CommandFor(id);
    if (!binding || code != BN_CLICKED)  // menus send 0 as well; other notifications are not choices
        return;
    if (busy_ || running_ > 0 || Closing()) {
        ++commandsRefused_;
        return;
    }
    commandId_ = id;
    switch (binding->command) {
        case HostCommand::ReadList:
            OnReadList();
            break;
        case HostCommand::RegCountdown:
            OnRegCountdown();
            break;
        case HostCommand::PickPlayer:
            OnPickPlayer();
            break;
        case HostCommand::PickCategory:
            OnPickCategory();
            break;
        case HostCommand::GiveCategory:
            OnGiveCategory();
            break;
        case HostCommand::DeclareWinner:
            OnDeclareWinner();
            break;
        case HostCommand::DeclareLoser:
            OnDeclareLoser();
            break;
        case HostCommand::SaveTitles:
            OnSaveTitles();
            break;
        case HostCommand::Oops:
            OnOops();
            break;
        case HostCommand::HowToPlay:
            OnHowToPlay();
            break;
        case HostCommand::PlayMacro:
            OnPlayMacro(binding->macro);
            break;
        case HostCommand::SetupMacros:
            OnSetupMacros();
            break;
        case HostCommand::AskForPlayers:
            OnAskForPlayers();
            break;
        case HostCommand::GetPlayers:
            OnGetPlayers();
            break;
        case HostCommand::PlayerMaintenance:
            OnPlayerMaintenance();
            break;
        case HostCommand::Reconnect:
            OnReconnect();
            break;
        case HostCommand::RestorePlayers:
            OnRestorePlayers();
            break;
        case HostCommand::Season:
            OnSeason();
            break;
        case HostCommand::AnnounceTopFive:  // a button of the Season window, see OnAnnounceTopFive
            break;
    }
}

void HostWindow::OnReadList() {
    Run(UsesBusyState(HostCommand::ReadList), [&] { return host_.ReadList(); });
}

void HostWindow::OnRegCountdown() {
    Run(UsesBusyState(HostCommand::RegCountdown), [&] { return host_.RegCountdown(); });
}

void HostWindow::OnPickPlayer() {
    Run(UsesBusyState(HostCommand::PickPlayer), [&] { return host_.PickPlayer(); });
}

void HostWindow::OnPickCategory() {
    Run(UsesBusyState(HostCommand::PickCategory), [&] { return host_.PickCategory(); });
}

void HostWindow::OnGiveCategory() {
    Run(UsesBusyState(HostCommand::GiveCategory), [&] { return host_.GiveCategory(); });
}

// The Season window, when open, shows the round just recorded.
void HostWindow::OnDeclareWinner() {
    Run(UsesBusyState(HostCommand::DeclareWinner), [&] { return host_.DeclareWinner(); });
    if (!Closing())
        season_->Refresh();
}

void HostWindow::OnDeclareLoser() {
    Run(UsesBusyState(HostCommand::DeclareLoser), [&] { return host_.DeclareLoser(); });
    if (!Closing())
        season_->Refresh();
}

void HostWindow::OnHowToPlay() {
    Run(UsesBusyState(HostCommand::HowToPlay), [&] { return host_.HowToPlay(); });
}

void HostWindow::OnPlayMacro(int k) {
    Run(UsesBusyState(HostCommand::PlayMacro), [&] { return host_.PlayMacro(k); });
}

void HostWindow::OnAskForPlayers() {
    Run(UsesBusyState(HostCommand::AskForPlayers), [&] { return host_.AskForPlayers(); });
}

void HostWindow::OnGetPlayers() {
    Run(UsesBusyState(HostCommand::GetPlayers), [&] { return host_.GetPlayers(); });
}

// The settings read at start-up are used again; SCONTROL.TXT is not read.
void HostWindow::OnReconnect() {
    Run(UsesBusyState(HostCommand::Reconnect), [&] {
        linkOpen_ = false;
        linkmodule::CloseLink();
        StopIfClosing();
        linkOpen_ = true;
        linkmodule::OpenLink();
        return Outcome{};
    });
}

// "Setup": the boxes are filled with the titles the menu shows, so unsaved edits of an earlier "Setup" are dropped.
// They come from the titles themselves, not read back from the captions, which double every "&" and would come
// back cut from a fixed buffer.
void HostWindow::OnSetupMacros() {
    Run(UsesBusyState(HostCommand::SetupMacros), [&] {
        const MacroTitles& titles = host_.Titles();
        for (int i = 0; i < kMacroCount; ++i)
            SetDlgItemTextA(frame_, IDC_HOST_MACROTITLE0 + i, titles[static_cast<size_t>(i)].c_str());
        ShowMacroPanel(true);
        Outcome outcome;
        outcome.focusDummy = false;
        return outcome;
    });
}

// "Save": the titles as typed go to MACTITS.TXT and to the menu; a file that cannot be written is reported, and
// the menu shows the new titles all the same. The focus leaves the panel that is hidden.
void HostWindow::OnSaveTitles() {
    Run(UsesBusyState(HostCommand::SaveTitles), [&] {
        MacroTitles typed;
        for (int i = 0; i < kMacroCount; ++i)
            typed[static_cast<size_t>(i)] = win::ControlText(frame_, IDC_HOST_MACROTITLE0 + i);
        Outcome outcome = host_.SaveMacroTitles(typed);
        ShowMacroTitles();
        ShowMacroPanel(false);
        outcome.focusDummy = true;
        return outcome;
    });
}

void HostWindow::OnOops() {
    Run(UsesBusyState(HostCommand::Oops), [&] {
        ShowMacroPanel(false);
        return Outcome{};
    });
}

void HostWindow::OnPlayerMaintenance() {
    Run(UsesBusyState(HostCommand::PlayerMaintenance), [&] {
        maintenance_->ShowOrRaise();
        Outcome outcome;
        outcome.focusDummy = false;
        return outcome;
    });
}

// The question has an empty caption and no icon; the answer No reads nothing.
void HostWindow::OnRestorePlayers() {
    Run(UsesBusyState(HostCommand::RestorePlayers), [&] {
        if (MessageBoxA(hwnd_, kRestoreQuestion, "", MB_YESNO) == IDYES && !Closing())
            return host_.RestorePlayers();
        return Outcome{};
    });
}

void HostWindow::OnSeason() {
    Run(UsesBusyState(HostCommand::Season), [&] {
        season_->ShowOrRaise();
        Outcome outcome;
        outcome.focusDummy = false;
        return outcome;
    });
}

// The Season window's button, refused as a click on this window would be while another command runs. The keyboard
// stays in the Season window.
bool HostWindow::OnAnnounceTopFive() {
    if (busy_ || running_ > 0 || Closing()) {
        ++commandsRefused_;
        return false;
    }
    commandId_ = IDC_SEASON_ANNOUNCE;
    Run(UsesBusyState(HostCommand::AnnounceTopFive), [&] {
        Outcome outcome = host_.AnnounceTopFive();
        outcome.focusDummy = false;
        return outcome;
    });
    return true;
}

// The support log gets one line per command: its caption, what it did in counts, and how long it took.
template <typename Command>
void HostWindow::Run(bool busy, Command&& command) {
    const std::uint64_t start = GetTickCount64();
    ++running_;
    if (running_ == 1)
        linkmodule::BeginCommand();
    // The operator may have typed a category since the last command.
    host_.SetSelectedCategory(win::ControlText(hwnd_, IDC_HOST_SELECTEDCATEGORY));
    if (busy)
        EnterBusy();
    Outcome outcome;
    try {
        outcome = command();
    } catch (const CommandAbandoned&) {
    } catch (const std::exception& e) {
        outcome.problems.push_back(std::string("The command stopped early: ") + e.what());
    } catch (...) {
        outcome.problems.push_back("The command stopped early.");
    }
    if (running_ == 1)
        AddLinkReport(outcome.problems);
    common::LogEvent("cmd", CommandLogLine(CommandCaption(commandId_), outcome, GetTickCount64() - start, Closing()));
    if (!Closing()) {
        if (busy)
            LeaveBusy();
        ShowProblems(outcome.problems);  // still counted as running: its message loop must not start another
        if (outcome.focusDummy && !Closing())
            FocusDummy();
        ++commandsDone_;
    }
    --running_;
    if (Closing() && running_ == 0)
        Shutdown();
}

bool HostWindow::Closing() const {
    return shutDown_ || closeRequested_ || linkmodule::QuitKept();
}

void HostWindow::StopIfClosing() const {
    if (Closing())
        throw CommandAbandoned{};
}

}  // namespace host
