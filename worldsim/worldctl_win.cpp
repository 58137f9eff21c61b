// worldctl_win.cpp: worldctl.exe, sends control commands to a running stand-in world.
//
//   worldctl.exe [--wait SECONDS] COMMAND...
// Each argument is one command (say "say|Ann|hello"), sent as WM_COPYDATA to the "Pelmor 3.0" window.
// Exit code: 0 all accepted (or none given and the window exists), 1 a command was refused or the
// arguments are wrong, 2 no world window (after waiting, with --wait).
#include "worldsim/options.h"
#include "worldsim/protocol.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

HWND FindWorld() {
    return FindWindowA(std::string(worldsim::kWindowClass).c_str(), std::string(worldsim::kWindowTitle).c_str());
}

HWND WaitForWorld(int waitMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(waitMs);
    for (;;) {
        if (HWND world = FindWorld())
            return world;
        if (GetTickCount64() >= end)
            return nullptr;
        Sleep(50);
    }
}

bool Send(HWND world, const std::string& command) {
    COPYDATASTRUCT data = {};
    data.dwData = worldsim::kCopyDataTag;
    data.cbData = static_cast<DWORD>(command.size());
    data.lpData = const_cast<char*>(command.data());
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(world, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 15000,
                             &result))
        return false;
    return result == 1;
}

}  // namespace

int main(int argc, char** argv) {
    const auto parse = worldsim::ParseCtlOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parse.options) {
        std::fprintf(stderr, "worldctl: %s\nusage: worldctl.exe [--wait SECONDS] COMMAND...\n", parse.error.c_str());
        return 1;
    }
    HWND world = WaitForWorld(parse.options->waitMs.value_or(0));
    if (!world) {
        std::fprintf(stderr, "worldctl: no \"%s\" window\n", std::string(worldsim::kWindowTitle).c_str());
        return 2;
    }
    int status = 0;
    for (const auto& command : parse.options->commands) {
        if (!Send(world, command)) {
            std::fprintf(stderr, "worldctl: refused: %s\n", command.c_str());
            status = 1;
        }
    }
    return status;
}
