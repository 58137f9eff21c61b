// message_loop_win.h: the yield of the link module (handle what is waiting, once, and return), the sleep
// between clock comparisons, and the WM_QUIT that a yield meets and keeps for the program's main loop.
#pragma once

namespace linkmodule {

// Yields and the program's loop give keys to the active window as a dialog's keys (Tab moves between controls);
// a disabled window gets none.
void YieldEvents();
void WaitForEventOrNextSecond();

// A WM_QUIT taken from the queue during a yield: the running command goes on, and the program ends when it
// is over (RunMessageLoop does that; a program with its own loop checks QuitKept after each message).
bool QuitKept();
int KeptQuitCode();

// The program's main message loop: returns the exit code of the WM_QUIT, whether GetMessage or a yield met it.
int RunMessageLoop();

}  // namespace linkmodule
