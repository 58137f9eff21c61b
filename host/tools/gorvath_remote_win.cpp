// gorvath_remote_win.cpp: driving Gorvath.exe from another process (see gorvath_remote_win.h).
#include "host/tools/gorvath_remote_win.h"

#include <algorithm>
#include <set>

#include "host/host_ids.h"
#include "host/host_window_layout.h"
#include "host/maintenance_layout.h"
#include "host/season_layout.h"
#include "host/test_hook.h"

namespace hostremote {
namespace {

constexpr DWORD kSendTimeoutMs = 5000;

std::wstring Wide(const std::string& text) {
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int n =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

LRESULT SendW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result))
        return -1;
    return static_cast<LRESULT>(result);
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid, const char* className, const char* caption) {
    struct Search {
        DWORD pid;
        const char* className;
        const char* caption;
        std::vector<HWND> found;
    } search{pid, className, caption, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            char cls[64] = {};
            GetClassNameA(hwnd, cls, sizeof cls);
            if ((s->pid == 0 || owner == s->pid) && lstrcmpiA(cls, s->className) == 0 &&
                (!s->caption || WindowText(hwnd) == s->caption))
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)),
                                  QS_ALLINPUT);
    }
}

std::string WindowText(HWND hwnd) {
    wchar_t buffer[8192] = {};
    DWORD_PTR got = 0;
    if (!hwnd || !SendMessageTimeoutW(hwnd, WM_GETTEXT, sizeof buffer / sizeof buffer[0],
                                      reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, kSendTimeoutMs, &got))
        return {};
    return Narrow(std::wstring(buffer, std::min<size_t>(got, sizeof buffer / sizeof buffer[0])));
}

Gorvath::Gorvath(const std::string& exe, const std::string& folder) {
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process_)) {
        error_ = "cannot start " + exe + " in " + folder + " (error " + std::to_string(GetLastError()) + ")";
        return;
    }
    processHandle_ = process_.hProcess;
    pid_ = process_.dwProcessId;
    FindWindowOfProcess(20000);
}

Gorvath::Gorvath(DWORD timeoutMs) {
    WaitUntil(
        [&] {
            HWND hwnd = FindWindowA(host::kHostClassName, host::kHostCaption);
            if (hwnd && IsWindowVisible(hwnd))
                GetWindowThreadProcessId(hwnd, &pid_);
            return pid_ != 0;
        },
        timeoutMs);
    if (!pid_) {
        error_ = "no Gorvath window";
        return;
    }
    processHandle_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pid_);
    FindWindowOfProcess(timeoutMs);
}

bool Gorvath::FindWindowOfProcess(DWORD timeoutMs) {
    WaitUntil(
        [&] {
            // A box the start-up shows before the window (a notice that arrived while it opened the link) stands
            // for it: the window is shown once the box is answered.
            bool boxShown = false;
            for (HWND box : TopLevelWindows(pid_, "#32770"))
                boxShown = boxShown || IsWindowVisible(box);
            for (HWND hwnd : TopLevelWindows(pid_, host::kHostClassName, host::kHostCaption)) {
                if (IsWindowVisible(hwnd) || boxShown)
                    window_ = hwnd;
            }
            return window_ != nullptr || Exited();
        },
        timeoutMs);
    hook_ = RegisterWindowMessageA(host::kTestHookMessage);
    if (!window_)
        error_ = "no visible \"Tumbleroo\" window from process " + std::to_string(pid_);
    return window_ != nullptr;
}

Gorvath::~Gorvath() {
    if (processHandle_ && !Exited() && !Close(20000)) {
        TerminateProcess(processHandle_, 99);
        WaitForSingleObject(processHandle_, 5000);
    }
    if (process_.hThread)
        CloseHandle(process_.hThread);
    if (processHandle_)
        CloseHandle(processHandle_);
}

void Gorvath::Post(int id) const {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
}

bool Gorvath::Run(int id, DWORD timeoutMs) const {
    const unsigned long before = CommandsDone();
    Post(id);
    return WaitUntil([&] { return CommandsDone() > before; }, timeoutMs);
}

unsigned long Gorvath::Query(unsigned query) const {
    return static_cast<unsigned long>(SendW(window_, hook_, query, 0));
}

bool Gorvath::Busy() const {
    return Query(host::kHookBusy) == 1;
}

COLORREF Gorvath::Background() const {
    return static_cast<COLORREF>(Query(host::kHookBackground));
}

unsigned long Gorvath::CommandsDone() const {
    return Query(host::kHookCommandsDone);
}

unsigned long Gorvath::CommandsRefused() const {
    return Query(host::kHookCommandsRefused);
}

HWND Gorvath::Control(int id) const {
    HWND control = GetDlgItem(window_, id);
    if (!control)
        control = GetDlgItem(GetDlgItem(window_, IDC_HOST_MACROFRAME), id);
    return control;
}

std::string Gorvath::Text(int id) const {
    return WindowText(Control(id));
}

void Gorvath::SetText(int id, const std::string& text) const {
    const std::wstring wide = Wide(text);
    SendW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

bool Gorvath::Visible(int id) const {
    return IsWindowVisible(Control(id)) != FALSE;
}

HWND Gorvath::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

void Gorvath::PressKey(UINT vk) const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info);
    HWND target = info.hwndFocus ? info.hwndFocus : info.hwndActive;
    if (!target)
        target = window_;
    const bool alt = vk == VK_MENU;
    const auto scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    const LPARAM altDown = alt ? LPARAM{1} << 29 : 0;  // the context bit: Alt held
    const LPARAM released = (LPARAM{1} << 30) | (LPARAM{1} << 31);
    PostMessageW(target, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, 1 | scan | altDown);
    PostMessageW(target, alt ? WM_SYSKEYUP : WM_KEYUP, vk, 1 | scan | altDown | released);
}

int Gorvath::ShiftTab() const {
    return static_cast<int>(SendW(window_, hook_, host::kHookShiftTab, 0));
}

bool Gorvath::InMenuMode() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) && (info.flags & GUI_INMENUMODE);
}

HWND Gorvath::Maintenance() const {
    const auto found = TopLevelWindows(pid_, host::kMaintenanceClassName, host::kMaintenanceCaption);
    return found.empty() ? nullptr : found.front();
}

HWND Gorvath::Season() const {
    const auto found = TopLevelWindows(pid_, host::kSeasonClassName, host::kSeasonCaption);
    return found.empty() ? nullptr : found.front();
}

std::vector<std::string> Gorvath::ListItems(int listId) const {
    return ListItems(Maintenance(), listId);
}

std::vector<std::string> Gorvath::ListItems(HWND window, int listId) const {
    std::vector<std::string> items;
    HWND list = GetDlgItem(window, listId);
    const LRESULT count = SendW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0)
            break;
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT got = SendW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
        items.push_back(Narrow(text));
    }
    return items;
}

int Gorvath::ListSelection(int listId) const {
    return static_cast<int>(SendW(GetDlgItem(Maintenance(), listId), LB_GETCURSEL, 0, 0));
}

bool Gorvath::MaintenanceVisible(int id) const {
    return IsWindowVisible(GetDlgItem(Maintenance(), id)) != FALSE;
}

// Sent, not posted: the maintenance window has handled it when this returns, also while the HostWindow is busy.
void Gorvath::SelectInMaintenance(int listId, int index) const {
    HWND maintenance = Maintenance();
    HWND list = GetDlgItem(maintenance, listId);
    SendW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendW(maintenance, WM_COMMAND, MAKEWPARAM(listId, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void Gorvath::ClickInMaintenance(int id) const {
    HWND maintenance = Maintenance();
    SendW(maintenance, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(maintenance, id)));
}

std::optional<MessageBoxSeen> Gorvath::WaitForMessageBox(DWORD timeoutMs) const {
    std::optional<MessageBoxSeen> seen;
    WaitUntil(
        [&] {
            for (HWND box : TopLevelWindows(pid_, "#32770")) {
                if (IsWindowVisible(box)) {
                    seen = MessageBoxSeen{box, WindowText(box), WindowText(GetDlgItem(box, 0xFFFF))};
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return seen;
}

void Gorvath::Answer(const MessageBoxSeen& box, int button) {
    PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    // Gone once the program has handled the answer; a later box must not be taken for this one.
    WaitUntil([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, 5000);
}

bool Gorvath::Close(DWORD timeoutMs) {
    if (window_)
        PostMessageW(window_, WM_CLOSE, 0, 0);
    return WaitForExit(timeoutMs);
}

bool Gorvath::WaitForExit(DWORD timeoutMs) const {
    return WaitUntil([&] { return Exited(); }, timeoutMs);
}

bool Gorvath::Exited() const {
    return !processHandle_ || WaitForSingleObject(processHandle_, 0) == WAIT_OBJECT_0;
}

}  // namespace hostremote
