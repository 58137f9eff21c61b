// test_hook.h: a private window message of the HostWindow, for the Wine tests, the game driver and the shipped
// self-check (selfcheck/, which asks only the read-only queries). It answers what another process cannot read from
// the controls: the background colour, the busy flag, and how many commands have finished or were refused (so that
// a driver knows when the command it posted is over), and presses the one key another process cannot type. Nothing
// in the game uses it.
//
// Any program on the desktop can send it, so the shipped program answers only the read-only queries (1 to 4). The
// values that change what the program does (5 to 8: a failed command, a key, a crash) exist only in test builds
// (the CMake option TEST_HOOKS, which scripts/package.sh leaves off); a shipped program answers them with 0.
//
//   const UINT hook = RegisterWindowMessageA(host::kTestHookMessage);
//   SendMessageTimeoutW(hostWindow, hook, host::kHookBusy, 0, SMTO_NORMAL, 2000, &result);
#pragma once

namespace host {

inline constexpr char kTestHookMessage[] = "Gorvath.HostWindow.TestHook";

// wParam of the hook message; the result is the value asked for.
inline constexpr unsigned kHookBackground = 1;                  // the background colour now, BGR
inline constexpr unsigned kHookBusy = 2;                        // 1 while a command holds the busy state, else 0
inline constexpr unsigned kHookCommandsDone = 3;                // commands of the HostWindow run to their end so far
inline constexpr unsigned kHookCommandsRefused = 4;             // commands refused because another one was running
inline constexpr unsigned kHookFailNextMaintenanceCommand = 5;  // the maintenance window's next command throws; 1
// Shift+Tab, which another process cannot type (it cannot post the state of Shift): pressed on the control that has
// the keyboard, handled as the message loop handles keys of the active window; the result is the id of the
// control that has the keyboard afterwards, 0 when none has.
inline constexpr unsigned kHookShiftTab = 6;
// The program crashes on purpose, by reading through a null pointer as a fault would, once this message has been
// answered (the fault comes with a message the window posts to itself); 1.
inline constexpr unsigned kHookCrash = 7;
inline constexpr unsigned kHookCrashNow = 8;  // posted by the window itself for kHookCrash

}  // namespace host
