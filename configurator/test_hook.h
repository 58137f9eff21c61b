// test_hook.h: a private window message of ConfiguratorWindow, for the Wine tests only. Nothing a person does sends
// it: its number exists only once a program registers this name. It tells what another process cannot read from
// the controls: every status text in turn (the status line changes faster than a reader can poll it), and the
// size of the instruction text's font.
//
// Any program on the desktop could send it, and the status log writes wherever the sender says: the message exists
// only in test builds (the CMake option TEST_HOOKS, which scripts/package.sh leaves off). A shipped configurator
// does not register it and answers every value with 0.
//
//   const UINT hook = RegisterWindowMessageA(config::kTestHookMessage);
//   const ATOM file = GlobalAddAtomA("C:\\some\\folder\\status.log");
//   SendMessageTimeoutW(window, hook, config::kHookStatusLog, file, SMTO_NORMAL, 5000, &result);  // result 1
//   GlobalDeleteAtom(file);
#pragma once

namespace config {

inline constexpr char kTestHookMessage[] = "Vantrel.ConfiguratorWindow.TestHook";

// wParam of the hook message; the result is the value asked for.
inline constexpr unsigned kHookStatusLog = 1;   // lParam: a global atom naming a file; from now on every status text
                                                // is appended to it, ended by CR LF. 1 when taken, 0 otherwise
inline constexpr unsigned kHookLabel1Font = 2;  // Label1's font size, hundredths of a point
// The program crashes on purpose, by reading through a null pointer as a fault would, once this message has been
// answered (the fault comes with a message the window posts to itself); 1.
inline constexpr unsigned kHookCrash = 3;
inline constexpr unsigned kHookCrashNow = 4;  // posted by the window itself for kHookCrash

}  // namespace config
