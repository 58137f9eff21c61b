// window_proc_win.h: the one window procedure that routes a window's messages to its C++ object.
//
// The object is handed over as CreateWindowEx's last argument; WM_NCCREATE stores it in GWLP_USERDATA and its
// window handle in the object. Messages before that go to DefWindowProc. No exception crosses the procedure:
// a handler that throws leaves the message to DefWindowProc.
#pragma once

#include <windows.h>

namespace win {

template <typename Window>
LRESULT RouteToWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, HWND Window::*handle,
                      LRESULT (Window::*handler)(UINT, WPARAM, LPARAM)) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->*handle = hwnd;
    }
    if (!self)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    try {
        return (self->*handler)(msg, wParam, lParam);
    } catch (...) {
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace win
