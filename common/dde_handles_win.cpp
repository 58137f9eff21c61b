#include "common/dde_handles_win.h"

#include "common/dde_wake_win.h"

namespace win {

namespace {

DWORD Low32(HWND hwnd) { return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(hwnd)); }

HWND MakeScratchWindow() {
    return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

}  // namespace

bool WidensAlike(HWND hwnd) { return (Low32(hwnd) & 0x80000000u) == 0; }

bool SameWindow(HWND a, HWND b) { return Low32(a) == Low32(b); }

HWND CreateMessageWindowThatWidensAlike(const char* className, HINSTANCE instance) {
    std::vector<HWND> aside;
    HWND hwnd = nullptr;
    while ((hwnd = CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr)) &&
           !WidensAlike(hwnd) && aside.size() < 16)
        aside.push_back(hwnd);
    for (HWND other : aside)
        DestroyWindow(other);
    return hwnd;
}

HandleAhead::HandleAhead() {
    if (!RunningUnderWine())
        return;
    // Wine gives a new window the slot freed last, its count of reuses one higher. A scratch window whose count is
    // below 0x7FFF, destroyed at once, leaves a slot whose next handle has bit 31 clear; the others are held so
    // that their slots stay out of the way. Each try has about an even chance; after 16 the window is made anyway.
    for (int tries = 0; tries < 16; ++tries) {
        HWND scratch = MakeScratchWindow();
        if (!scratch)
            return;
        if ((Low32(scratch) >> 16) < 0x7FFF) {
            DestroyWindow(scratch);
            return;
        }
        held_.push_back(scratch);
    }
}

HandleAhead::~HandleAhead() {
    for (HWND hwnd : held_)
        DestroyWindow(hwnd);
}

}  // namespace win
