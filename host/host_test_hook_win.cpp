// host_test_hook_win.cpp: the HostWindow's answer to the private message of host/test_hook.h, which only the Wine
// tests and the game driver send: the background, the busy flag, the commands done and refused; and, in test builds
// only (TUMBLEROO_TEST_HOOKS, the CMake option TEST_HOOKS), a failure of the maintenance window's next command,
// Shift+Tab, and a crash on purpose. A shipped program answers those with 0 and does nothing.
//
// Owns: no state (testHookMessage_ is registered in Create). Reads: background_, busy_, commandsDone_,
// commandsRefused_. Calls: the maintenance window's FailNextCommand, the crash report's CrashOnPurpose, and the
// dialog keys of the focused control's window.
#include "host/host_window_win.h"

#include "common/crash_report_win.h"
#include "host/test_hook.h"

namespace host {
#ifdef TUMBLEROO_TEST_HOOKS
namespace {

// Test hook: Shift held while Tab goes through the dialog keys of the focused control's window, then Shift as it was.
LRESULT PressShiftTab() {
    const HWND focus = GetFocus();
    const HWND top = focus ? GetAncestor(focus, GA_ROOT) : nullptr;
    BYTE keys[256] = {};
    if (!top || !GetKeyboardState(keys))
        return 0;
    const BYTE shift = keys[VK_SHIFT];
    keys[VK_SHIFT] = static_cast<BYTE>(shift | 0x80);
    SetKeyboardState(keys);
    MSG key = {};
    key.hwnd = focus;
    key.message = WM_KEYDOWN;
    key.wParam = VK_TAB;
    key.lParam = 1 | static_cast<LPARAM>(MapVirtualKeyA(VK_TAB, MAPVK_VK_TO_VSC) << 16);
    IsDialogMessageA(top, &key);
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift;
    SetKeyboardState(keys);
    const HWND now = GetFocus();
    return now ? GetDlgCtrlID(now) : 0;
}

}  // namespace
#endif

// Test hook: see host/test_hook.h.
LRESULT HostWindow::OnTestHook(WPARAM query) {
    switch (query) {
#ifdef TUMBLEROO_TEST_HOOKS
        case kHookCrash:  // answered first; the fault comes with the posted message
            PostMessageA(hwnd_, testHookMessage_, kHookCrashNow, 0);
            return 1;
        case kHookCrashNow:
            win::CrashOnPurpose();
            return 0;
        case kHookFailNextMaintenanceCommand:
            maintenance_->FailNextCommand();
            return 1;
        case kHookShiftTab:
            return PressShiftTab();
#endif
        case kHookBackground:
            return static_cast<LRESULT>(background_);
        case kHookBusy:
            return busy_ ? 1 : 0;
        case kHookCommandsDone:
            return static_cast<LRESULT>(commandsDone_);
        case kHookCommandsRefused:
            return static_cast<LRESULT>(commandsRefused_);
    }
    return 0;
}

}  // namespace host
