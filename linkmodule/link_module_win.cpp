// link_module_win.cpp: the link module's Win32 side: the module variables, the operations the programs call,
// the library callbacks, and the platform interface (yields, clock, library, console window, message boxes,
// capture files, focus control through focus_win.cpp) that the portable operations in link_core.cpp run on. It
// notes requests that did not reach the world client, for the notice about other rights (link_rights_win.cpp).
#include "linkmodule/link_module_win.h"

#include <optional>
#include <utility>
#include <vector>

#include "common/file_io.h"
#include "common/support_log.h"
#include "linkmodule/console_window_win.h"
#include "linkmodule/focus_win.h"
#include "linkmodule/link_core.h"
#include "linkmodule/link_library_win.h"
#include "linkmodule/link_rights_win.h"
#include "linkmodule/notice_board.h"

namespace linkmodule {
namespace {

std::string gLibraryName = "zmvorq";

std::string TakeString(BSTR s) {
    std::string text = s ? std::string(reinterpret_cast<const char*>(s), SysStringByteLen(s)) : std::string();
    SysFreeString(s);
    return text;
}

// Modal to the program's active window; without one, to all of this thread's windows and above the programs'
// top-most main windows.
void ShowBox(const std::string& text, const std::string& caption, UINT icon) {
    HWND owner = GetActiveWindow();
    MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | icon | (owner ? 0 : MB_TASKMODAL | MB_TOPMOST));
}

// The acknowledgement and received-data boxes are shown from a message of the module's own (message-only)
// window, posted by the library's callback, rather than inside the callback. The callback thus answers the world
// client's poke at once: a modal box inside it would hold the world client's transaction for as long as the box
// is open, and under Wine a box opened while the library is inside a DDEML call leaves that call waiting for its
// full time-out after the box is closed (10 s measured). The box appears in the next yield, or in the program's
// own loop. Boxes still stack when several arrive while one is open, but the notice board keeps at most three
// open and folds the rest of a burst into one box per kind (notice_board.h).
constexpr UINT kShowNoticeMessage = WM_APP + 1;  // private to the notice window's class

NoticeBoard gBoard;
HWND gNoticeWindow = nullptr;

UINT IconFlags(MessageIcon icon) {
    return icon == MessageIcon::Information ? MB_ICONINFORMATION : 0;
}

// A WM_QUIT that a box's modal loop met is put back in the queue: the program is ending, and the boxes that
// still wait would each open and close at once.
bool QuitWaiting() {
    MSG msg;
    return QuitKept() || PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
}

// Opens the waiting boxes one after the other, each modal; a box that arrives meanwhile opens on top of it from
// its own posted message, while the board allows.
void ShowWaitingNotices() {
    while (!QuitWaiting()) {
        const std::optional<Notice> next = gBoard.NextToShow();
        if (!next)
            return;
        // Only the kind and, for a fold, how many: the text may hold another program's data.
        const size_t more = next->text.find("\r\n\r\n... and ");
        common::LogEvent("notice", std::string(next->caption == kAckCaption ? "acknowledgement" : "received data") +
                                       " box" + (more == std::string::npos ? "" : ", folded: " + next->text.substr(more + 4)));
        ShowBox(next->text, next->caption, IconFlags(next->icon));
        gBoard.Closed();
    }
}

LRESULT CALLBACK NoticeWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kShowNoticeMessage) {
        try {
            ShowWaitingNotices();
        } catch (...) {
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND NoticeWindow() {
    if (gNoticeWindow)
        return gNoticeWindow;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = NoticeWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ZM_DDE_Notices";
    RegisterClassExA(&wc);  // fails harmlessly when already registered
    gNoticeWindow =
        CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    return gNoticeWindow;
}

void PostNotice(const std::string& text, const std::string& caption, MessageIcon icon) {
    gBoard.Arrive({text, caption, icon});
    HWND window = NoticeWindow();
    if (!window || !PostMessageA(window, kShowNoticeMessage, 0, 0))
        ShowWaitingNotices();  // no window to post to: shown at once, as the callback's own box
}

// Top-level windows of this process first: "the program's own window" is meant, should another program have
// a window of the same title.
HWND FindWindowByTitle(const std::string& title) {
    struct Search {
        const std::string* title;
        DWORD process;
        HWND found;
    } search{&title, GetCurrentProcessId(), nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            DWORD process = 0;
            GetWindowThreadProcessId(hwnd, &process);
            if (process != s->process)
                return TRUE;
            char text[512];
            const int n = GetWindowTextA(hwnd, text, sizeof text);
            if (n >= 0 && s->title->size() == static_cast<size_t>(n) && lstrcmpiA(text, s->title->c_str()) == 0) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found ? search.found : FindWindowA(nullptr, title.c_str());
}

class WinLinkPort final : public LinkPort {
  public:
    void YieldEvents() override { linkmodule::YieldEvents(); }
    std::string ClockText() override {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return FormatClockText(now.wHour, now.wMinute, now.wSecond);
    }
    void WaitForEventOrNextSecond() override { linkmodule::WaitForEventOrNextSecond(); }

    std::uint64_t Milliseconds() override { return GetTickCount64(); }

    void LibraryInitDDE(const std::string& title) override {
        if (const LinkLibraryFunctions* lib = Library())
            lib->initDDE(title.c_str(), OnLinkAck, OnLinkReceive, OnLinkAllText);
    }
    void LibraryKillDDE() override {
        if (const LinkLibraryFunctions* lib = Library())
            lib->killDDE();
    }
    LinkOutcome LibraryRegister(const std::string& title) override {
        return LibraryCall([&](const LinkLibraryFunctions& lib) { lib.registerName(title.c_str()); });
    }
    LinkOutcome LibraryUnregister(const std::string& title) override {
        return LibraryCall([&](const LinkLibraryFunctions& lib) { lib.unregisterName(title.c_str()); });
    }
    LinkOutcome LibraryCommunicate(const std::string& title,
                                   int mode,
                                   const std::string& target,
                                   const std::string& text) override {
        return LibraryCall([&](const LinkLibraryFunctions& lib) {
            lib.communicate(title.c_str(), mode, target.c_str(), text.c_str());
        });
    }
    LinkOutcome LibraryGetAllText(const std::string& title) override {
        return LibraryCall([&](const LinkLibraryFunctions& lib) { lib.getAllText(title.c_str()); });
    }

    void OpenConsole() override { LinkConsole::Ensure(); }
    int ConsoleInstance() override {
        const LinkConsole* console = LinkConsole::Current();
        return console ? console->instance() : 0;
    }
    void CloseConsole() override { LinkConsole::CloseCurrent(); }
    std::string ConsoleText(ConsoleField field) override { return LinkConsole::Ensure().Text(field); }
    void SetConsoleText(ConsoleField field, const std::string& text) override {
        LinkConsole::Ensure().SetText(field, text);
    }
    void SetErrorCheck(bool checked) override { LinkConsole::Ensure().SetErrorCheck(checked); }
    void CloseConversation() override { LinkConsole::Ensure().CloseConversation(); }
    LinkOutcome OpenConversation(const std::string& service, const std::string& topic, int timeoutMs) override {
        return Noted(LinkConsole::Ensure().OpenConversation(service, topic, timeoutMs));
    }
    LinkOutcome Poke(const std::string& item, const std::string& text, int timeoutMs) override {
        return Noted(LinkConsole::Ensure().Poke(item, text, timeoutMs));
    }
    LinkOutcome Request(const std::string& item, int timeoutMs, std::string* reply) override {
        return Noted(LinkConsole::Ensure().Request(item, timeoutMs, reply));
    }
    // An empty title names no window (FindWindow would take any untitled one). A window the system will not bring
    // forward still counts as found: the request goes on, and our window flashes for the operator.
    bool ActivateWindow(const std::string& title) override {
        if (title.empty())
            return false;
        HWND window = FindWindowByTitle(title);
        if (!window)
            return false;
        HWND own = FindWindowByTitle(ApplicationTitle());
        DWORD process = 0;
        GetWindowThreadProcessId(own, &process);
        BringToFront(window, process == GetCurrentProcessId() ? own : nullptr);
        return true;
    }

    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
        PostNotice(text, caption, icon);
    }

    bool FileExists(const std::string& path) override {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool RemoveFile(const std::string& path) override { return DeleteFileA(path.c_str()) != 0; }
    // Written beside the file and renamed over it once whole: a reader never takes half a capture, and a crash or
    // a full disk leaves no torn file behind.
    bool WriteWholeFile(const std::string& path, const std::string& content) override {
        return common::ReplaceFileAtomically(path, content).ok;
    }
    std::string FallbackCapturePath() override {
        char folder[MAX_PATH + 1];
        const DWORD n = GetTempPathA(sizeof folder, folder);
        if (n == 0 || n >= sizeof folder)
            return std::string();
        std::string path(folder, n);
        if (path.back() != '\\' && path.back() != '/')
            path += '\\';
        return path + kCaptureFileName;
    }

    // Whether a request since the last call did not reach the world client (none there, or no answer).
    bool TakeUnreached() { return std::exchange(unreached_, false); }

  private:
    const LinkLibraryFunctions* Library();

    LinkOutcome Noted(LinkOutcome outcome) {
        if (outcome == LinkOutcome::NoServer || outcome == LinkOutcome::NoAnswer)
            unreached_ = true;
        return outcome;
    }
    bool unreached_ = false;

    // The library says what became of a request in the thread's last-error code, set last in the call.
    template <typename Call>
    LinkOutcome LibraryCall(Call call) {
        const LinkLibraryFunctions* lib = Library();
        if (!lib)
            return LinkOutcome::NoServer;
        SetLastError(ERROR_SUCCESS);
        call(*lib);
        switch (GetLastError()) {
            case ZMVORQ_ERROR_REFUSED:
            case ZMVORQ_ERROR_DROPPED:
                return LinkOutcome::Refused;
            case ZMVORQ_ERROR_NO_SERVER:
                return Noted(LinkOutcome::NoServer);
            case ZMVORQ_ERROR_NO_ANSWER:
                return Noted(LinkOutcome::NoAnswer);
            case ZMVORQ_ERROR_CANCELLED:
                return LinkOutcome::Cancelled;
            default:
                return LinkOutcome::Answered;  // a library that says nothing is taken at its word
        }
    }
};

WinLinkPort gPort;
LinkCore gCore(gPort);

const LinkLibraryFunctions* WinLinkPort::Library() {
    return BoundLinkLibrary(gLibraryName, gCore.ApplicationTitle());
}

// No exception leaves the module: an operation that runs out of memory ends there, as a lost request would.
template <typename F>
void Guarded(F f) {
    try {
        f();
    } catch (...) {
    }
}

}  // namespace

std::string& ClientWindowTitle = gCore.vars.ClientWindowTitle;
bool& FocusControl = gCore.vars.FocusControl;
bool& UseLibraryMethod = gCore.vars.UseLibraryMethod;
std::int16_t& SendDelaySeconds = gCore.vars.SendDelaySeconds;
std::string& EspTarget = gCore.vars.EspTarget;
std::string& AllText = gCore.vars.AllText;

void StartLinkModule(const LinkModuleOptions& options) {
    // The console's waits handle the program's messages as its yields do, and end at once when the program is
    // closing (a WM_QUIT kept by a yield, or the window closed).
    LinkConsole::Bind({[](ConsoleRequest request) { Guarded([=] { gCore.RunConsoleRequest(request); }); },
                       {YieldEvents, RequestsCancelled}});
    gCore.SetApplicationTitle(options.applicationTitle);
    gCore.SetWaitAfterKillDDE(options.libraryCloseWait == LibraryCloseWait::OneSecond);
    gLibraryName = options.libraryName;
}

const std::string& ApplicationTitle() {
    return gCore.ApplicationTitle();
}

void ReadLinkSettings() {
    Guarded([] { gCore.ApplyLinkSettings(ReadLinkSettingsFile(kSettingsFileName)); });
}

void WaitSeconds(const std::int16_t& count) {
    const std::int16_t changes = count;  // read once: a handler inside the wait may change the caller's variable
    Guarded([&] { gCore.WaitSeconds(changes); });
}

void PinOnTop(HWND window) {
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void OpenLink() {
    Guarded([] { gCore.OpenLink(); });
}

void CloseLink() {
    Guarded([] { gCore.CloseLink(); });
}

// The text is copied first: the caller's string may be changed by a handler running inside the yields.
void SayText(const std::string& text) {
    Guarded([&] { gCore.SayText(std::string(text)); });
}

void EspText(const std::string& text) {
    Guarded([&] { gCore.EspText(std::string(text)); });
}

void FetchAllText() {
    Guarded([] { gCore.FetchAllText(); });
}

void BeginCommand() {
    gCore.BeginCommand();
    gPort.TakeUnreached();
}

// Only after a failure, and only when the world's window is open: there is nothing to tell while the link works.
std::string WorldRightsMessage() {
    std::string message;
    Guarded([&] {
        if (gPort.TakeUnreached())
            message = DifferentRightsMessage(gCore.vars.ClientWindowTitle);
    });
    return message;
}

void CancelRequests() {
    gCore.CancelRequests();
}

bool RequestsCancelled() {
    return gCore.Cancelled();
}

std::string EndCommand() {
    std::string message;
    Guarded([&] { message = gCore.EndCommand(); });
    const std::string rights = WorldRightsMessage();
    if (!rights.empty())
        message = message.empty() ? rights : message + "\r\n\r\n" + rights;
    return message;
}

std::string CapturePath() {
    return gCore.CapturePath();
}

void DdeLinkRegister() {
    Guarded([] { gCore.RunConsoleRequest(ConsoleRequest::Register); });
}

void DdeLinkUnregister() {
    Guarded([] { gCore.RunConsoleRequest(ConsoleRequest::Unregister); });
}

void DdeLinkCommunicate() {
    Guarded([] { gCore.RunConsoleRequest(ConsoleRequest::Communicate); });
}

void DdeLinkGetAllText() {
    Guarded([] { gCore.RunConsoleRequest(ConsoleRequest::GetAllText); });
}

LONG WINAPI OnLinkAck(BSTR code) {
    Guarded([&] { gCore.OnLinkAck(TakeString(code)); });
    return 0;
}

LONG WINAPI OnLinkReceive(BSTR sender, LONG /*length: not used*/, BSTR data) {
    Guarded([&] {
        const std::string from = TakeString(sender);
        gCore.OnLinkReceive(from, TakeString(data));
    });
    return 0;
}

LONG WINAPI OnLinkAllText(BSTR text) {
    Guarded([&] { gCore.OnLinkAllText(TakeString(text)); });
    return 0;
}

HWND ConsoleWindowHandle() {
    const LinkConsole* console = LinkConsole::Current();
    return console ? console->hwnd() : nullptr;
}

bool LinkLibraryWasLoaded() {
    return LinkLibraryLoaded();
}

}  // namespace linkmodule
