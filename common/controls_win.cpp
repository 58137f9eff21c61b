// controls_win.cpp: window controls from a twips table.
#include "common/controls_win.h"

#include <vector>

namespace win {
namespace {

struct ClassAndStyle {
    const char* cls;
    DWORD style;
    DWORD exStyle;
};

ClassAndStyle StyleOf(common::ControlKind kind) {
    using common::ControlKind;
    switch (kind) {
        case ControlKind::Button:
            return {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
        case ControlKind::Label:
            return {"STATIC", SS_LEFT | SS_NOPREFIX, 0};
        case ControlKind::CenteredLabel:
            return {"STATIC", SS_CENTER | SS_NOPREFIX | SS_CENTERIMAGE, WS_EX_CLIENTEDGE};
        case ControlKind::TextBox:
            return {"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::MultiLineTextBox:
            return {"EDIT", WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, WS_EX_CLIENTEDGE};
        case ControlKind::CheckBox:
            return {"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0};
        case ControlKind::Frame:
            return {"BUTTON", BS_GROUPBOX, WS_EX_CONTROLPARENT};
        case ControlKind::ListBox:
            return {"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
        case ControlKind::SortedListBox:
            return {"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT,
                    WS_EX_CLIENTEDGE};
    }
    return {"STATIC", 0, 0};
}

WNDPROC gEditProc = nullptr;  // the edit class's own procedure, the same for every edit box

LRESULT CALLBACK TabLeavesProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcA(gEditProc, hwnd, msg, wParam, lParam);
    if (msg == WM_GETDLGCODE) {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key && key->message == WM_KEYDOWN && key->wParam == VK_TAB)
            return result & ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
    }
    return result;
}

}  // namespace

void LetTabLeave(HWND edit) {
    if (!edit)
        return;
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC));
    if (previous == &TabLeavesProc)
        return;
    if (!gEditProc)
        gEditProc = previous;
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TabLeavesProc));
}

Dpi ScreenDpi() {
    Dpi dpi;
    if (HDC screen = GetDC(nullptr)) {
        dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
        dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    return dpi;
}

HFONT CreateUiFont(int hundredthsOfPoint, bool bold, const Dpi& dpi) {
    return CreateFontA(-common::PointsToPixels(hundredthsOfPoint, dpi.y), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE,
                       FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
}

void CreateControls(HWND window, std::span<const common::ControlSpec> table, HFONT font, const Dpi& dpi) {
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    for (const common::ControlSpec& c : table) {
        const ClassAndStyle cs = StyleOf(c.kind);
        DWORD style = WS_CHILD | cs.style;
        if (!(c.flags & common::kHidden))
            style |= WS_VISIBLE;
        if (c.flags & common::kNoTabStop)
            style &= ~static_cast<DWORD>(WS_TABSTOP);
        if (c.flags & common::kReadOnly)
            style |= ES_READONLY;
        HWND parent = c.parent ? GetDlgItem(window, c.parent) : window;
        if (!parent)
            parent = window;
        HWND control = CreateWindowExA(cs.exStyle, cs.cls, c.caption, style, common::TwipsToPixels(c.left, dpi.x),
                                       common::TwipsToPixels(c.top, dpi.y), common::TwipsToPixels(c.width, dpi.x),
                                       common::TwipsToPixels(c.height, dpi.y), parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        if (control && font)
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

SIZE WindowSizeForClient(int widthTwips, int heightTwips, DWORD style, bool hasMenu, DWORD exStyle, const Dpi& dpi) {
    RECT r = {0, 0, common::TwipsToPixels(widthTwips, dpi.x), common::TwipsToPixels(heightTwips, dpi.y)};
    AdjustWindowRectEx(&r, style, hasMenu ? TRUE : FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

ATOM RegisterProgramWindowClass(const char* className, WNDPROC windowProc) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(GetModuleHandle(nullptr), MAKEINTRESOURCE(1));
    wc.lpszClassName = className;
    return RegisterClassExA(&wc);
}

void CentreOnScreen(HWND window) {
    RECT r;
    if (!GetWindowRect(window, &r))
        return;
    const int left = common::CentreOffset(GetSystemMetrics(SM_CXSCREEN), r.right - r.left);
    const int top = common::CentreOffset(GetSystemMetrics(SM_CYSCREEN), r.bottom - r.top);
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND ShowOrRaiseWindow(HWND open, HWND (*create)(void* owner), void* owner) {
    if (open) {
        if (IsIconic(open))
            ShowWindow(open, SW_RESTORE);
        SetForegroundWindow(open);
        BringWindowToTop(open);
        return open;
    }
    HWND made = create(owner);
    if (made) {
        ShowWindow(made, SW_SHOWNORMAL);
        UpdateWindow(made);
    }
    return made;
}

std::string ControlText(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    if (!control)
        return {};
    const int length = GetWindowTextLengthA(control);
    std::vector<char> buf(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(control, buf.data(), length + 1);
    return std::string(buf.data(), static_cast<size_t>(got > 0 ? got : 0));
}

void SetControlText(HWND window, int id, const std::string& text) {
    SetDlgItemTextA(window, id, text.c_str());
}

void ShowControl(HWND window, int id, bool visible) {
    if (HWND control = GetDlgItem(window, id))
        ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

bool IsPushButton(HWND control) {
    char cls[16] = {};
    if (!control || !GetClassNameA(control, cls, sizeof cls) || lstrcmpiA(cls, "Button") != 0)
        return false;
    const LONG_PTR kind = GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

LRESULT EraseClient(HWND window, WPARAM wParam, HBRUSH brush) {
    RECT rc;
    GetClientRect(window, &rc);
    FillRect(reinterpret_cast<HDC>(wParam), &rc, brush);
    return 1;
}

HWND FocusWithin(HWND window) {
    const HWND focus = GetFocus();
    return focus && IsChild(window, focus) ? focus : nullptr;
}

LRESULT FocusedPushButtonAsDefault(HWND window, int notDefault) {
    const HWND focus = FocusWithin(window);
    if (!IsPushButton(focus) || (notDefault && GetDlgCtrlID(focus) == notDefault))
        return 0;
    return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
}

namespace {

std::wstring Widen(std::string_view text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), n);
    return wide;
}

}  // namespace

// A sorted list box compares its strings with CompareString in the user's default locale, ignoring case. Should
// the comparison itself fail, the bytes decide, so that the order stays a strict one.
bool LessAsSortedListBox(std::string_view a, std::string_view b) {
    const std::wstring wa = Widen(a);
    const std::wstring wb = Widen(b);
    const int result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.data(), static_cast<int>(wa.size()),
                                      wb.data(), static_cast<int>(wb.size()));
    if (result == 0)
        return a < b;
    return result == CSTR_LESS_THAN;
}

}  // namespace win
