// message_loop_win.cpp: yields and the clock sleep on the UI thread's message queue.
#include "linkmodule/message_loop_win.h"

#include <windows.h>

namespace linkmodule {
namespace {

bool gQuitKept = false;
int gQuitCode = 0;

void Keep(const MSG& msg) {
    gQuitKept = true;
    gQuitCode = static_cast<int>(msg.wParam);
}

// Keys work in every window of the programs as in a dialog: Tab and Shift+Tab move between the controls, arrows
// within a group, Enter and Esc go to the window as IDOK and IDCANCEL, Space presses a focused button. Only the
// active top-level window's keys are routed so; a window that is disabled (a command holds it busy) gets no keys
// at all, as it gets no clicks, even where one of its controls still has the focus. Message boxes run their own
// loops and are not concerned.
bool RoutedAsDialogKey(const MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd)
        return false;
    const HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    if (!top)
        return false;
    if (!IsWindowEnabled(top))
        return true;  // dropped
    if (top != GetActiveWindow())
        return false;
    MSG copy = msg;
    return IsDialogMessageA(top, &copy) != FALSE;
}

void Dispatch(const MSG& msg) {
    if (RoutedAsDialogKey(msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

}  // namespace

// One yield handles the messages already waiting and returns, even while handlers keep posting new ones: a
// marker posted to the thread's own queue at the start ends the pass over posted messages, which come out
// first-in first-out. Input, paint and timer messages come out only after all posted ones, so a second pass
// takes those that are waiting. A marker eaten by a nested yield or modal loop just means this pass ends when
// the queue is empty.
void YieldEvents() {
    static const UINT marker = RegisterWindowMessageA("linkmodule yield marker");
    static UINT_PTR serial = 0;
    const UINT_PTR mine = ++serial;
    MSG msg;
    if (!marker || !PostThreadMessageA(GetCurrentThreadId(), marker, mine, 0)) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                Keep(msg);
            else if (!(marker && msg.message == marker && !msg.hwnd))
                Dispatch(msg);
        }
        return;
    }
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == marker && !msg.hwnd) {
            if (msg.wParam == mine)
                break;
            continue;  // another yield's marker, left behind when that yield ended at an empty queue
        }
        if (msg.message == WM_QUIT) {
            Keep(msg);
            continue;
        }
        Dispatch(msg);
    }
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT | PM_QS_PAINT | (QS_TIMER << 16)))
        Dispatch(msg);
    // WM_QUIT comes out only when no posted message is waiting before it; take it now so that it neither waits
    // for the next yield nor wakes the clock sleep again and again.
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        Keep(msg);
}

// Sleeps until a message arrives (one already waiting counts) or the clock's next second begins.
void WaitForEventOrNextSecond() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const DWORD untilNextSecond = 1000 - (now.wMilliseconds % 1000);
    MsgWaitForMultipleObjectsEx(0, nullptr, untilNextSecond, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

bool QuitKept() {
    return gQuitKept;
}

int KeptQuitCode() {
    return gQuitCode;
}

int RunMessageLoop() {
    MSG msg;
    while (!gQuitKept) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(msg.wParam);
        if (got == -1)
            return -1;
        Dispatch(msg);
    }
    return gQuitCode;
}

}  // namespace linkmodule
