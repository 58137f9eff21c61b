// about_win.cpp: the About box's facts as the running program finds them: the version and commit it was built
// with, its current folder (where it keeps its files and log) and the SHA-256 of its own executable file.
#include "common/about_win.h"

#include <string>

#include "common/about.h"
#include "common/sha256.h"
#include "tumbleroo_commit.h"
#include "tumbleroo_version.h"

namespace win {
namespace {

std::string Utf8(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
    return text;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

// Paths may pass MAX_PATH (a deep folder, a \\?\ path): the buffers grow to the longest path Windows has.
std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size() || path.size() >= 32768) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring CurrentFolder() {
    const DWORD n = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(n, L'\0');
    folder.resize(n ? GetCurrentDirectoryW(n, folder.data()) : 0);
    return folder;
}

// The file is read while it runs: the loader shares it for reading.
std::string FileSha256(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    common::Sha256 digest;
    std::string buffer(64 * 1024, '\0');
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) && got > 0)
        digest.Update(std::string_view(buffer.data(), got));
    CloseHandle(file);
    return ok ? digest.HexDigest() : std::string();
}

}  // namespace

void AddAboutToSystemMenu(HWND window, const AboutProgram& about) {
    const HMENU menu = GetSystemMenu(window, FALSE);
    if (!menu)
        return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_SYSTEM_ABOUT, about.menuText);
}

bool IsAboutCommand(WPARAM sysCommand) {
    return (sysCommand & 0xFFF0) == IDM_SYSTEM_ABOUT;
}

void ShowAbout(HWND owner, const AboutProgram& about) {
    const std::wstring exe = ModulePath();
    common::AboutFacts facts;
    facts.program = about.program;
    facts.exeName = Utf8(exe.substr(exe.find_last_of(L"\\/") + 1));
    facts.version = TUMBLEROO_VERSION_TEXT;
    facts.commit = TUMBLEROO_COMMIT;
    facts.folder = Utf8(CurrentFolder());
    facts.logName = about.logName;
    facts.sha256 = exe.empty() ? std::string() : FileSha256(exe);
    MessageBoxW(owner, Wide(common::AboutText(facts)).c_str(), Wide(about.caption).c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace win
