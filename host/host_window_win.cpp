// host_window_win.cpp: the HostWindow itself: its window class, size and menu bar, its controls (the macro frame
// subclassed so that it passes its children's messages on), the start-up sequence, the message dispatch, the
// focus and default button kept as a dialog keeps them, the control colours, and closing and shutting down.
// Every rule of the game is host::Host's.
//
// The HostWindow's member functions are spread over these files (host_window_win.h declares them all):
//   host_window_win.cpp     this file
//   host_commands_win.cpp   OnCommand, one handler per button and menu item, and Run(), the barrier they go through
//   host_display_win.cpp    the busy state, the focus on `Dummy`, the problems box, the macro titles and panel
//   host_io_win.cpp         HostIo and HostFiles: what host::Host does through the link module and on disk
//   host_test_hook_win.cpp  the private message of host/test_hook.h
//
// Owns: the window and its GDI objects (hwnd_, frame_, font_, the two brushes), lastFocus_, testHookMessage_, and
// the end of the program (closeRequested_, shutDown_, and linkOpen_ at start-up and shut-down). Calls: the
// handlers (OnCommand), the display (FocusDummy, ShowProblems, ShowMacroTitles), OnTestHook, the maintenance
// window's Close, and the link module to read its settings, pin the window on top and open and close the link.
#include "host/host_window_win.h"

#include <string>

#include "common/about_win.h"
#include "common/controls_win.h"
#include "common/crash_report_win.h"
#include "common/support_log.h"
#include "common/window_proc_win.h"
#include "host/host_window_layout.h"
#include "host/test_hook.h"
#include "linkmodule/link_module_win.h"

namespace host {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The system menu's About entry; the menu bar stays as the operator knows it.
constexpr win::AboutProgram kAbout = {L"About Tumbleroo\u2026", "About Tumbleroo", "Tumbleroo game host",
                                      "GORVATH.LOG"};

HMENU BuildMenu() {
    HMENU bar = CreateMenu();
    HMENU popup = nullptr;
    for (const MenuSpec& m : kHostMenu) {
        if (m.level == 0 && m.id == 0) {
            popup = CreatePopupMenu();
            AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), m.caption);
        } else if (m.level == 0) {
            AppendMenuA(bar, MF_STRING, static_cast<UINT_PTR>(m.id), m.caption);
            popup = nullptr;
        } else if (popup) {
            AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(m.id), m.caption);
        }
    }
    return bar;
}

// The frame is a group box, whose window procedure neither passes its children's clicks on nor paints its
// inside. Subclassed, it forwards them to the HostWindow and paints itself with the window's background, so that
// the panel covers the round controls beneath it.
LRESULT CALLBACK MacroFrameProc(HWND frame, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(frame, GWLP_USERDATA));
    switch (msg) {
        case WM_COMMAND:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            return SendMessageA(GetParent(frame), msg, wParam, lParam);
        case WM_ERASEBKGND:
            return win::EraseClient(frame, wParam,
                                    reinterpret_cast<HBRUSH>(SendMessageA(GetParent(frame), WM_CTLCOLORSTATIC, wParam,
                                                                          reinterpret_cast<LPARAM>(frame))));
    }
    return original ? CallWindowProcA(original, frame, msg, wParam, lParam)
                    : DefWindowProcA(frame, msg, wParam, lParam);
}

}  // namespace

HostWindow::HostWindow()
    : random_(StartupEntropy()),
      host_(*this, files_, clock_, random_, win::LessAsSortedListBox),
      maintenance_(std::make_unique<MaintenanceWindow>(host_.Lists())),
      season_(
          std::make_unique<SeasonWindow>(rounds_, win::LessAsSortedListBox, [this] { return OnAnnounceTopFive(); })),
      background_(kIdleColour) {
    host_.SetRoundsStore(&rounds_);
}

HostWindow::~HostWindow() {
    Shutdown();
    maintenance_.reset();
    season_.reset();
    for (HGDIOBJ object :
         {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(idleBrush_), static_cast<HGDIOBJ>(busyBrush_)}) {
        if (object)
            DeleteObject(object);
    }
}

bool HostWindow::Create(int show, const std::string& notice) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!win::RegisterProgramWindowClass(kHostClassName, WndProc))
        return false;
    testHookMessage_ = RegisterWindowMessageA(kTestHookMessage);
    idleBrush_ = CreateSolidBrush(kIdleColour);
    busyBrush_ = CreateSolidBrush(kBusyColour);

    const win::Dpi dpi = win::ScreenDpi();
    const SIZE size =
        win::WindowSizeForClient(kHostClientWidthTwips, kHostClientHeightTwips, kWindowStyle, true, 0, dpi);
    HMENU menu = BuildMenu();
    CreateWindowExA(0, kHostClassName, kHostCaption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy,
                    nullptr, menu, instance, this);
    if (!hwnd_) {
        DestroyMenu(menu);
        return false;
    }
    win::AddAboutToSystemMenu(hwnd_, kAbout);
    // A menu bar too wide for the window wraps onto a second line and takes that from the client area.
    RECT client;
    GetClientRect(hwnd_, &client);
    const int missing = common::TwipsToPixels(kHostClientHeightTwips, dpi.y) - (client.bottom - client.top);
    if (missing > 0)
        SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy + missing, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // Counted as running until the start-up problems were shown, so that no command starts under their box.
    ++running_;
    Problems problems = StartUp();
    for (const auto& p : problems)
        common::LogEvent("start", "start-up problem: " + p);
    if (!notice.empty())
        problems.insert(problems.begin(), notice);
    if (!Closing()) {
        ShowWindow(hwnd_, show);
        UpdateWindow(hwnd_);
        FocusDummy();
        ShowProblems(problems);
        if (!Closing())
            FocusDummy();
    }
    --running_;
    if (Closing())
        Shutdown();
    return true;
}

// Controls first (WM_CREATE), then, before the window is first shown, the start-up sequence in its order.
void HostWindow::OnCreate() {
    const win::Dpi dpi = win::ScreenDpi();
    font_ = win::CreateUiFont(kHostFontHundredthsOfPoint, true, dpi);
    win::CreateControls(hwnd_, kHostWindowControls, font_, dpi);
    for (const auto& c : kHostWindowControls) {
        if (c.parent != 0)
            continue;
        // Overlapping siblings: the one above (MacroFrame over the round controls) is not painted over.
        HWND control = GetDlgItem(hwnd_, c.id);
        SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | WS_CLIPSIBLINGS);
    }
    frame_ = GetDlgItem(hwnd_, IDC_HOST_MACROFRAME);
    if (frame_) {
        SetWindowLongPtrA(frame_, GWL_STYLE, GetWindowLongPtrA(frame_, GWL_STYLE) | WS_CLIPCHILDREN);
        SetWindowLongPtrA(frame_, GWLP_USERDATA, GetWindowLongPtrA(frame_, GWLP_WNDPROC));
        SetWindowLongPtrA(frame_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MacroFrameProc));
    }
}

// Each step on its own (RunStartUp): a file that cannot be read must not keep the link from opening.
Problems HostWindow::StartUp() {
    const StartUpStep steps[] = {
        {"centring the window",
         [&] {
             win::CentreOnScreen(hwnd_);
             return Problems{};
         }},
        {"loading the macro titles",
         [&] {
             Problems problems = host_.LOAD_MACTITS();
             ShowMacroTitles();
             return problems;
         }},
        {"reading the link settings",
         [] {
             linkmodule::ReadLinkSettings();
             win::LogSettingsRead("SCONTROL.TXT", linkmodule::ClientWindowTitle, linkmodule::FocusControl,
                                  linkmodule::UseLibraryMethod, linkmodule::SendDelaySeconds);
             return Problems{};
         }},
        {"loading the categories", [&] { return host_.LoadCategories(); }},
        {"pinning the window on top",
         [&] {
             linkmodule::PinOnTop(hwnd_);
             return Problems{};
         }},
        {"opening the link",
         [&] {
             linkOpen_ = true;
             linkmodule::OpenLink();
             const std::string rights = linkmodule::WorldRightsMessage();
             return rights.empty() ? Problems{} : Problems{rights};
         }},
    };
    return RunStartUp(steps);
}

void HostWindow::Shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    maintenance_->Close();
    season_->Close();
    if (hwnd_)
        ShowWindow(hwnd_, SW_HIDE);
    if (linkOpen_) {
        linkOpen_ = false;
        linkmodule::CloseLink();
    }
    if (hwnd_)
        DestroyWindow(hwnd_);  // WM_DESTROY posts the WM_QUIT that ends the message loop
}

LRESULT CALLBACK HostWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return win::RouteToWindow(hwnd, msg, wParam, lParam, &HostWindow::hwnd_, &HostWindow::HandleMessage);
}

LRESULT HostWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const HWND hwnd = hwnd_;
    if (msg == testHookMessage_ && testHookMessage_ != 0)
        return OnTestHook(wParam);
    switch (msg) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_SYSCOMMAND:
            if (win::IsAboutCommand(wParam)) {
                win::ShowAbout(hwnd, kAbout);
                return 0;
            }
            break;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_SIZE:  // also the first display, minimising and restoring
            linkmodule::PinOnTop(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return win::EraseClient(hwnd, wParam, background_ == kBusyColour ? busyBrush_ : idleBrush_);
        case WM_CTLCOLORSTATIC:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_CTLCOLORBTN:
            return reinterpret_cast<LRESULT>(background_ == kBusyColour ? busyBrush_ : idleBrush_);
        case WM_SETCURSOR:
            if (busy_) {
                SetCursor(LoadCursor(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            OnClose();
            return 0;
        case DM_GETDEFID:
            // Enter presses the button that has the keyboard, as in a dialog; `Dummy` is no default: Enter there,
            // or in the category box, does nothing.
            return win::FocusedPushButtonAsDefault(hwnd_, IDC_HOST_DUMMY);
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            frame_ = nullptr;
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Never refused. While something runs, the windows vanish at once and the rest waits until it has stopped.
void HostWindow::OnClose() {
    if (shutDown_)
        return;
    if (running_ > 0) {
        closeRequested_ = true;
        linkmodule::CancelRequests();  // a request waiting on the world client ends now, not at its time-out
        maintenance_->Close();
        season_->Close();
        ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    Shutdown();
}

// As a dialog does: the control that had the focus gets it back when the window is active again (after a message
// box, the maintenance window or minimising), instead of the window itself, where Enter and space would be lost.
void HostWindow::OnActivate(bool active) {
    if (!active) {
        if (const HWND focus = win::FocusWithin(hwnd_))
            lastFocus_ = focus;
        return;
    }
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) && IsWindowVisible(lastFocus_))
        SetFocus(lastFocus_);
    else
        FocusDummy();
}

// `PlayerName` shows the system's window colours; the frame's caption area, the window's background.
LRESULT HostWindow::OnControlColour(HDC dc, HWND control) {
    if (GetDlgCtrlID(control) == IDC_HOST_PLAYERNAME) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetBkColor(dc, background_);
    return reinterpret_cast<LRESULT>(background_ == kBusyColour ? busyBrush_ : idleBrush_);
}

}  // namespace host
