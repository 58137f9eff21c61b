// checks_win.h: the steps of the self-check on this PC that run programs, each bounded in time: that no world client
// or program of ours is already running, the stand-in world started and stopped, the scripted game on the shipped
// Gorvath.exe, and Vantrel.exe's auto configuration. Each works only in the scratch folder it is given; the
// operator's own saved game and settings are never opened. The results carry no name: the caller names each step.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "selfcheck/report.h"
#include "selfcheck/system_win.h"

namespace selfcheck {

// Nothing that would meet the self-check's programs is running: no window "Pelmor 3.0" (a world client, which
// also keeps the stand-in from starting), no game host or configurator window.
StepResult CheckNothingRunning();

// The stand-in world in the scratch folder, with the sample room; `dde` empty for the default kind.
class World {
  public:
    World(const Layout& layout, const std::string& dde, const std::string& transcript);
    ~World();
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // Starts it and waits for its window (at most 20 s); a refusal to start is a failure with the world's message.
    StepResult Start();
    // Closes it (at most 10 s, then it is ended).
    StepResult Stop();
    bool Running() const;

  private:
    Layout layout_;
    std::string dde_;
    std::string transcript_;
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
};

// The scripted game on Gorvath.exe in the scratch folder, by the library method or not (the console method), with
// fresh sample files; the world's transcript must show the game's call and a confirmation.
StepResult PlayGame(const Layout& layout, bool libraryMethod, const std::string& transcript);
// Vantrel.exe's "Auto Configuration" in the scratch folder, judged by its status line and the SCONTROL.TXT it wrote.
StepResult RunAutoConfiguration(const Layout& layout);

}  // namespace selfcheck
