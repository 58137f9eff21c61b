// main_win.cpp: Gorvath.exe, the game host: the link module under the title "Tumbleroo", the HostWindow, and the
// message loop until the window is closed.
#include <windows.h>

#include "common/crash_report_win.h"
#include "common/support_log.h"
#include "host/host_window_win.h"
#include "linkmodule/link_module_win.h"

namespace {

// After a crash the operator is told once, with the start-up problems, where the report is and how to go on.
std::string HostCrashNotice(const win::SupportStart& support) {
    if (!support.lastRunCrashed)
        return {};
    return win::CrashNotice(support) +
           "\r\n\r\nThe game as saved at the start of the last command is in GORVATH.SAV: choose \"Recovery > "
           "Restore Players\" before any other command to go on with it.";
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    try {
        const win::SupportStart support = win::StartSupport("Gorvath", "GORVATH");
        linkmodule::StartLinkModule({"Tumbleroo"});
        host::HostWindow window;
        if (!window.Create(show, HostCrashNotice(support))) {
            common::LogEvent("start", "the game host window could not be created");
            MessageBoxA(nullptr, "The game host window could not be created.", "Tumbleroo", MB_OK | MB_ICONERROR);
            return 1;
        }
        const int code = linkmodule::RunMessageLoop();
        // A WM_QUIT from elsewhere ends the loop with the window still there.
        window.Shutdown();
        common::LogEvent("stop", "exit code " + std::to_string(code));
        return code;
    } catch (...) {
        common::LogEvent("stop", "start-up failed (out of memory)");
        return 1;
    }
}
