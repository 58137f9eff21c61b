// main_window_win.cpp: the "Pelmor 3.0" window (see main_window_win.h).
#include "worldsim/main_window_win.h"

#include "worldsim/app_win.h"
#include "worldsim/protocol.h"
#include "worldsim/window_ids.h"
#include "worldsim/world.h"

namespace worldsim {
namespace {

constexpr int kStatusHeight = 22;
constexpr int kInputHeight = 24;

std::wstring Widen(const std::string& bytes) {
    if (bytes.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

// Chat lines may carry any byte; control characters would upset the edit control, so they show as \xHH.
std::wstring DisplayLine(const std::string& line) {
    static const char kHex[] = "0123456789abcdef";
    std::string shown;
    for (char ch : line) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x20 && b != '\t') {
            shown += "\\x";
            shown += kHex[b >> 4];
            shown += kHex[b & 15];
        } else {
            shown += ch;
        }
    }
    return Widen(shown) + L"\r\n";
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

bool MainWindow::Create(HINSTANCE instance, int show) {
    const std::wstring className = Widen(std::string(kWindowClass));
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className.c_str();
    if (!RegisterClassExW(&wc))
        return false;
    // The World's window procedure needs `this` from the first message on (WM_NCCREATE).
    hwnd_ = CreateWindowExW(0, className.c_str(), Widen(std::string(kWindowTitle)).c_str(), WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, CW_USEDEFAULT, 720, 480, nullptr, nullptr, instance, this);
    if (!hwnd_)
        return false;
    ShowWindow(hwnd_, show);
    UpdateWindow(hwnd_);
    return true;
}

// Appends what is new; after a clear the whole text is set again.
void MainWindow::ShowChat(const World& world) {
    const auto& chat = world.Chat();
    if (world.ChatGeneration() != shownGeneration_ || chat.size() < shownLines_) {
        std::wstring all;
        for (const auto& line : chat)
            all += DisplayLine(line);
        SetWindowTextW(chat_, all.c_str());
    } else if (chat.size() > shownLines_) {
        std::wstring added;
        for (size_t i = shownLines_; i < chat.size(); ++i)
            added += DisplayLine(chat[i]);
        const int end = GetWindowTextLengthW(chat_);
        SendMessageW(chat_, EM_SETSEL, end, end);
        SendMessageW(chat_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
    } else {
        return;
    }
    shownGeneration_ = world.ChatGeneration();
    shownLines_ = chat.size();
    const int end = GetWindowTextLengthW(chat_);
    SendMessageW(chat_, EM_SETSEL, end, end);
    SendMessageW(chat_, EM_SCROLLCARET, 0, 0);
}

void MainWindow::ShowStatus(const std::string& text) {
    SetWindowTextW(status_, Widen(text).c_str());
}

LRESULT CALLBACK MainWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    try {
        return self->OnMessage(msg, wParam, lParam);
    } catch (...) {
        return 0;  // nothing may unwind into the system
    }
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        SetFocus(input_);
        return 0;
    case WM_CTLCOLORSTATIC:  // a read-only edit asks like a static: keep the chat on white, easier to read
        if (reinterpret_cast<HWND>(lParam) == chat_) {
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case kMsgDeliver:
        app_.DeliverDue();
        return 0;
    case WM_TIMER:
        KillTimer(hwnd_, wParam);
        if (wParam == kTimerDeliver)
            app_.DeliverDue();
        else if (wParam == kTimerScheduled)
            app_.RunScheduled();
        else if (wParam == kTimerClose)
            PostMessageW(hwnd_, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        // A modal DDEML wait may dispatch this; the DDE instance must outlive the call it is in.
        if (app_.Busy()) {
            SetTimer(hwnd_, kTimerClose, 50, nullptr);
            return 0;
        }
        break;
    case WM_DESTROY:
        app_.Shutdown();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

void MainWindow::OnCreate() {
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    status_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE, 0, 0, 0,
                              0, hwnd_, reinterpret_cast<HMENU>(IDC_MAIN_STATUS), instance, nullptr);
    chat_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0, 0,
                            0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_MAIN_CHAT), instance, nullptr);
    input_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0,
                             0, 0, 0, hwnd_, reinterpret_cast<HMENU>(IDC_MAIN_INPUT), instance, nullptr);
    for (HWND child : {status_, chat_, input_})
        SendMessageW(child, WM_SETFONT, font, FALSE);
    SendMessageW(chat_, EM_SETLIMITTEXT, 0, 0);  // the default 32K characters would cut a long chat
    // Enter in the input line sends it: the edit is subclassed because the main window is no dialog.
    SetWindowLongPtrW(input_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    inputDefault_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(input_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InputProc)));
}

void MainWindow::OnSize(int width, int height) {
    MoveWindow(status_, 4, 0, width - 8, kStatusHeight, TRUE);
    MoveWindow(chat_, 0, kStatusHeight, width, height - kStatusHeight - kInputHeight, TRUE);
    MoveWindow(input_, 0, height - kInputHeight, width, kInputHeight, TRUE);
}

LRESULT CALLBACK MainWindow::InputProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_KEYDOWN && wParam == VK_RETURN) {
        self->OnInputEnter();
        return 0;
    }
    if (msg == WM_CHAR && wParam == '\r')
        return 0;  // no beep
    return CallWindowProcW(self->inputDefault_, hwnd, msg, wParam, lParam);
}

void MainWindow::OnInputEnter() {
    const std::string line = Narrow(WindowText(input_));
    SetWindowTextW(input_, L"");
    app_.OnInputLine(line);
}

// Commands from worldctl.exe and test programs: 1 accepted, 0 malformed or refused.
LRESULT MainWindow::OnCopyData(const COPYDATASTRUCT* data) {
    if (!data || data->dwData != kCopyDataTag || (data->cbData && !data->lpData))
        return 0;
    const std::string command =
        data->cbData ? std::string(static_cast<const char*>(data->lpData), data->cbData) : std::string();
    return app_.Control(command) ? 1 : 0;
}

}  // namespace worldsim
