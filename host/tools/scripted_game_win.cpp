// scripted_game_win.cpp: the scripted game on a running Gorvath.exe (see scripted_game_win.h). Touches only the
// host window it is given, through gorvath_remote_win.h.
#include "host/tools/scripted_game_win.h"

#include "host/host_ids.h"

namespace hostremote {
namespace {

class Script {
  public:
    Script(const Gorvath& g, const std::function<void(const GameStep&)>& report, DWORD timeoutMs)
        : g_(g), report_(report), timeoutMs_(timeoutMs) {}

    // Runs one command to its end. A message box of the host instead (a problem the command reports) fails the
    // step with its text, answered OK so that the host goes on; so does the end of the program.
    bool Step(const char* name, int id, const std::function<std::string()>& detail = {}) {
        GameStep step;
        step.name = name;
        const ULONGLONG start = GetTickCount64();
        const unsigned long before = g_.CommandsDone();
        g_.Post(id);
        std::optional<MessageBoxSeen> box;
        const bool done = WaitUntil(
            [&] {
                if (g_.Exited())
                    return true;
                box = g_.WaitForMessageBox(0);
                return box.has_value() || g_.CommandsDone() > before;
            },
            timeoutMs_);
        step.seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
        if (g_.Exited()) {
            step.why = "Gorvath.exe ended during the command";
        } else if (box) {
            step.why = "the game host showed a message: \"" + box->text + "\"";
            Gorvath::Answer(*box, IDOK);
        } else if (!done) {
            step.why = "the command did not finish within " + std::to_string(timeoutMs_ / 1000) + " s";
        } else {
            step.ok = true;
            if (detail)
                step.detail = detail();
        }
        report_(step);
        return step.ok;
    }

    bool Round(bool winner) {
        return Step("Pick a Player", IDC_HOST_COMMAND12, [&] { return "drawn: " + g_.Text(IDC_HOST_PLAYERNAME); }) &&
               Step("Pick Category", IDC_HOST_COMMAND5,
                    [&] { return "category: " + g_.Text(IDC_HOST_SELECTEDCATEGORY); }) &&
               Step("GIVE CATEGORY", IDC_HOST_COMMAND7) &&
               (winner ? Step("Declare WINNER", IDC_HOST_COMMAND6) : Step("Declare LOSER", IDC_HOST_COMMAND8));
    }

    bool Restore() {
        const GameStep step = RestorePlayers(g_, timeoutMs_);
        report_(step);
        return step.ok;
    }

  private:
    const Gorvath& g_;
    const std::function<void(const GameStep&)>& report_;
    DWORD timeoutMs_;
};

}  // namespace

// The question is answered Yes; the step ends when the restore has run to its end.
GameStep RestorePlayers(const Gorvath& g, DWORD timeoutMs) {
    GameStep step;
    step.name = "Restore Players";
    const ULONGLONG start = GetTickCount64();
    const unsigned long before = g.CommandsDone();
    g.Post(IDM_RECOVER_RESTOREPLAYERS);
    const auto box = g.WaitForMessageBox(10000);
    if (!box) {
        step.why = "no question came within 10 s";
    } else {
        step.detail = "\"" + box->text + "\" -> Yes";
        Gorvath::Answer(*box, IDYES);
        step.ok = WaitUntil([&] { return g.CommandsDone() > before || g.Exited(); }, timeoutMs) && !g.Exited();
        if (!step.ok)
            step.why = "the restore did not finish after the answer Yes";
    }
    step.seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
    return step;
}

bool PlayScriptedGame(const Gorvath& g, const std::function<void(const GameStep&)>& report, DWORD stepTimeoutMs) {
    Script s(g, report, stepTimeoutMs);
    return s.Step("Ask_For_$", IDM_ASKFORIT) && s.Step("Get_Players", IDM_GETIT) &&
           s.Step("Read List", IDC_HOST_COMMAND1) && s.Step("Reg Countdown", IDC_HOST_COMMAND4) &&
           s.Step("Get_Players (late ones)", IDM_GETIT) && s.Round(true) && s.Round(false) &&
           s.Step("Macro 1", IDM_MACS_MACROS1) && s.Step("How To Play", IDM_MACS_WELCOMEMESSAGE) && s.Restore() &&
           s.Step("Player Maintenance", IDM_RECOVER_PLAYERWINDOW);
}

}  // namespace hostremote
