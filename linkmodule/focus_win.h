// focus_win.h: how focus control brings a window to the front, and what it does when the system will not.
#pragma once

#include <windows.h>

namespace linkmodule {

// Brings `window` to the front; `own` is this program's window (nullptr when it has none). When the system refuses
// (its foreground lock: the operator has gone on in another program), `own` flashes until the operator brings it
// forward, and the support log says which window stayed behind. The caller carries on either way.
void BringToFront(HWND window, HWND own);

#ifdef TUMBLEROO_TEST_HOOKS
// Test builds only: the system's refusal, as if it refused to bring that window forward.
enum class ForegroundRefusal { None, World, Own };
void RefuseForegroundForTests(ForegroundRefusal refusal);
#endif

}  // namespace linkmodule
