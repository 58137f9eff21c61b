// world_harness_win.cpp: running the stand-in world client from Wine tests (see world_harness_win.h).
#include "testing/world_harness_win.h"

#include "worldsim/protocol.h"
#include "worldsim/transcript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

namespace testwin {
namespace {

// One argument as CommandLineToArgvW reads it back: quotes around it, backslashes doubled before a quote.
std::string Quote(const std::string& arg) {
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

struct FindContext {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindWorldWindow(HWND hwnd, LPARAM param) {
    auto* ctx = reinterpret_cast<FindContext*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char className[64] = {}, title[64] = {};
    GetClassNameA(hwnd, className, sizeof className);
    GetWindowTextA(hwnd, title, sizeof title);
    if (pid == ctx->pid && className == worldsim::kWindowClass && title == worldsim::kWindowTitle) {
        ctx->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

void DrainMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}


std::string Narrow(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// Visible message boxes of the processes `wanted` takes, in z-order.
std::vector<HWND> BoxesWhere(bool (*wanted)(DWORD pid, DWORD param), DWORD param) {
    struct Search {
        bool (*wanted)(DWORD, DWORD);
        DWORD param;
        std::vector<HWND> found;
    } search{wanted, param, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM p) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            char className[16] = {};
            GetClassNameA(hwnd, className, sizeof className);
            if (s->wanted(pid, s->param) && std::string(className) == "#32770" && IsWindowVisible(hwnd))
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::string Said(const std::string& text) {
    return std::string(kMe) + ": " + text;
}

// Text of a window of another thread: WM_GETTEXT with a time-out, so a busy window cannot hang the caller. The wide
// message: the 8-bit one comes back as UTF-16 across processes under Wine.
std::string WindowText(HWND hwnd, DWORD timeoutMs) {
    wchar_t buffer[8192] = {};
    DWORD_PTR got = 0;
    if (!hwnd || !SendMessageTimeoutW(hwnd, WM_GETTEXT, sizeof buffer / sizeof buffer[0],
                                      reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, timeoutMs, &got))
        return {};
    return Narrow(std::wstring(buffer, std::min<size_t>(got, sizeof buffer / sizeof buffer[0])));
}

std::vector<HWND> MessageBoxes(DWORD pid) {
    return BoxesWhere([](DWORD owner, DWORD wanted) { return owner == wanted; }, pid);
}

std::vector<HWND> MessageBoxesOfOthers() {
    return BoxesWhere([](DWORD owner, DWORD self) { return owner != self; }, GetCurrentProcessId());
}

// Opened with every sharing flag, so a file that its writer still holds open (the transcript, a file being
// replaced) can be read at any moment.
std::optional<std::string> ReadFileShared(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

std::string BinaryDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

bool StartProcess(const std::string& exe, const std::vector<std::string>& args, PROCESS_INFORMATION* process,
                  const std::string& folder, const char* environment, std::string* error) {
    std::string commandLine = Quote(exe);
    for (const auto& arg : args)
        commandLine += " " + Quote(arg);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    *process = {};
    // Wine's CreateProcess, under load after a kill, now and then fails with an internal error a second try does not.
    DWORD code = ERROR_INTERNAL_ERROR;
    for (int attempt = 0; attempt < 3 && code == ERROR_INTERNAL_ERROR; PumpFor(100), ++attempt) {
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, const_cast<char*>(environment),
                           folder.empty() ? nullptr : folder.c_str(), &startup, process))
            return true;
        code = GetLastError();
    }
    if (error)
        *error = "cannot start " + commandLine + (folder.empty() ? "" : " in " + folder) + " (error " +
                 std::to_string(code) + ")";
    *process = {};
    return false;
}

int RunAndWait(const std::string& exe, const std::vector<std::string>& args, DWORD timeoutMs) {
    PROCESS_INFORMATION process = {};
    if (!StartProcess(exe, args, &process))
        return -1;
    int result = -1;
    if (PumpUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs)) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result = static_cast<int>(code);
    } else {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return result;
}

size_t CommittedPrivateBytes() {
    return CommittedPrivateBytes(GetCurrentProcess());
}

size_t CommittedPrivateBytes(HANDLE process) {
    size_t total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* at = nullptr; VirtualQueryEx(process, at, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= at)
            break;
        at = next;
    }
    return total;
}

void PumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        DrainMessages();
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        DrainMessages();
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 10)),
                                  QS_ALLINPUT);
    }
}

WorldKind WorldKindOfThisRun() {
    const auto variable = [](const char* name) {
        char value[MAX_PATH] = {};
        const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
        return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
    };
    WorldKind kind{variable("TUMBLEROO_TEST_WORLD_EXE"), variable("TUMBLEROO_TEST_WORLD_DDE")};
    if (!kind.exe.empty() && kind.exe[0] == '/')
        kind.exe = "Z:" + kind.exe;
    return kind;
}

WorldProcess::WorldProcess(std::vector<std::string> extraArgs) {
    static int counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    directory_ = std::string(temp) + "worldsim-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++counter) + "-" + std::to_string(GetTickCount64());
    CreateDirectoryA(directory_.c_str(), nullptr);
    transcriptPath_ = directory_ + "\\worldsim.log";

    extraArgs.insert(extraArgs.begin(), {"--transcript", transcriptPath_});
    const WorldKind kind = WorldKindOfThisRun();
    if (!kind.dde.empty())
        extraArgs.insert(extraArgs.begin(), {"--dde", kind.dde});
    const std::string exe = kind.exe.empty() ? BinaryDirectory() + "worldsim.exe" : kind.exe;
    std::string error;
    if (!StartProcess(exe, extraArgs, &process_, "", nullptr, &error)) {
        ADD_FAILURE() << error;
        return;
    }
    FindContext ctx{process_.dwProcessId, nullptr};
    PumpUntil(
        [&] {
            EnumWindows(FindWorldWindow, reinterpret_cast<LPARAM>(&ctx));
            return ctx.found || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
        },
        20000);
    window_ = ctx.found;
    if (!window_)
        ADD_FAILURE() << "no \"" << worldsim::kWindowTitle << "\" window from worldsim.exe";
}

WorldProcess::~WorldProcess() {
    if (process_.hProcess) {
        if (window_ && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            Control("quit");
        if (!WaitForExit(10000)) {
            ADD_FAILURE() << "worldsim.exe did not quit; terminated";
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    if (::testing::Test::HasFailure()) {
        const auto lines = Transcript();
        std::printf("transcript %s, last lines:\n", transcriptPath_.c_str());
        for (size_t i = lines.size() > 60 ? lines.size() - 60 : 0; i < lines.size(); ++i) {
            std::string shown = lines[i].kind;
            for (const auto& field : lines[i].fields)
                shown += " | " + field;
            std::replace_if(shown.begin(), shown.end(), [](char c) { return c >= 0 && c < 0x20; }, '.');
            std::printf("  %s\n", shown.c_str());
        }
        return;
    }
    DeleteFileA(transcriptPath_.c_str());
    RemoveDirectoryA(directory_.c_str());
}

bool WorldProcess::WaitForExit(DWORD timeoutMs) {
    if (!process_.hProcess)
        return true;
    return PumpUntil([&] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
}

void WorldProcess::Kill() {
    if (!process_.hProcess)
        return;
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
}

bool WorldProcess::Control(const std::string& command) {
    if (!window_)
        return false;
    COPYDATASTRUCT data = {};
    data.dwData = worldsim::kCopyDataTag;
    data.cbData = static_cast<DWORD>(command.size());
    data.lpData = const_cast<char*>(command.data());
    DWORD_PTR result = 0;
    // SMTO_NORMAL: this thread keeps answering messages sent to it meanwhile (DDE initiates included).
    if (!SendMessageTimeoutA(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 20000, &result))
        return false;
    return result == 1;
}

std::vector<TranscriptLine> WorldProcess::Transcript() const {
    std::vector<TranscriptLine> lines;
    const std::string content = ReadFileShared(transcriptPath_).value_or("");
    size_t start = 0;
    for (size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string raw = content.substr(start, end - start);
        auto entry = worldsim::ParseTranscriptLine(raw);
        if (!entry) {
            ADD_FAILURE() << "unreadable transcript line: " << raw;
            continue;
        }
        lines.push_back({std::move(entry->kind), std::move(entry->fields)});
    }
    return lines;  // a line still being written (no "\n" yet) is left for the next read
}

std::vector<TranscriptLine> WorldProcess::Transcript(const std::string& kind) const {
    auto lines = Transcript();
    lines.erase(std::remove_if(lines.begin(), lines.end(), [&](const auto& l) { return l.kind != kind; }),
                lines.end());
    return lines;
}

std::vector<std::string> WorldProcess::Chat() const {
    std::vector<std::string> lines;
    for (const auto& line : Transcript("CHAT"))
        lines.push_back(line.fields.empty() ? std::string() : line.fields[0]);
    return lines;
}

std::vector<std::string> WorldProcess::NewChat(size_t atLeast, DWORD timeoutMs) {
    std::vector<std::string> lines;
    PumpUntil(
        [&] {
            const auto all = Chat();
            lines.assign(all.begin() + static_cast<std::ptrdiff_t>(std::min(chatSeen_, all.size())), all.end());
            return lines.size() >= atLeast;
        },
        timeoutMs);
    chatSeen_ += lines.size();
    return lines;
}

std::vector<std::string> WorldProcess::Received(const std::string& topic) const {
    std::vector<std::string> blocks;
    for (const auto& line : Transcript("RECV"))
        if (line.fields.size() == 4 && line.fields[0] == topic)
            blocks.push_back(line.fields[3]);
    return blocks;
}

MessageBoxWatcher::MessageBoxWatcher(UINT answer) : answer_(answer), thread_([this] { Watch(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<MessageBoxSeen> MessageBoxWatcher::Seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

bool MessageBoxWatcher::WaitForCount(size_t n, DWORD timeoutMs) const {
    return PumpUntil([&] { return Seen().size() >= n; }, timeoutMs);
}

void MessageBoxWatcher::Watch() {
    std::set<HWND> answered;
    while (!stop_) {
        const std::vector<HWND> boxes = MessageBoxes(GetCurrentProcessId());
        // A closed box's handle may come back for a later box.
        for (auto it = answered.begin(); it != answered.end();)
            it = IsWindow(*it) ? std::next(it) : answered.erase(it);
        for (HWND box : boxes) {
            if (!answered.insert(box).second)
                continue;
            MessageBoxSeen seen{WindowText(box, 2000), WindowText(GetDlgItem(box, 0xFFFF), 2000)};
            {
                std::lock_guard<std::mutex> lock(mutex_);
                seen_.push_back(std::move(seen));
            }
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED), 0);
        }
        Sleep(20);
    }
}

UnansweringWindow::UnansweringWindow(Mode mode, DWORD lateMs)
    : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
    thread_ = std::thread([this, mode, lateMs, desktop] { Run(mode, lateMs, desktop); });
    WaitForSingleObject(ready_, 10000);
}

UnansweringWindow::~UnansweringWindow() {
    SetEvent(stop_);
    thread_.join();
    CloseHandle(stop_);
    CloseHandle(ready_);
}

void UnansweringWindow::Run(Mode mode, DWORD lateMs, HDESK desktop) {
    // A new thread starts out on the default desktop under Wine; the programs under test are on the test's.
    SetThreadDesktop(desktop);
    HWND hwnd = CreateWindowExA(0, "STATIC", mode == Mode::Hung ? "A hung program" : "A slow program",
                                WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    window_ = hwnd;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    SetEvent(ready_);
    // Both wait on their message queue without reading it (so no time-out for hung programs applies to them):
    // hung for ever, late until the next read, every lateMs.
    ULONGLONG nextRead = GetTickCount64() + lateMs;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD timeout =
            mode == Mode::Hung ? INFINITE : static_cast<DWORD>(nextRead > now ? nextRead - now : 0);
        if (MsgWaitForMultipleObjects(1, &stop_, FALSE, timeout, QS_ALLINPUT) == WAIT_OBJECT_0)
            break;
        if (mode == Mode::Late && GetTickCount64() >= nextRead) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            nextRead = GetTickCount64() + lateMs;
        }
    }
    DestroyWindow(hwnd);
}

}  // namespace testwin
