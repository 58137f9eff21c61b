// host_window_layout.h: the HostWindow as plain data: caption, size, colours, control table, menu bar, and the
// command that each button and menu item runs. Portable, so that the native tests can check it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/layout.h"
#include "host/host_ids.h"

namespace host {

inline constexpr char kHostCaption[] = "Tumbleroo";
inline constexpr char kHostClassName[] = "GorvathHostWindow";
inline constexpr int kHostClientWidthTwips = 4410;
inline constexpr int kHostClientHeightTwips = 2160;
inline constexpr int kHostFontHundredthsOfPoint = 825;  // MS Sans Serif 8.25 pt, bold, on every control

// Background colours as BGR values (COLORREF).
inline constexpr unsigned long kIdleColour = 0x00FFFF00;  // cyan, RGB (0, 255, 255)
inline constexpr unsigned long kBusyColour = 0x000000FF;  // red, RGB (255, 0, 0)

// Table order is creation order, which is the tab order and, for overlapping siblings, the stacking order: `Dummy`
// comes first so that it holds the focus, then MacroFrame, so that the panel covers the round controls beneath it.
// PlayersList, WinnersList, WaitList, ReadListScratch and CategoryList are plain lists in host::Host, not controls.
inline constexpr common::ControlSpec kHostWindowControls[] = {
    // id, kind, caption, left, top, width, height (twips), flags, frame
    {IDC_HOST_DUMMY, common::ControlKind::Button, "Dummy", 4800, 360, 1575, 375},
    {IDC_HOST_MACROFRAME, common::ControlKind::Frame, "", 120, 0, 4215, 2175, common::kHidden},
    {IDC_HOST_MACROTITLE0 + 0, common::ControlKind::TextBox, "Macro1", 120, 240, 1935, 285, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_MACROTITLE0 + 1, common::ControlKind::TextBox, "Macro2", 2160, 240, 1935, 285, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_MACROTITLE0 + 2, common::ControlKind::TextBox, "Macro3", 120, 600, 1935, 285, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_MACROTITLE0 + 3, common::ControlKind::TextBox, "Macro4", 2160, 600, 1935, 285, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_MACROTITLE0 + 4, common::ControlKind::TextBox, "Macro5", 120, 960, 1935, 285, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_MACROTITLE0 + 5, common::ControlKind::TextBox, "Macro6", 2160, 960, 1935, 285, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_MACROTITLE0 + 6, common::ControlKind::TextBox, "Macro7", 120, 1320, 1935, 285, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_MACROTITLE0 + 7, common::ControlKind::TextBox, "Macro8", 2160, 1320, 1935, 285, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_MACROTITLE0 + 8, common::ControlKind::TextBox, "Macro9", 120, 1680, 1935, 285, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_COMMAND14, common::ControlKind::Button, "Save", 2160, 1680, 855, 375, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_COMMAND19, common::ControlKind::Button, "Oops", 3240, 1680, 855, 375, 0, IDC_HOST_MACROFRAME},
    {IDC_HOST_COMMAND1, common::ControlKind::Button, "Read List", 120, 120, 2055, 375},
    {IDC_HOST_COMMAND4, common::ControlKind::Button, "Reg Countdown", 2280, 120, 2055, 375},
    {IDC_HOST_COMMAND12, common::ControlKind::Button, "Pick a Player", 120, 600, 1575, 375},
    {IDC_HOST_PLAYERNAME, common::ControlKind::CenteredLabel, "", 1800, 600, 2535, 375},
    {IDC_HOST_COMMAND5, common::ControlKind::Button, "Pick Category", 120, 1080, 1575, 375},
    {IDC_HOST_SELECTEDCATEGORY, common::ControlKind::TextBox, "", 1800, 1080, 2535, 375},
    {IDC_HOST_COMMAND7, common::ControlKind::Button, "GIVE CATEGORY", 120, 1560, 4215, 375, common::kHidden},
    {IDC_HOST_COMMAND6, common::ControlKind::Button, "Declare WINNER", 120, 1560, 2055, 375, common::kHidden},
    {IDC_HOST_COMMAND8, common::ControlKind::Button, "Declare LOSER", 2280, 1560, 2055, 375, common::kHidden},
};

// The menu bar, in order. A level-0 entry with id 0 only opens the level-1 items that follow it; a level-0
// entry with an id is a command on the menu bar itself.
struct MenuSpec {
    int id;
    const char* caption;
    int level;
};
inline constexpr MenuSpec kHostMenu[] = {
    {0, "MACROS", 0},  // MACS
    {IDM_MACS_WELCOMEMESSAGE, "How To Play", 1},
    {IDM_MACS_MACROS1 + 0, "Macro 1", 1},
    {IDM_MACS_MACROS1 + 1, "Macro 2", 1},
    {IDM_MACS_MACROS1 + 2, "Macro 3", 1},
    {IDM_MACS_MACROS1 + 3, "Macro 4", 1},
    {IDM_MACS_MACROS1 + 4, "Macro 5", 1},
    {IDM_MACS_MACROS1 + 5, "Macro 6", 1},
    {IDM_MACS_MACROS1 + 6, "Macro 7", 1},
    {IDM_MACS_MACROS1 + 7, "Macro 8", 1},
    {IDM_MACS_MACROS1 + 8, "Macro 9", 1},
    {IDM_MACS_SETUPMACS, "Setup", 1},
    {IDM_ASKFORIT, "Ask_For_$", 0},
    {IDM_GETIT, "Get_Players", 0},
    {0, "Recovery", 0},  // RECOVER
    {IDM_RECOVER_PLAYERWINDOW, "Player Maintenance", 1},
    {IDM_RECOVER_RECON, "Reconnect to ZM", 1},
    {IDM_RECOVER_RESTOREPLAYERS, "Restore Players", 1},
    {IDM_SEASON, "Season", 0},  // opens the Season window
};

// What a button or menu item of the HostWindow runs; one handler each.
enum class HostCommand {
    ReadList,           // Command1
    RegCountdown,       // Command4
    PickPlayer,         // Command12
    PickCategory,       // Command5
    GiveCategory,       // Command7
    DeclareWinner,      // Command6
    DeclareLoser,       // Command8
    SaveTitles,         // Command14 "Save"
    Oops,               // Command19
    HowToPlay,          // WelcomeMessage
    PlayMacro,          // MACROS(1..9)
    SetupMacros,        // SETUPMACS
    AskForPlayers,      // ASKFORIT
    GetPlayers,         // GETIT
    PlayerMaintenance,  // PLAYERWINDOW
    Reconnect,          // RECON
    RestorePlayers,     // RESTOREPLAYERS
    Season,             // "Season": the Season window
    AnnounceTopFive,    // "Announce Top 5" of the Season window
};

struct CommandBinding {
    int id;
    HostCommand command;
    int macro = 0;  // PlayMacro: 1..9
};

// The command of a control or menu ID; nullopt for IDs that run nothing (`Dummy`, the text boxes, the label).
std::optional<CommandBinding> CommandFor(int id);

// Whether the command runs inside the busy state (hourglass, window disabled and red).
bool UsesBusyState(HostCommand command);

// The caption a button or menu item has in the tables ("Read List", "Get_Players", "Macro 3"), for the support log;
// "command <id>" for any other id.
std::string CommandCaption(int id);

// A macro title shown as a menu caption: an ampersand would otherwise underline the next letter, so it is doubled.
std::string MenuCaptionOfTitle(std::string_view title);

}  // namespace host
