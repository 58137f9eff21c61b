// configurator_window_win.cpp: ConfiguratorWindow as a window: its creation, the controls of configurator_layout.h
// and their styling and fonts, the load steps (centre, read and show the settings, pin on top), the hidden window
// that carries the application title, the painting of the idle and busy colours, the message dispatch and the test
// hook. It touches the window's handles, fonts and brushes and hands clicks, Close and activation to the members in
// configurator_commands_win.cpp (the buttons, the busy state, keyboard focus); it runs no test itself.
#include "configurator/configurator_window_win.h"

#include <string>

#include "common/about_win.h"
#include "common/controls_win.h"
#include "common/crash_report_win.h"
#include "common/window_proc_win.h"
#include "configurator/configurator_layout.h"
#include "configurator/font_fit.h"
#include "configurator/test_hook.h"
#include "configurator/texts.h"
#include "linkmodule/link_module_win.h"

namespace config {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW;
constexpr char kTitleClassName[] = "VantrelAppTitle";
constexpr UINT kForwardActivation = WM_APP + 1;
// The system menu's About entry.
constexpr win::AboutProgram kAbout = {L"About the link configurator\u2026", "About the link configurator",
                                      "Tumbleroo link configurator", "VANTREL.LOG"};

COLORREF ColourOf(Rgb c) {
    return RGB(c.red, c.green, c.blue);
}

bool IsPanel(int id) {
    for (int panel : kPanelLabels)
        if (panel == id)
            return true;
    return false;
}

// The shared table's labels are left-aligned; every label here is centred and wraps its words, and the two
// panels carry a single-line border.
void StyleLabels(HWND window) {
    for (const common::ControlSpec& c : kConfiguratorControls) {
        if (c.kind != common::ControlKind::Label)
            continue;
        HWND control = GetDlgItem(window, c.id);
        if (!control)
            continue;
        LONG_PTR style = (GetWindowLongPtrA(control, GWL_STYLE) & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_CENTER;
        if (IsPanel(c.id))
            style |= WS_BORDER;
        SetWindowLongPtrA(control, GWL_STYLE, style);
        SetWindowPos(control, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
}

// Whether the text, wrapped as a centred label wraps it, fits the label's client area in this font.
bool TextFits(HWND label, HFONT font, const std::string& text) {
    RECT client;
    if (!GetClientRect(label, &client))
        return true;
    HDC dc = GetDC(label);
    if (!dc)
        return true;
    const HGDIOBJ old = SelectObject(dc, font);
    RECT needed = {0, 0, client.right, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX | DT_EXPANDTABS);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return needed.bottom <= client.bottom && needed.right <= client.right;
}

void ShowError(const char* what) {
    const DWORD error = GetLastError();
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    const std::string message = std::string("Error ") + what + ": " + (text ? text : std::to_string(error));
    if (text)
        LocalFree(text);
    MessageBoxA(nullptr, message.c_str(), kWindowCaption, MB_OK | MB_ICONERROR);
}

}  // namespace

ConfiguratorWindow::~ConfiguratorWindow() {
    if (hwnd_)
        DestroyWindow(hwnd_);
    if (titleWindow_)
        DestroyWindow(titleWindow_);
    for (HGDIOBJ object :
         {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(secondsFont_), static_cast<HGDIOBJ>(label1Font_),
          static_cast<HGDIOBJ>(idleBrush_), static_cast<HGDIOBJ>(busyBrush_), static_cast<HGDIOBJ>(panelBrush_)})
        if (object)
            DeleteObject(object);
}

bool ConfiguratorWindow::Create(HINSTANCE instance, int showCommand, const std::string& notice) {
    idleBrush_ = CreateSolidBrush(ColourOf(kIdleColour));
    busyBrush_ = CreateSolidBrush(ColourOf(kBusyColour));
    panelBrush_ = CreateSolidBrush(ColourOf(kPanelColour));
    background_ = idleBrush_;
#ifdef TUMBLEROO_TEST_HOOKS
    testHookMessage_ = RegisterWindowMessageA(kTestHookMessage);
#endif

    if (!win::RegisterProgramWindowClass(kWindowClassName, WndProc)) {
        ShowError("registering the window class");
        return false;
    }
    const win::Dpi dpi = win::ScreenDpi();
    const SIZE size = win::WindowSizeForClient(kClientWidthTwips, kClientHeightTwips, kWindowStyle, false, 0, dpi);
    // Created hidden: the load steps place it before it is first seen.
    if (!CreateWindowExA(0, kWindowClassName, kWindowCaption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx,
                         size.cy, nullptr, nullptr, instance, this)) {
        ShowError("creating the window");
        return false;
    }
    win::AddAboutToSystemMenu(hwnd_, kAbout);
    CreateTitleWindow(instance);
    CreateContent();
    OnLoad();
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    // The keyboard starts on the first control that takes the tab, "Auto Configuration".
    SetFocus(GetDlgItem(hwnd_, IDC_CONFIGURATOR_COMMAND1));
    if (!notice.empty() && hwnd_) {
        MessageBoxA(hwnd_, notice.c_str(), kWindowCaption, MB_OK | MB_ICONWARNING);
        if (hwnd_)
            RestoreFocus();
    }
    return true;
}

void ConfiguratorWindow::CreateContent() {
    const win::Dpi dpi = win::ScreenDpi();
    font_ = win::CreateUiFont(kWindowFontHundredthsOfPoint, true, dpi);
    secondsFont_ = win::CreateUiFont(kManualSecondsFontHundredthsOfPoint, true, dpi);
    win::CreateControls(hwnd_, kConfiguratorControls, font_, dpi);
    StyleLabels(hwnd_);
    SendDlgItemMessageA(hwnd_, IDC_CONFIGURATOR_MANUAL_SECONDS, WM_SETFONT, reinterpret_cast<WPARAM>(secondsFont_),
                        FALSE);
    FitLabel1Font(dpi);
    link_.emplace(hwnd_, IDC_CONFIGURATOR_LSTATUS, [this] { return Closing(); });
}

// The instruction text is long, and a face that stands in for the designed one may wrap it onto more lines than
// the label holds, cutting off the last. Where the window's font fits it, that font stays; otherwise the label
// alone gets the largest smaller size that shows the whole text.
void ConfiguratorWindow::FitLabel1Font(const win::Dpi& dpi) {
    HWND label = GetDlgItem(hwnd_, IDC_CONFIGURATOR_LABEL1);
    label1FontSize_ = kWindowFontHundredthsOfPoint;
    if (!label || TextFits(label, font_, kInstructionText))
        return;
    HFONT tried = nullptr;
    label1FontSize_ = FittingFontSize(kWindowFontHundredthsOfPoint, kSmallestLabelFont, kLabelFontStep, [&](int size) {
        if (tried)
            DeleteObject(tried);
        tried = win::CreateUiFont(size, true, dpi);
        return tried && TextFits(label, tried, kInstructionText);
    });
    if (tried)
        DeleteObject(tried);
    label1Font_ = win::CreateUiFont(label1FontSize_, true, dpi);
    if (label1Font_)
        SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(label1Font_), FALSE);
}

// With focus control the link activates the window titled with the application title after each request,
// to give the keyboard back to the program. The configurator's own window has another caption, so a hidden
// window carries the application title and passes the activation on.
void ConfiguratorWindow::CreateTitleWindow(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TitleWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kTitleClassName;
    if (!RegisterClassExA(&wc))
        return;
    titleWindow_ = CreateWindowExA(WS_EX_TOOLWINDOW, kTitleClassName, linkmodule::ApplicationTitle().c_str(), WS_POPUP,
                                   0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (titleWindow_)
        SetWindowLongPtrA(titleWindow_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(hwnd_));
}

// Load: centre, read the settings, show them, pin on top. CurrentSetting is written here only.
void ConfiguratorWindow::OnLoad() {
    CentreInTwips();
    linkmodule::ReadLinkSettings();
    win::LogSettingsRead(kSettingsFileName, linkmodule::ClientWindowTitle, linkmodule::FocusControl,
                         linkmodule::UseLibraryMethod, linkmodule::SendDelaySeconds);
    win::SetControlText(hwnd_, IDC_CONFIGURATOR_CURRENT_SETTING, CurrentSettingText(ModuleSettings()));
    linkmodule::PinOnTop(hwnd_);
}

// The free space is measured in twips, as the layout is, then converted back to pixels.
void ConfiguratorWindow::CentreInTwips() {
    RECT r;
    if (!GetWindowRect(hwnd_, &r))
        return;
    const win::Dpi dpi = win::ScreenDpi();
    const auto twips = [](int pixels, int perInch) { return pixels * 1440.0 / perInch; };
    const int left = CentreOffset(twips(GetSystemMetrics(SM_CXSCREEN), dpi.x), twips(r.right - r.left, dpi.x));
    const int top = CentreOffset(twips(GetSystemMetrics(SM_CYSCREEN), dpi.y), twips(r.bottom - r.top, dpi.y));
    SetWindowPos(hwnd_, nullptr, common::TwipsToPixels(left, dpi.x), common::TwipsToPixels(top, dpi.y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

#ifdef TUMBLEROO_TEST_HOOKS
LRESULT ConfiguratorWindow::OnTestHook(WPARAM what, LPARAM argument) {
    switch (what) {
        case kHookStatusLog: {
            char path[MAX_PATH] = {};
            if (!link_ || !GlobalGetAtomNameA(static_cast<ATOM>(argument), path, sizeof path))
                return 0;
            link_->LogStatusTo(path);
            return 1;
        }
        case kHookLabel1Font:
            return label1FontSize_;
        case kHookCrash:  // answered first; the fault comes with the posted message
            PostMessageA(hwnd_, testHookMessage_, kHookCrashNow, 0);
            return 1;
        case kHookCrashNow:
            win::CrashOnPurpose();
            return 0;
    }
    return 0;
}
#endif

void ConfiguratorWindow::SetBackground(HBRUSH brush) {
    background_ = brush;
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// The panels are grey; the other labels take the window's colour of the moment.
HBRUSH ConfiguratorWindow::OnCtlColorStatic(HDC dc, HWND control) {
    if (IsPanel(GetDlgCtrlID(control))) {
        SetBkColor(dc, ColourOf(kPanelColour));
        return panelBrush_;
    }
    SetBkColor(dc, ColourOf(background_ == busyBrush_ ? kBusyColour : kIdleColour));
    return background_;
}

LRESULT CALLBACK ConfiguratorWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return win::RouteToWindow(hwnd, msg, wParam, lParam, &ConfiguratorWindow::hwnd_,
                              &ConfiguratorWindow::HandleMessage);
}

LRESULT ConfiguratorWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
#ifdef TUMBLEROO_TEST_HOOKS
    if (testHookMessage_ != 0 && msg == testHookMessage_)
        return OnTestHook(wParam, lParam);
#endif
    switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED)
                OnCommand(LOWORD(wParam));
            return 0;
        case WM_SYSCOMMAND:
            if (win::IsAboutCommand(wParam)) {
                win::ShowAbout(hwnd_, kAbout);
                return 0;
            }
            break;
        case WM_SIZE:
            linkmodule::PinOnTop(hwnd_);  // minimising and restoring included
            return 0;
        case WM_ERASEBKGND:
            return win::EraseClient(hwnd_, wParam, background_);
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(
                OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
        case WM_SETCURSOR:
            if (hourglass_) {
                SetCursor(LoadCursor(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case DM_GETDEFID:
            return DefaultButton();
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            HWND hwnd = hwnd_;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            hwnd_ = nullptr;
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        }
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK ConfiguratorWindow::TitleWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {
        PostMessageA(hwnd, kForwardActivation, 0, 0);
        return 0;
    }
    if (msg == kForwardActivation) {
        if (HWND main = reinterpret_cast<HWND>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)))
            SetForegroundWindow(main);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace config
