// host_display_win.cpp: what the HostWindow shows around its commands: the busy state (hourglass, window disabled,
// background red) and its end, the focus given to `Dummy`, the one message box of a command's problems, the macro
// titles as menu captions, and the macro panel shown over the round controls or hidden.
//
// Owns: busy_ and background_ (the window paints itself and its controls with it, see host_window_win.cpp).
// Touches: the window's cursor, enabled state and menu, frame_'s visibility, the focus. Calls: host_.Titles() only.
#include "host/host_window_win.h"

#include <string>
#include <vector>

#include "host/host_window_layout.h"

namespace host {

// Enter, in this order: hourglass, window (with its controls and menus) disabled, background red.
void HostWindow::EnterBusy() {
    busy_ = true;
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    EnableWindow(hwnd_, FALSE);
    SetBackground(kBusyColour);
}

// Leave, in this order: background cyan, default pointer, window enabled.
void HostWindow::LeaveBusy() {
    SetBackground(kIdleColour);
    busy_ = false;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    EnableWindow(hwnd_, TRUE);
}

void HostWindow::SetBackground(COLORREF colour) {
    background_ = colour;
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void HostWindow::FocusDummy() {
    if (HWND dummy = GetDlgItem(hwnd_, IDC_HOST_DUMMY))
        SetFocus(dummy);
}

void HostWindow::ShowProblems(const std::vector<std::string>& problems) {
    if (problems.empty())
        return;
    std::string text;
    for (const auto& p : problems)
        text += (text.empty() ? "" : "\r\n\r\n") + p;
    MessageBoxA(hwnd_, text.c_str(), kHostCaption, MB_OK | MB_ICONWARNING);
}

void HostWindow::ShowMacroTitles() {
    const HMENU menu = GetMenu(hwnd_);
    const MacroTitles& titles = host_.Titles();
    for (int i = 0; i < kMacroCount; ++i) {
        const int id = IDM_MACS_MACROS1 + i;
        ModifyMenuA(menu, static_cast<UINT>(id), MF_BYCOMMAND | MF_STRING, static_cast<UINT_PTR>(id),
                    MenuCaptionOfTitle(titles[static_cast<size_t>(i)]).c_str());
    }
}

void HostWindow::ShowMacroPanel(bool shown) {
    if (!frame_)
        return;
    if (shown) {
        SetWindowPos(frame_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    } else {
        ShowWindow(frame_, SW_HIDE);
    }
}

}  // namespace host
