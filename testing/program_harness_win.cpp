// program_harness_win.cpp: scenario folders and programs under test (see program_harness_win.h).
#include "testing/program_harness_win.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace testwin {
namespace {

// Removes everything below `path`, then `path` itself.
void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + "\\" + name);
            else
                DeleteFileA((path + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

}  // namespace

const char* MethodOfThisRun(const char* method) {
    char value[16] = {};
    const DWORD n = GetEnvironmentVariableA("TUMBLEROO_TEST_METHOD", value, sizeof value);
    return n > 0 && std::string(value, n) == "console" ? kConsoleMethod : method;
}

Folder::Folder(const std::string& prefix, const Files& files, const std::vector<std::string>& folders) {
    static int counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string test = info ? info->name() : "outside-a-test";
    for (char& c : test)
        c = (c == '/' ? '-' : c);
    path_ = std::string(temp) + prefix + "-" + test + "-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(GetTickCount()) + "-" + std::to_string(++counter);
    CreateDirectoryA(path_.c_str(), nullptr);
    for (const auto& [name, content] : files)
        Write(name, content);
    for (const auto& name : folders)
        CreateDirectoryA(Path(name).c_str(), nullptr);
}

Folder::~Folder() {
    if (::testing::Test::HasFailure()) {
        std::printf("scenario folder kept: %s\n", path_.c_str());
        return;
    }
    RemoveTree(path_);
}

bool Folder::Write(const std::string& name, const std::string& content) const {
    std::FILE* file = std::fopen(Path(name).c_str(), "wb");
    if (!file)
        return false;
    const bool whole = std::fwrite(content.data(), 1, content.size(), file) == content.size();
    return std::fclose(file) == 0 && whole;
}

Program::Program(const std::string& exe, const std::string& folder, const std::string& caption, const char* environment)
    : exe_(exe) {
    std::string error;
    if (!StartProcess(exe, {}, &process_, folder, environment, &error)) {
        ADD_FAILURE() << error;
        return;
    }
    PumpUntil(
        [&] {
            for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, nullptr, caption.c_str())) != nullptr;) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                char cls[16] = {};
                const bool box = GetClassNameA(w, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0;
                if (pid == process_.dwProcessId && IsWindowVisible(w) && !box) {
                    window_ = w;
                    break;
                }
            }
            return window_ != nullptr || Ended();
        },
        20000);
}

Program::~Program() {
    if (!process_.hProcess)
        return;
    if (!Ended()) {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        if (!WaitForExit(10000)) {
            ADD_FAILURE() << exe_ << " did not end when its window was closed";
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
}

void Program::Type(int id, const std::string& text) const {
    const std::wstring wide(text.begin(), text.end());
    SendMessageTimeoutW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_NORMAL, 5000, nullptr);
}

void Program::Click(int id) const {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
}

HWND Program::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(ThreadId(), &info) ? info.hwndFocus : nullptr;
}

std::optional<std::string> Program::AnswerBox(DWORD timeoutMs, int button) const {
    std::optional<std::string> text;
    PumpUntil(
        [&] {
            const auto boxes = Boxes();
            if (!boxes.empty()) {
                text = BoxText(boxes.front());
                SendMessageTimeoutW(boxes.front(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0, SMTO_NORMAL, 5000,
                                    nullptr);
            }
            return text.has_value();
        },
        timeoutMs);
    return text;
}

bool Program::WaitForExit(DWORD timeoutMs) const {
    return PumpUntil([&] { return Ended(); }, timeoutMs);
}

void Program::Kill() {
    TerminateProcess(process_.hProcess, 99);
    WaitForSingleObject(process_.hProcess, 5000);
}

}  // namespace testwin
