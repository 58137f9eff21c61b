// console_window_win.cpp: the hidden console window ZM_DDE and the DDE client conversation it holds.
//
// The console link is a DDEML client conversation owned by the window: its own client-only DDEML instance,
// opened by "link mode 2" on service and topic, kept open until the next console request closes it ("link
// mode 0") or the window closes. Every transaction waits at most kTransactionTimeoutMs: long enough for a
// world client that is busy drawing its chat, short enough that five failed attempts end within half a minute.
#include "linkmodule/console_window_win.h"

#include <vector>

#include "common/controls_win.h"
#include "common/dde_wake_win.h"
#include "linkmodule/console_layout.h"
#include "linkmodule/link_module_win.h"

namespace linkmodule {
namespace {

constexpr DWORD kTransactionTimeoutMs = 5000;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

LinkConsole* gConsole = nullptr;

struct FieldControl {
    ConsoleField field;
    int id;
};
constexpr FieldControl kFieldControls[] = {
    {ConsoleField::CommMode, IDC_ZM_DDE_COMM_MODE},
    {ConsoleField::AvatarName, IDC_ZM_DDE_AVATAR_NAME},
    {ConsoleField::CommText, IDC_ZM_DDE_COMM_TEXT},
    {ConsoleField::Text1, IDC_ZM_DDE_TEXT1},
};

int ControlOf(ConsoleField field) {
    for (const auto& f : kFieldControls)
        if (f.field == field)
            return f.id;
    return 0;
}

// A client-only instance is told nothing the console needs to answer.
HDDEDATA CALLBACK ConsoleDdeCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// String handles of one call, freed when it ends.
class StringHandle {
  public:
    StringHandle(DWORD instance, const std::string& text)
        : instance_(instance), hsz_(DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI)) {}
    ~StringHandle() {
        if (hsz_)
            DdeFreeStringHandle(instance_, hsz_);
    }
    StringHandle(const StringHandle&) = delete;
    StringHandle& operator=(const StringHandle&) = delete;
    HSZ get() const { return hsz_; }

  private:
    DWORD instance_;
    HSZ hsz_;
};

}  // namespace

LinkConsole* LinkConsole::Current() {
    return gConsole;
}

LinkConsole& LinkConsole::Ensure() {
    if (!gConsole)
        gConsole = new LinkConsole();
    return *gConsole;
}

// A console closed while one of its own DDEML calls is on the stack (a message handled inside the call reached
// CloseLink, a reconnect or a close) is let go at once, so that the next request makes a new one, and destroyed
// when the call has returned.
void LinkConsole::CloseCurrent() {
    LinkConsole* console = gConsole;
    if (!console)
        return;
    if (console->ddeCallDepth_ > 0 || console->publicCallDepth_ > 0) {
        console->Retire();
        return;
    }
    if (console->hwnd_)
        DestroyWindow(console->hwnd_);  // WM_NCDESTROY deletes the object
    else
        delete console;
}

void LinkConsole::Retire() {
    retired_ = true;
    if (gConsole == this)
        gConsole = nullptr;
}

// The outermost public call of a console that was retired meanwhile ends it on the way out. Declared first in
// each of those calls, so that it runs after everything else of the call.
class LinkConsole::CallScope {
  public:
    explicit CallScope(LinkConsole& console) : console_(console) { ++console_.publicCallDepth_; }
    ~CallScope() {
        if (--console_.publicCallDepth_ > 0 || !console_.retired_ || console_.ddeCallDepth_ > 0)
            return;
        if (console_.hwnd_)
            DestroyWindow(console_.hwnd_);  // WM_NCDESTROY deletes the object
        else
            delete &console_;
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

  private:
    LinkConsole& console_;
};

// Without a window (class or window creation failed) the console still carries its fields and its link:
// only the display is missing.
LinkConsole::LinkConsole() {
    static int made = 0;
    instance_ = ++made;
    DWORD instance = 0;
    if (DdeInitializeA(&instance, ConsoleDdeCallback, APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS, 0) ==
        DMLERR_NO_ERROR)
        ddeInstance_ = instance;

    HINSTANCE module = GetModuleHandleA(nullptr);
    static ATOM atom = 0;
    if (!atom) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = module;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kConsoleClassName;
        atom = RegisterClassExA(&wc);
    }
    if (!atom)
        return;

    const win::Dpi dpi = win::ScreenDpi();
    const SIZE size =
        win::WindowSizeForClient(kConsoleClientWidthTwips, kConsoleClientHeightTwips, kWindowStyle, false, 0, dpi);
    font_ = win::CreateUiFont(kConsoleFontHundredthsOfPoint, true, dpi);
    // Created hidden: no operation of either program shows it.
    CreateWindowExA(0, kConsoleClassName, kConsoleCaption, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx, size.cy,
                    nullptr, nullptr, module, this);
    if (hwnd_) {
        win::CreateControls(hwnd_, ConsoleControls(), font_, dpi);
        win::LetTabLeave(GetDlgItem(hwnd_, IDC_ZM_DDE_COMM_TEXT));
    }
}

LinkConsole::~LinkConsole() {
    if (gConsole == this)
        gConsole = nullptr;
    if (ddeInstance_) {
        win::DdeCallGuard wake;
        if (conversation_)
            DdeDisconnect(conversation_);
        DdeUninitialize(ddeInstance_);
    }
    if (font_)
        DeleteObject(font_);
}

void LinkConsole::ShowField(ConsoleField field) {
    if (!hwnd_)
        return;
    showingText_ = true;
    SetDlgItemTextA(hwnd_, ControlOf(field), fields_[Index(field)].c_str());
    showingText_ = false;
}

void LinkConsole::SetText(ConsoleField field, const std::string& text) {
    fields_[Index(field)] = text;
    ShowField(field);
}

void LinkConsole::SetErrorCheck(bool checked) {
    if (hwnd_)
        CheckDlgButton(hwnd_, IDC_ZM_DDE_ERROR_CHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}

// What the user types into a field becomes the field's text, as the buttons use whatever the fields hold.
void LinkConsole::OnFieldEdited(ConsoleField field, int id) {
    if (showingText_ || !hwnd_)
        return;
    HWND control = GetDlgItem(hwnd_, id);
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    fields_[Index(field)] = std::move(text);
}

// DDEML calls: each one inside a wake guard (Wine's DDEML otherwise stalls when the world client connects back
// meanwhile), and with a close of the window held off until the call is over.
template <typename Call>
auto LinkConsole::DdeCall(Call call) {
    ++ddeCallDepth_;
    auto result = [&] {
        win::DdeCallGuard wake;
        return call();
    }();
    --ddeCallDepth_;
    if (closePending_ && ddeCallDepth_ == 0 && hwnd_) {
        closePending_ = false;
        PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    }
    return result;
}

void LinkConsole::CloseConversation() {
    CallScope scope(*this);
    // A request started inside the disconnect may open a conversation of its own: that one is then current.
    while (conversation_) {
        HCONV conversation = conversation_;
        conversation_ = nullptr;
        DdeCall([&] { return DdeDisconnect(conversation); });
    }
}

bool LinkConsole::OpenConversation(const std::string& service, const std::string& topic) {
    CallScope scope(*this);
    CloseConversation();
    if (!ddeInstance_ || retired_)
        return false;
    StringHandle hszService(ddeInstance_, service);
    StringHandle hszTopic(ddeInstance_, topic);
    if (!hszService.get() || !hszTopic.get())
        return false;
    const HCONV opened = DdeCall([&] { return DdeConnect(ddeInstance_, hszService.get(), hszTopic.get(), nullptr); });
    // A request that ran inside the connect (from a message handled meanwhile) left its own conversation open;
    // this request goes on with the one it opened, so the other is ended rather than overwritten and leaked.
    CloseConversation();
    conversation_ = opened;
    if (retired_)
        return false;  // closed meanwhile: the conversation ends with the console
    return conversation_ != nullptr;
}

// The text and its NUL, as CF_TEXT. A refusal or a time-out is a link failure.
bool LinkConsole::Poke(const std::string& item, const std::string& text) {
    CallScope scope(*this);
    if (!conversation_)
        return false;
    StringHandle hszItem(ddeInstance_, item);
    if (!hszItem.get())
        return false;
    DWORD result = 0;
    const HDDEDATA done = DdeCall([&] {
        return DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(text.c_str())),
                                    static_cast<DWORD>(text.size() + 1), conversation_, hszItem.get(), CF_TEXT,
                                    XTYP_POKE, kTransactionTimeoutMs, &result);
    });
    // A refusal comes back as success under Wine, with the server's negative answer only in `result`.
    return done != nullptr && (result & DDE_FACK) != 0;
}

// The reply up to its first NUL. No reply (refused, timed out) is a link failure.
std::optional<std::string> LinkConsole::Request(const std::string& item) {
    CallScope scope(*this);
    if (!conversation_)
        return std::nullopt;
    StringHandle hszItem(ddeInstance_, item);
    if (!hszItem.get())
        return std::nullopt;
    DWORD result = 0;
    const HDDEDATA reply = DdeCall([&] {
        return DdeClientTransaction(nullptr, 0, conversation_, hszItem.get(), CF_TEXT, XTYP_REQUEST,
                                    kTransactionTimeoutMs, &result);
    });
    if (!reply)
        return std::nullopt;
    const DWORD size = DdeGetData(reply, nullptr, 0, 0);
    std::vector<char> bytes(size);
    if (size)
        DdeGetData(reply, reinterpret_cast<LPBYTE>(bytes.data()), size, 0);
    DdeFreeDataHandle(reply);
    std::string text(bytes.begin(), bytes.end());
    if (const size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

// One handler per button; each runs exactly one console request.
void LinkConsole::OnRegisterClicked() {
    DdeLinkRegister();
}
void LinkConsole::OnCommunicateClicked() {
    DdeLinkCommunicate();
}
void LinkConsole::OnGetAllTextClicked() {
    DdeLinkGetAllText();
}
void LinkConsole::OnUnregisterClicked() {
    DdeLinkUnregister();
}

// Enter presses the focused button, as in a dialog; elsewhere (a one-line field) it does nothing.
void LinkConsole::OnEnter() {
    const HWND focus = GetFocus();
    if (!focus || GetParent(focus) != hwnd_)
        return;
    switch (GetDlgCtrlID(focus)) {
        case IDC_ZM_DDE_REGISTER:
        case IDC_ZM_DDE_COMMUNICATE:
        case IDC_ZM_DDE_GET_ALL_TEXT:
        case IDC_ZM_DDE_UNREGISTER:
            SendMessageA(focus, BM_CLICK, 0, 0);
            break;
    }
}

// As a dialog does: the control that had the focus gets it back when the window is active again, the first
// field when there was none.
void LinkConsole::OnActivate(bool active) {
    const HWND focus = GetFocus();
    if (!active) {
        if (focus && IsChild(hwnd_, focus))
            lastFocus_ = focus;
        return;
    }
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_))
        SetFocus(lastFocus_);
    else if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE))
        SetFocus(first);
}

void LinkConsole::OnCommand(int id, int code) {
    switch (id) {
        case IDOK:
            OnEnter();
            break;
        case IDC_ZM_DDE_REGISTER:
            if (code == BN_CLICKED)
                OnRegisterClicked();
            break;
        case IDC_ZM_DDE_COMMUNICATE:
            if (code == BN_CLICKED)
                OnCommunicateClicked();
            break;
        case IDC_ZM_DDE_GET_ALL_TEXT:
            if (code == BN_CLICKED)
                OnGetAllTextClicked();
            break;
        case IDC_ZM_DDE_UNREGISTER:
            if (code == BN_CLICKED)
                OnUnregisterClicked();
            break;
        case IDC_ZM_DDE_COMM_MODE:
            if (code == EN_CHANGE)
                OnFieldEdited(ConsoleField::CommMode, id);
            break;
        case IDC_ZM_DDE_AVATAR_NAME:
            if (code == EN_CHANGE)
                OnFieldEdited(ConsoleField::AvatarName, id);
            break;
        case IDC_ZM_DDE_COMM_TEXT:
            if (code == EN_CHANGE)
                OnFieldEdited(ConsoleField::CommText, id);
            break;
        case IDC_ZM_DDE_TEXT1:
            if (code == EN_CHANGE)
                OnFieldEdited(ConsoleField::Text1, id);
            break;
    }
}

// A close asked for while a DDEML call of this window is running (a peer's sent message) waits for the call.
void LinkConsole::OnClose() {
    if (ddeCallDepth_ > 0) {
        closePending_ = true;
        return;
    }
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK LinkConsole::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    try {
        if (msg == WM_NCCREATE) {
            auto* self = static_cast<LinkConsole*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<LinkConsole*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        switch (msg) {
            case WM_COMMAND:
                // The request may close this very window in one of its yields: nothing touches `self` after it.
                self->OnCommand(LOWORD(wParam), HIWORD(wParam));
                return 0;
            case WM_CLOSE:
                self->OnClose();
                return 0;
            case WM_ACTIVATE:
                self->OnActivate(LOWORD(wParam) != WA_INACTIVE);
                return 0;
            case WM_NCDESTROY:
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                self->hwnd_ = nullptr;
                // Destroyed from outside while one of its calls is running: the call's scope deletes it.
                if (self->publicCallDepth_ > 0 || self->ddeCallDepth_ > 0)
                    self->Retire();
                else
                    delete self;
                return DefWindowProcA(hwnd, msg, wParam, lParam);
        }
    } catch (...) {
        // A failure inside a handler (out of memory) ends that handler only.
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace linkmodule
