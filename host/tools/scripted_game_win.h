// scripted_game_win.h: the scripted game of scripts/run.sh, played on a running Gorvath.exe from another process:
// ask for players, intake, read the list, registration countdown, intake again, a round won and one lost, a macro,
// How To Play, a restore answered Yes, and the maintenance window. The game driver prints it; the self-check judges
// it. The room must answer as samples/host/room.txt does for the lists to fill, but every step is judged by the
// host alone: the command ran to its end within its time, and no message box of the host came up instead.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "host/tools/gorvath_remote_win.h"

namespace hostremote {

struct GameStep {
    std::string name;  // the command's caption, as the operator reads it
    bool ok = false;
    double seconds = 0;
    std::string detail;  // what it showed: the drawn player, the category, the restore question
    std::string why;     // for a step that failed
};

// Plays the game step by step, calling `report` after each; stops at the first step that fails. Each command may
// take stepTimeoutMs. True when every step passed.
bool PlayScriptedGame(const Gorvath& g,
                      const std::function<void(const GameStep&)>& report,
                      DWORD stepTimeoutMs = 60000);

// "Restore Players" with its question answered Yes; the step as the game reports it.
GameStep RestorePlayers(const Gorvath& g, DWORD timeoutMs);

}  // namespace hostremote
