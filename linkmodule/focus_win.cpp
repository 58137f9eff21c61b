// focus_win.cpp: focus control's SetForegroundWindow, checked. The system gives the foreground only to a program
// that may take it (the foreground program, the one that got the operator's last input, and those they allow); a
// refusal used to go unnoticed, and the operator's next keys went to the world client. Touches the two windows it
// is given and the support log.
#include "linkmodule/focus_win.h"

#include "common/support_log.h"

namespace linkmodule {
namespace {

#ifdef TUMBLEROO_TEST_HOOKS
ForegroundRefusal gRefusal = ForegroundRefusal::None;
#endif

bool SetForeground(HWND window, [[maybe_unused]] bool ours) {
#ifdef TUMBLEROO_TEST_HOOKS
    if (gRefusal == (ours ? ForegroundRefusal::Own : ForegroundRefusal::World))
        return false;
#endif
    return SetForegroundWindow(window) != 0;
}

}  // namespace

#ifdef TUMBLEROO_TEST_HOOKS
void RefuseForegroundForTests(ForegroundRefusal refusal) {
    gRefusal = refusal;
}
#endif

void BringToFront(HWND window, HWND own) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    const bool ours = process == GetCurrentProcessId();
    // While this program may set the foreground (the operator's click was its input), it lets the world client
    // set it too, until the operator's next input: a world client that raises a window of its own for the request
    // is not refused. Without that right the call fails, harmlessly.
    if (!ours)
        AllowSetForegroundWindow(process);
    if (SetForeground(window, ours))
        return;
    common::LogEvent("focus", ours ? "the system kept this program's window from coming back to the front after a "
                                     "console request; it flashes until the operator brings it forward"
                                   : "the system kept the world client's window from coming to the front for a "
                                     "console request; the request goes on, and this program's window flashes");
    if (own) {
        FLASHWINFO flash{sizeof flash, own, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }
}

}  // namespace linkmodule
