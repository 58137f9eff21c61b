// checks_win.cpp: the self-check's steps on this PC (see checks_win.h). It starts the stand-in world, Gorvath.exe
// and Vantrel.exe in the scratch folder and ends whatever of them it started; it reads the programs' files and
// writes only into the scratch folder. Every wait has a deadline and handles this thread's messages meanwhile.
#include "selfcheck/checks_win.h"

#include <fstream>
#include <sstream>

#include "configurator/configurator_layout.h"
#include "host/host_window_layout.h"
#include "host/tools/gorvath_remote_win.h"
#include "host/tools/scripted_game_win.h"
#include "selfcheck/system_win.h"
#include "worldsim/protocol.h"
#include "worldsim/transcript.h"

namespace selfcheck {
namespace {

using hostremote::WaitUntil;
using hostremote::WindowText;

constexpr DWORD kStartMs = 20000;
constexpr DWORD kCloseMs = 10000;
constexpr DWORD kGameStepMs = 60000;
// Every library delay tried takes about 2 minutes; beyond that the configurator is stuck.
constexpr DWORD kAutoConfigurationMs = 240000;
const std::string kWorldTitle(worldsim::kWindowTitle);

double Since(ULONGLONG start) {
    return static_cast<double>(GetTickCount64() - start) / 1000.0;
}

std::string ReadShared(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Exited(HANDLE process) {
    return !process || WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

// A program's window: visible, of that class, and of process pid (0: any process).
HWND FindWindowOf(DWORD pid, const char* className, const std::string& caption = "") {
    for (HWND hwnd : hostremote::TopLevelWindows(pid, className, caption.empty() ? nullptr : caption.c_str()))
        if (IsWindowVisible(hwnd))
            return hwnd;
    return nullptr;
}

// A window titled as the world client's that is not a message box (a box of the stand-in's refusal has the title
// in its text, not its caption, but another program's box might carry it).
HWND FindWorldClient() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
            char cls[64] = {};
            GetClassNameA(hwnd, cls, sizeof cls);
            if (IsWindowVisible(hwnd) && lstrcmpA(cls, "#32770") != 0 && WindowText(hwnd) == kWorldTitle) {
                *reinterpret_cast<HWND*>(param) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The text of a message box of process pid (not 0) shown now, answered OK; empty when there is none.
std::string AnswerBoxOf(DWORD pid) {
    const HWND box = FindWindowOf(pid, "#32770");
    if (!box)
        return {};
    std::string text = WindowText(GetDlgItem(box, 0xFFFF));
    if (text.empty())
        text = WindowText(box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return text.empty() ? "(a message box without text)" : text;
}

bool StartIn(const std::string& exe,
             const std::string& arguments,
             const std::string& folder,
             PROCESS_INFORMATION* process,
             std::string* error) {
    std::string commandLine = "\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                       process))
        return true;
    *error = "cannot start " + exe + ": " + ErrorText(GetLastError());
    return false;
}

// Closes a program by its window and waits; ends it when it does not end in time. False in that case.
bool CloseProgram(const PROCESS_INFORMATION& process, HWND window) {
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitUntil([&] { return Exited(process.hProcess); }, kCloseMs))
        return true;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
    return false;
}

void Release(PROCESS_INFORMATION* process) {
    if (process->hThread)
        CloseHandle(process->hThread);
    if (process->hProcess)
        CloseHandle(process->hProcess);
    *process = {};
}

// The chat lines of the world's transcript from line `from` on.
std::vector<std::string> ChatSince(const std::string& transcript, size_t from) {
    std::vector<std::string> chat;
    std::istringstream lines(ReadShared(transcript));
    size_t n = 0;
    for (std::string line; std::getline(lines, line); ++n) {
        if (n < from)
            continue;
        const auto entry = worldsim::ParseTranscriptLine(line);
        if (entry && entry->kind == "CHAT" && !entry->fields.empty())
            chat.push_back(entry->fields[0]);
    }
    return chat;
}

size_t LineCount(const std::string& path) {
    const std::string text = ReadShared(path);
    size_t n = 0;
    for (char c : text)
        n += c == '\n' ? 1 : 0;
    return n;
}

bool ChatHas(const std::vector<std::string>& chat, const std::string& text) {
    for (const auto& line : chat) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}

// The game's files, fresh: the operator's texts copied from the programs' folder, no saved game, the settings of
// one method.
std::string PrepareGameFolder(const Layout& layout, bool libraryMethod) {
    for (const char* name : {"GORVATH.SAV", "GORVATH.BAK", "SCONTROL.TXT"})
        DeleteFileA((layout.scratch + name).c_str());
    std::vector<std::string> texts = {"GORVATH.TXT", "MACTITS.TXT"};
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((layout.programs + "MACRO*.TXT").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do
            texts.push_back(found.cFileName);
        while (FindNextFileA(find, &found));
        FindClose(find);
    }
    for (const auto& t : texts) {
        if (!CopyFileA((layout.programs + t).c_str(), (layout.scratch + t).c_str(), FALSE))
            return "cannot copy " + t + " into the scratch folder: " + ErrorText(GetLastError());
    }
    std::ofstream settings(layout.scratch + "SCONTROL.TXT", std::ios::binary);
    settings << kWorldTitle << "\r\n0\r\n" << (libraryMethod ? "1" : "0") << "\r\n0\r\n";
    return settings.good() ? "" : "cannot write SCONTROL.TXT into the scratch folder";
}

}  // namespace

StepResult CheckNothingRunning() {
    StepResult r;
    if (FindWorldClient())
        r.why = "a world client is running (a window \"" + kWorldTitle +
                "\" is open): close it, then run the "
                "self-check again";
    else if (FindWindowOf(0, host::kHostClassName))
        r.why = "the game host Gorvath.exe is running: close it, then run the self-check again";
    else if (FindWindowOf(0, config::kWindowClassName))
        r.why = "the link configurator Vantrel.exe is running: close it, then run the self-check again";
    r.ok = r.why.empty();
    return r;
}

World::World(const Layout& layout, const std::string& dde, const std::string& transcript)
    : layout_(layout), dde_(dde), transcript_(transcript) {}

World::~World() {
    if (process_.hProcess && !Exited(process_.hProcess))
        CloseProgram(process_, window_);
    Release(&process_);
}

bool World::Running() const {
    return window_ && !Exited(process_.hProcess);
}

StepResult World::Start() {
    StepResult r;
    const ULONGLONG start = GetTickCount64();
    if (FindWorldClient()) {
        r.why = "a world client is running (a window \"" + kWorldTitle + "\" is open): close it and run again";
        return r;
    }
    std::string arguments = "--scenario \"" + layout_.rehearsal + "ROOM.TXT\" --transcript \"" + transcript_ + "\"";
    if (!dde_.empty())
        arguments += " --dde " + dde_;
    if (!StartIn(layout_.rehearsal + "worldsim.exe", arguments, layout_.scratch, &process_, &r.why))
        return r;
    std::string refusal;
    WaitUntil(
        [&] {
            window_ = FindWindowOf(process_.dwProcessId, std::string(worldsim::kWindowClass).c_str(), kWorldTitle);
            if (!window_)
                refusal = AnswerBoxOf(process_.dwProcessId);
            return window_ || !refusal.empty() || Exited(process_.hProcess);
        },
        kStartMs);
    r.seconds = Since(start);
    if (window_) {
        r.ok = true;
        return r;
    }
    WaitUntil([&] { return Exited(process_.hProcess); }, kCloseMs);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    if (code == STILL_ACTIVE) {
        TerminateProcess(process_.hProcess, 1);
        r.why = refusal.empty() ? "worldsim.exe showed no window within " + std::to_string(kStartMs / 1000) + " s"
                                : "worldsim.exe: " + refusal;
    } else {
        r.why = "worldsim.exe ended with code " + std::to_string(code) +
                (code == 4 ? " (it refuses to start beside a world client)" : "") +
                (refusal.empty() ? "" : ": " + refusal);
    }
    return r;
}

StepResult World::Stop() {
    StepResult r;
    r.ok = true;
    const ULONGLONG start = GetTickCount64();
    if (!CloseProgram(process_, window_)) {
        r.ok = false;
        r.why = "worldsim.exe did not end within " + std::to_string(kCloseMs / 1000) + " s of its window's close";
    }
    r.seconds = Since(start);
    window_ = nullptr;
    return r;
}

StepResult PlayGame(const Layout& layout, bool libraryMethod, const std::string& transcript) {
    StepResult r;
    const ULONGLONG start = GetTickCount64();
    r.why = PrepareGameFolder(layout, libraryMethod);
    if (!r.why.empty())
        return r;
    const size_t from = LineCount(transcript);
    int commands = 0;
    {
        hostremote::Gorvath host(layout.programs + "Gorvath.exe", layout.scratch);
        if (!host.ok()) {
            // A message at start-up (the link library that cannot be loaded) holds the window back: it says why.
            const std::string box = host.ProcessId() ? AnswerBoxOf(host.ProcessId()) : "";
            r.why = host.Error() + (box.empty() ? "" : "; it showed a message: \"" + box + "\"");
            r.seconds = Since(start);
            return r;
        }
        const bool played = hostremote::PlayScriptedGame(
            host,
            [&](const hostremote::GameStep& step) {
                ++commands;
                if (!step.ok)
                    r.why = "\"" + step.name + "\" (command " + std::to_string(commands) + "): " + step.why;
            },
            kGameStepMs);
        if (!host.Close(kCloseMs) && played)
            r.why = "Gorvath.exe did not end within " + std::to_string(kCloseMs / 1000) + " s of its window's close";
    }
    r.seconds = Since(start);
    const auto chat = ChatSince(transcript, from);
    if (r.why.empty() && !ChatHas(chat, "Please ESP a single $ to me to be put on the List."))
        r.why = "the world heard no call for players";
    if (r.why.empty() && !ChatHas(chat, "You are on the List."))
        r.why = "no player was told \"You are on the List.\"";
    if (Exists(layout.scratch + "GORVATH.DMP"))
        r.why += std::string(r.why.empty() ? "" : "; ") + "the game host crashed (GORVATH.DMP in the scratch folder)";
    r.ok = r.why.empty();
    if (r.ok)
        r.why = std::to_string(commands) + " commands, " + std::to_string(chat.size()) + " chat lines";
    return r;
}

StepResult RunAutoConfiguration(const Layout& layout) {
    StepResult r;
    const ULONGLONG start = GetTickCount64();
    const std::string settingsPath = layout.scratch + "SCONTROL.TXT";
    const std::string logPath = layout.scratch + "VANTREL.LOG";
    DeleteFileA(settingsPath.c_str());
    const auto runsLogged = [&] {
        const std::string log = ReadShared(logPath);
        size_t n = 0;
        for (size_t at = 0; (at = log.find("cmd    Auto Configuration: ", at)) != std::string::npos; ++at)
            ++n;
        return n;
    };
    const size_t before = runsLogged();
    PROCESS_INFORMATION process = {};
    if (!StartIn(layout.programs + "Vantrel.exe", "", layout.scratch, &process, &r.why))
        return r;
    HWND window = nullptr;
    std::string box;
    WaitUntil(
        [&] {
            window = FindWindowOf(process.dwProcessId, config::kWindowClassName);
            return window || Exited(process.hProcess);
        },
        kStartMs);
    if (!window) {
        r.why = Exited(process.hProcess) ? "Vantrel.exe ended at start" : "Vantrel.exe showed no window";
    } else {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_CONFIGURATOR_COMMAND1, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_CONFIGURATOR_COMMAND1)));
        const bool ended = WaitUntil(
            [&] {
                // Every box is answered, so that none holds the test; the first one is reported.
                const std::string shown = AnswerBoxOf(process.dwProcessId);
                if (box.empty())
                    box = shown;
                return runsLogged() > before || Exited(process.hProcess);
            },
            kAutoConfigurationMs);
        const std::string status = WindowText(GetDlgItem(window, IDC_CONFIGURATOR_LSTATUS));
        if (Exited(process.hProcess)) {
            r.why = "Vantrel.exe ended during the test";
        } else if (!ended) {
            r.why = "the test did not end within " + std::to_string(kAutoConfigurationMs / 1000) + " s; status \"" +
                    status + "\"";
        } else {
            const bool written = Exists(settingsPath);
            const Verdict v =
                JudgeAutoConfiguration(status, written ? std::optional(ReadShared(settingsPath)) : std::nullopt);
            r.ok = v.ok;
            r.why = v.why;
        }
        // Its message right after the test, if any: what did not get through.
        if (box.empty())
            WaitUntil([&] { return !(box = AnswerBoxOf(process.dwProcessId)).empty(); }, 500);
        if (!box.empty()) {
            r.ok = false;
            r.why += "; the configurator showed a message: \"" + box + "\"";
        }
    }
    if (!CloseProgram(process, window) && r.ok) {
        r.ok = false;
        r.why = "Vantrel.exe did not end within " + std::to_string(kCloseMs / 1000) + " s of its window's close";
    }
    Release(&process);
    if (Exists(layout.scratch + "VANTREL.DMP")) {
        r.ok = false;
        r.why += "; the configurator crashed (VANTREL.DMP in the scratch folder)";
    }
    r.seconds = Since(start);
    return r;
}

}  // namespace selfcheck
