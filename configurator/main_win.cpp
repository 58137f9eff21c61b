// main_win.cpp: Vantrel, the link configurator: the link module under the application title "Ostrivar", then
// ConfiguratorWindow until it is closed.
#include <windows.h>

#include "common/crash_report_win.h"
#include "common/support_log.h"
#include "configurator/configurator_window_win.h"
#include "linkmodule/link_module_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The window's procedure and its tests stop every exception; this catches what start-up itself may throw
    // (out of memory), so the program ends with an exit code instead of an abort.
    try {
        const win::SupportStart support = win::StartSupport("Vantrel", "VANTREL");
        // The configurator's CloseLink returns right after KillDDE: each test closes the link, and the next one
        // opens it again at once.
        linkmodule::StartLinkModule({"Ostrivar", linkmodule::LibraryCloseWait::None});
        config::ConfiguratorWindow window;
        if (!window.Create(instance, showCommand, support.lastRunCrashed ? win::CrashNotice(support) : "")) {
            common::LogEvent("start", "the configurator window could not be created");
            return 1;
        }
        const int code = linkmodule::RunMessageLoop();
        common::LogEvent("stop", "exit code " + std::to_string(code));
        return code;
    } catch (...) {
        common::LogEvent("stop", "start-up failed (out of memory)");
        return 1;
    }
}
