// main_win.cpp: Gorvath.exe, the game host: the link module under the title "Tumbleroo", the HostWindow, and the
// message loop until the window is closed.
#include <windows.h>

#include "host/host_window_win.h"
#include "linkmodule/link_module_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
    try {
        linkmodule::StartLinkModule({"Tumbleroo"});
        host::HostWindow window;
        if (!window.Create(show)) {
            MessageBoxA(nullptr, "The game host window could not be created.", "Tumbleroo", MB_OK | MB_ICONERROR);
            return 1;
        }
        const int code = linkmodule::RunMessageLoop();
        // A WM_QUIT from elsewhere ends the loop with the window still there.
        window.Shutdown();
        return code;
    } catch (...) {
        return 1;
    }
}
