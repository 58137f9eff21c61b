// maintenance_window_win.cpp: the PlayerMaintenanceWindow's Win32 side. The rules (sorted snapshots, one visible
// "Delete Player", first exact match removed) are host::PlayerMaintenance's; this file shows its state.
#include "host/maintenance_window_win.h"

#include <exception>
#include <stdexcept>
#include <string>

#include "common/controls_win.h"
#include "common/window_proc_win.h"
#include "host/host_window_layout.h"
#include "host/maintenance_layout.h"

namespace host {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

const MaintenanceSectionIds* SectionOfControl(int id) {
    for (const auto& s : kMaintenanceSections) {
        if (s.list == id || s.deleteButton == id || s.clearButton == id)
            return &s;
    }
    return nullptr;
}

bool IsSectionLabel(HWND control) {
    const int id = GetDlgCtrlID(control);
    for (const auto& s : kMaintenanceSections) {
        if (s.label == id)
            return true;
    }
    return false;
}

}  // namespace

MaintenanceWindow::~MaintenanceWindow() {
    Close();
    if (font_)
        DeleteObject(font_);
    if (labelFont_)
        DeleteObject(labelFont_);
    if (background_)
        DeleteObject(background_);
}

// Brought forward, not refilled: the copies stay the snapshot taken when the window was created.
void MaintenanceWindow::ShowOrRaise() {
    win::ShowOrRaiseWindow(
        hwnd_, [](void* self) { return static_cast<MaintenanceWindow*>(self)->Create() ? static_cast<MaintenanceWindow*>(self)->hwnd_ : nullptr; },
        this);
}

void MaintenanceWindow::Close() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

bool MaintenanceWindow::Create() {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    static ATOM atom = 0;
    if (!atom) {
        atom = win::RegisterProgramWindowClass(kMaintenanceClassName, WndProc);
        if (!atom)
            return false;
    }
    const win::Dpi dpi = win::ScreenDpi();
    if (!font_)
        font_ = win::CreateUiFont(kMaintenanceFontHundredthsOfPoint, true, dpi);
    if (!labelFont_)
        labelFont_ = win::CreateUiFont(kSectionLabelHundredthsOfPoint, true, dpi);
    if (!background_)
        background_ = CreateSolidBrush(kIdleColour);

    const SIZE size = win::WindowSizeForClient(kMaintenanceClientWidthTwips, kMaintenanceClientHeightTwips,
                                               kWindowStyle, false, 0, dpi);
    // No owner: the HostWindow's busy state disables it alone, and closing this window leaves the host alone.
    CreateWindowExA(0, kMaintenanceClassName, kMaintenanceCaption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx,
                    size.cy, nullptr, nullptr, instance, this);
    if (!hwnd_)
        return false;
    win::CreateControls(hwnd_, kMaintenanceControls, font_, dpi);
    win::CreateControls(hwnd_, kMaintenanceLabels, labelFont_, dpi);
    win::CentreOnScreen(hwnd_);
    model_.emplace(lists_);
    ShowModel(true);
    lastFocus_ = GetDlgItem(hwnd_, kMaintenanceControls[0].id);  // the first list, first in the tab order
    return true;
}

LRESULT CALLBACK MaintenanceWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return win::RouteToWindow(hwnd, msg, wParam, lParam, &MaintenanceWindow::hwnd_, &MaintenanceWindow::HandleMessage);
}

LRESULT MaintenanceWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_ERASEBKGND:
            return win::EraseClient(hwnd, wParam, background_);
        case WM_CTLCOLORSTATIC:
            if (IsSectionLabel(reinterpret_cast<HWND>(lParam))) {
                const HDC dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, kSectionLabelTextColour);
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(background_);
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case DM_GETDEFID:
            return win::FocusedPushButtonAsDefault(hwnd_);  // on a list Enter does nothing
        case WM_NCDESTROY:
            // The window and its copies go together; this object stays for the next "Player Maintenance".
            hwnd_ = nullptr;
            model_.reset();
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// The same barrier as the HostWindow's commands: a handler that fails tells the operator in one message, and
// the window shows the lists as they are now.
void MaintenanceWindow::OnCommand(int id, int code, HWND control) {
    if (id == IDCANCEL && !control) {  // Esc
        Close();
        return;
    }
    const MaintenanceSectionIds* s = SectionOfControl(id);
    if (!s || !model_ || !control)
        return;
    std::string failure;
    try {
#ifdef TUMBLEROO_TEST_HOOKS
        if (failNextCommand_) {
            failNextCommand_ = false;
            throw std::runtime_error("failure requested by a test");
        }
#endif
        if (id == s->list && code == LBN_SELCHANGE)
            OnSelect(s->section);
        else if (id == s->deleteButton && code == BN_CLICKED)
            OnDeletePlayer(s->section);
        else if (id == s->clearButton && code == BN_CLICKED)
            OnClearList(s->section);
        return;
    } catch (const std::exception& e) {
        failure = std::string("The command stopped early: ") + e.what();
    } catch (...) {
        failure = "The command stopped early.";
    }
    try {
        if (hwnd_ && model_)
            ShowModel(true);
    } catch (...) {
        // The message below still goes out; the lists show what they showed.
    }
    if (hwnd_)
        MessageBoxA(hwnd_, failure.c_str(), kMaintenanceCaption, MB_OK | MB_ICONWARNING);
}

void MaintenanceWindow::OnSelect(PlayerMaintenance::Section section) {
    const MaintenanceSectionIds& s = kMaintenanceSections[static_cast<int>(section)];
    const LRESULT index = SendDlgItemMessageA(hwnd_, s.list, LB_GETCURSEL, 0, 0);
    model_->Select(section, index == LB_ERR ? std::nullopt : std::optional<int>(static_cast<int>(index)));
    ShowModel(false);
}

void MaintenanceWindow::OnDeletePlayer(PlayerMaintenance::Section section) {
    model_->DeletePlayer(section);
    ShowModel(true);
}

void MaintenanceWindow::OnClearList(PlayerMaintenance::Section section) {
    model_->ClearList(section);
    ShowModel(true);
}

// Setting a selection from here sends no LBN_SELCHANGE, so it does not count as the operator's selection.
void MaintenanceWindow::ShowModel(bool refill) {
    for (const auto& s : kMaintenanceSections) {
        const HWND list = GetDlgItem(hwnd_, s.list);
        if (refill) {
            SendMessageA(list, WM_SETREDRAW, FALSE, 0);
            SendMessageA(list, LB_RESETCONTENT, 0, 0);
            for (const std::string& name : model_->Copy(s.section).Names())
                SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
            SendMessageA(list, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(list, nullptr, TRUE);
        }
        const auto selected = model_->Selected(s.section);
        SendMessageA(list, LB_SETCURSEL, selected ? static_cast<WPARAM>(*selected) : static_cast<WPARAM>(-1), 0);
        const bool deleteShown = model_->DeleteShown(s.section);
        win::ShowControl(hwnd_, s.deleteButton, deleteShown);
        if (!deleteShown && GetFocus() == GetDlgItem(hwnd_, s.deleteButton))
            SetFocus(list);  // the keyboard does not stay on a button that is gone
    }
}

// As a dialog does: the control that had the keyboard gets it back when the window is active again, so that Tab,
// Enter, space and Esc keep working after a message box or a visit to the HostWindow. A control hidden meanwhile
// (a "Delete Player") hands it to its section's list.
void MaintenanceWindow::OnActivate(bool active) {
    if (!active) {
        if (const HWND focus = win::FocusWithin(hwnd_))
            lastFocus_ = focus;
        return;
    }
    HWND target = lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) ? lastFocus_ : nullptr;
    if (target && !IsWindowVisible(target)) {
        const MaintenanceSectionIds* s = SectionOfControl(GetDlgCtrlID(target));
        target = s ? GetDlgItem(hwnd_, s->list) : nullptr;
    }
    if (!target)
        target = GetDlgItem(hwnd_, kMaintenanceControls[0].id);
    if (target)
        SetFocus(target);
}

}  // namespace host
