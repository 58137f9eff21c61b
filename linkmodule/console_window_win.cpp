// console_window_win.cpp: the hidden console window ZM_DDE and the DDE client conversation it holds.
//
// The console link is a DDE client conversation owned by the window (common/dde_client_win.h), opened by "link
// mode 2" on service and topic, kept open until the next console request closes it ("link mode 0") or the window
// closes. Every wait (finding the world client, a poke, a request) has the deadline the link core gives, and the
// program's messages keep being handled meanwhile: a hung program elsewhere on the desktop or a stalled world
// client never holds the window.
#include "linkmodule/console_window_win.h"

#include <vector>

#include "common/controls_win.h"
#include "linkmodule/console_layout.h"

namespace linkmodule {
namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

LinkConsole* gConsole = nullptr;
ConsoleBinding gBinding;

void RunRequest(ConsoleRequest request) {
    if (gBinding.runRequest)
        gBinding.runRequest(request);
}

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

LinkOutcome OutcomeOf(win::DdeOutcome outcome) {
    switch (outcome) {
        case win::DdeOutcome::Answered:
            return LinkOutcome::Answered;
        case win::DdeOutcome::Refused:
            return LinkOutcome::Refused;
        case win::DdeOutcome::NoServer:
            return LinkOutcome::NoServer;
        case win::DdeOutcome::NoAnswer:
            return LinkOutcome::NoAnswer;
        case win::DdeOutcome::Cancelled:
            return LinkOutcome::Cancelled;
    }
    return LinkOutcome::Refused;
}

// How long hanging up waits for the world client's own WM_DDE_TERMINATE (it comes at once from a live one).
constexpr DWORD kHangUpWaitMs = 250;

}  // namespace

LinkConsole* LinkConsole::Current() {
    return gConsole;
}

void LinkConsole::Bind(const ConsoleBinding& binding) {
    gBinding = binding;
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
    conversation_.reset();  // hangs up without waiting: the window is going
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

// Calls that wait on the conversation, with a close of the window held off until the call is over.
template <typename Call>
auto LinkConsole::DdeCall(Call call) {
    ++ddeCallDepth_;
    auto result = call();
    --ddeCallDepth_;
    if (closePending_ && ddeCallDepth_ == 0 && hwnd_) {
        closePending_ = false;
        PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    }
    return result;
}

// A conversation that a call further down the stack still waits on (a request started inside that wait closes the
// link) is only let go of here: hung up under the wait, its poke would read as refused although the world client
// may take it a moment later, and the retry would speak the line twice. The waiting call ends it once its wait is
// over (HangUpIfLetGo).
void LinkConsole::CloseConversation() {
    CallScope scope(*this);
    // A request started inside the hang-up may open a conversation of its own: that one is then current.
    while (conversation_) {
        const std::shared_ptr<win::DdeClientConversation> conversation = std::move(conversation_);
        if (conversation.use_count() > 1)
            continue;  // held by a waiting call
        DdeCall([&] {
            conversation->Disconnect(kHangUpWaitMs);
            return 0;
        });
    }
}

// After a wait on `conversation`: when a request started meanwhile let it go and nobody else holds it, it is ended.
void LinkConsole::HangUpIfLetGo(const std::shared_ptr<win::DdeClientConversation>& conversation) {
    if (conversation == conversation_ || conversation.use_count() > 1)
        return;
    DdeCall([&] {
        conversation->Disconnect(kHangUpWaitMs);
        return 0;
    });
}

LinkOutcome LinkConsole::OpenConversation(const std::string& service, const std::string& topic, int timeoutMs) {
    CallScope scope(*this);
    CloseConversation();
    if (retired_)
        return LinkOutcome::Cancelled;
    auto opened = std::make_shared<win::DdeClientConversation>(gBinding.waitHooks);
    const win::DdeOutcome outcome =
        DdeCall([&] { return opened->Connect(service, topic, static_cast<DWORD>(timeoutMs)); });
    // A request that ran inside the connect (from a message handled meanwhile) left its own conversation open;
    // this request goes on with the one it opened, so the other is ended rather than overwritten.
    CloseConversation();
    if (retired_)
        return LinkOutcome::Cancelled;  // closed meanwhile: the conversation ends with the console
    if (outcome != win::DdeOutcome::Answered)
        return OutcomeOf(outcome);
    conversation_ = std::move(opened);
    return LinkOutcome::Answered;
}

// The text and its NUL, as CF_TEXT. Anything but an accepting answer is a link failure.
LinkOutcome LinkConsole::Poke(const std::string& item, const std::string& text, int timeoutMs) {
    CallScope scope(*this);
    if (!conversation_)
        return LinkOutcome::NoServer;
    const std::shared_ptr<win::DdeClientConversation> conversation = conversation_;
    const win::DdeOutcome outcome = DdeCall(
        [&] { return conversation->Poke(item, text.c_str(), text.size() + 1, static_cast<DWORD>(timeoutMs)); });
    HangUpIfLetGo(conversation);
    return OutcomeOf(outcome);
}

// The reply up to its first NUL.
LinkOutcome LinkConsole::Request(const std::string& item, int timeoutMs, std::string* reply) {
    CallScope scope(*this);
    reply->clear();
    if (!conversation_)
        return LinkOutcome::NoServer;
    const std::shared_ptr<win::DdeClientConversation> conversation = conversation_;
    std::string bytes;
    const win::DdeOutcome outcome =
        DdeCall([&] { return conversation->Request(item, static_cast<DWORD>(timeoutMs), &bytes); });
    HangUpIfLetGo(conversation);
    if (outcome != win::DdeOutcome::Answered)
        return OutcomeOf(outcome);
    if (const size_t nul = bytes.find('\0'); nul != std::string::npos)
        bytes.resize(nul);
    *reply = std::move(bytes);
    return LinkOutcome::Answered;
}

// One handler per button; each runs exactly one console request, through the link that owns the console.
void LinkConsole::OnRegisterClicked() {
    RunRequest(ConsoleRequest::Register);
}
void LinkConsole::OnCommunicateClicked() {
    RunRequest(ConsoleRequest::Communicate);
}
void LinkConsole::OnGetAllTextClicked() {
    RunRequest(ConsoleRequest::GetAllText);
}
void LinkConsole::OnUnregisterClicked() {
    RunRequest(ConsoleRequest::Unregister);
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
    if (!active) {
        if (const HWND focus = win::FocusWithin(hwnd_))
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
