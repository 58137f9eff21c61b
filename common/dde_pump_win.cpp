// dde_pump_win.cpp: the waits of the plain-message DDE client and the message pass they and the programs' yields
// make (see dde_client_win.h): what a pass takes out of the thread's queue and in which order, and how a wait ends by
// its deadline, also inside another wait. Touches only the thread's message queue and the deadline of its waits.
#include "common/dde_client_state_win.h"

#include <algorithm>

namespace win {
namespace {

constexpr DWORD kLongestSleepMs = 50;  // how often a wait looks at the server window and the deadline

// Keyboard and mouse input stays in the queue for the caller's own loop, which knows how its windows take keys (a
// busy, disabled window takes none): a wait of the link library must not act on them. A WM_QUIT is put back for
// the caller's loop.
constexpr UINT kPumpedWithoutInput = PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
constexpr DWORD kWakeWithoutInput = QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT | QS_TIMER;
constexpr size_t kLaterMessagesPerPass = 32;

// The thread's waits and passes (one UI thread; see dde_client_win.h).
ULONGLONG gWaitDeadline = 0;  // of the innermost running wait; 0 while none runs
// Passes are numbered by the performance counter when they begin. Every module of the process that pumps this way
// (a program and the link library it loads both do) posts its markers under the one registered message into the
// one queue, each with counters of its own: numbered by plain counts, a marker of the other module's could stand
// far ahead of this module's next passes, which would then take no posted (and no sent) message at all until their
// count caught up. Times order every module's markers alike: a marker taken is older than any pass begun later.
unsigned long long gPassSerial = 0;        // the last pass begun
unsigned long long gMarkersTakenUpTo = 0;  // the newest pass marker taken out of the queue by any pass

unsigned long long NextPassSerial() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    gPassSerial = std::max<unsigned long long>(gPassSerial + 1, static_cast<unsigned long long>(now.QuadPart));
    return gPassSerial;
}

bool Overdue() {
    return gWaitDeadline != 0 && GetTickCount64() >= gWaitDeadline;
}

}  // namespace

void DefaultPump() {
    PumpRules rules;
    rules.postedFilter = kPumpedWithoutInput;
    rules.laterFilter = PM_QS_PAINT;
    rules.laterTimers = true;
    rules.dispatch = [](const MSG& msg) { DispatchMessageA(&msg); };
    rules.quit = [](const MSG& msg) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return true;
    };
    PumpWaitingMessages(rules);
}


void PumpWaitingMessages(const PumpRules& rules) {
    static const UINT marker = RegisterWindowMessageA("Tumbleroo message pass marker");
    const unsigned long long mine = NextPassSerial();
    // The serial in two 32-bit halves, whatever the size of a message parameter.
    const bool marked = marker && PostThreadMessageA(GetCurrentThreadId(), marker,
                                                     static_cast<WPARAM>(mine & 0xFFFFFFFFu),
                                                     static_cast<LPARAM>(mine >> 32));
    MSG msg;
    // Posted messages come out first-in first-out: the marker ends this part, even while handlers keep posting. A
    // nested pass takes this pass's marker out on its way to its own, which ends this part as well. Without a marker
    // (the queue is full), a count does.
    for (int handled = 0; marked ? gMarkersTakenUpTo < mine : handled < 256; ++handled) {
        if (Overdue() || !PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | rules.postedFilter))
            break;
        if (marker && msg.message == marker && !msg.hwnd) {
            const unsigned long long taken = (static_cast<unsigned long long>(static_cast<DWORD>(msg.lParam)) << 32) |
                                             static_cast<DWORD>(msg.wParam);
            gMarkersTakenUpTo = std::max(gMarkersTakenUpTo, taken);
            continue;
        }
        if (msg.message == WM_QUIT) {
            if (rules.quit(msg))
                return;
            continue;
        }
        rules.dispatch(msg);
    }
    // Paint, timer (and input) messages come out after the posted ones, and paint and timers are made anew while
    // a window stays invalid or a timer is due again: each comes out once per pass, the repeat is left for the next.
    // Timers are asked for by their message number: no PM_QS_ value names them alone (PM_QS_POSTMESSAGE takes every
    // posted message with them), and a window that never validates its paint does not keep them out of the pass.
    struct Seen {
        HWND hwnd;
        UINT message;
        WPARAM wParam;
    } seen[kLaterMessagesPerPass];
    size_t count = 0;
    const auto takeEach = [&](UINT first, UINT last, UINT filter) {
        while (count < kLaterMessagesPerPass && !Overdue() &&
               PeekMessageA(&msg, nullptr, first, last, PM_NOREMOVE | filter)) {
            // A WM_QUIT comes out of every peek whatever the range asked for: it stays for the caller's own loop.
            if (msg.message == WM_QUIT || (last && (msg.message < first || msg.message > last)))
                return;
            const Seen key{msg.hwnd, msg.message, msg.wParam};
            if (std::any_of(seen, seen + count, [&](const Seen& k) {
                    return k.hwnd == key.hwnd && k.message == key.message && k.wParam == key.wParam;
                }))
                return;
            seen[count++] = key;
            if (!PeekMessageA(&msg, key.hwnd, key.message, key.message, PM_REMOVE | filter))
                return;
            rules.dispatch(msg);
        }
    };
    if (rules.laterFilter)
        takeEach(0, 0, rules.laterFilter);
    if (rules.laterTimers)
        takeEach(WM_TIMER, WM_TIMER, 0);
}

DdeOutcome DdeClientConversation::WaitFor(bool (*done)(const State&), DWORD timeoutMs) {
    // A wait inside another one (a request made from a handler the outer wait dispatched) ends with it.
    const ULONGLONG enclosing = gWaitDeadline;
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    if (enclosing && enclosing < deadline)
        deadline = enclosing;
    struct Restore {
        ULONGLONG deadline;
        ~Restore() { gWaitDeadline = deadline; }
    } restore{enclosing};
    gWaitDeadline = deadline;
    for (;;) {
        hooks_.pump();
        if (done(*state_))
            return DdeOutcome::Answered;
        if (hooks_.abandon())
            return DdeOutcome::Cancelled;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return DdeOutcome::NoAnswer;
        const DWORD sleep = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kLongestSleepMs));
        // The default pump leaves input waiting: a wait that woke for it would spin until the deadline.
        MsgWaitForMultipleObjectsEx(0, nullptr, sleep, hooks_.pump == DefaultPump ? kWakeWithoutInput : QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

}  // namespace win
