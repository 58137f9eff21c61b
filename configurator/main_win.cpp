// main_win.cpp: Vantrel, the link configurator: the link module under the application title "Ostrivar", then
// ConfiguratorWindow until it is closed.
#include <windows.h>

#include "configurator/configurator_window_win.h"
#include "linkmodule/link_module_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    // The configurator's CloseLink returns right after KillDDE: each test closes the link, and the next one
    // opens it again at once.
    linkmodule::StartLinkModule({"Ostrivar", linkmodule::LibraryCloseWait::None});
    config::ConfiguratorWindow window;
    if (!window.Create(instance, showCommand))
        return 1;
    return linkmodule::RunMessageLoop();
}
