// message_loop_win.cpp: yields and the clock sleep on the UI thread's message queue.
#include "linkmodule/message_loop_win.h"

#include <windows.h>

#include "common/dde_client_win.h"

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

// One yield handles the messages already waiting and returns, even while handlers keep posting new ones, a timer's
// handler outlasts its period or a window never validates its paint: see win::PumpWaitingMessages. Input, paint and
// timer messages come out only after all posted ones, so the pass's second part takes those that are waiting.
void YieldEvents() {
    win::PumpRules rules;
    rules.postedFilter = 0;
    rules.laterFilter = PM_QS_INPUT | PM_QS_PAINT;
    rules.laterTimers = true;
    rules.dispatch = Dispatch;
    rules.quit = [](const MSG& msg) {
        Keep(msg);
        return false;
    };
    win::PumpWaitingMessages(rules);
    // WM_QUIT comes out only when no posted message is waiting before it; take it now so that it neither waits
    // for the next yield nor wakes the clock sleep again and again.
    MSG msg;
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
