// season_io_win.cpp: ROUNDS.CSV on disk for the season rules (read whole, appended to, the local time of a record)
// and the system's 8-bit text turned into UTF-8 for SEASON.HTM. Owns no state; touches ROUNDS.CSV in the current
// folder and the support log (one line per append).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/file_io.h"
#include "common/support_log.h"
#include "host/season_window_win.h"

namespace host {
namespace {

std::string SystemError(const char* what, DWORD code) {
    return std::string(what) + " " + kRoundsFile + " (system error " + std::to_string(code) + ")";
}

std::wstring Wide(std::string_view text, UINT codePage) {
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(n, 0)), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

}  // namespace

ReadResult SeasonDisk::Read(size_t maxBytes) {
    return common::ReadFileCapped(kRoundsFile, maxBytes);
}

// One write at the end of the file, so that a failure leaves at most the one torn line that readers skip; flushed,
// so that the round outlives a crash of the system as well.
WriteResult SeasonDisk::Append(std::string_view bytes) {
    WriteResult result;
    const HANDLE file = CreateFileA(kRoundsFile, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        result = {false, SystemError("cannot open", GetLastError())};
    } else {
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size())
            result = {false, SystemError("cannot write", GetLastError())};
        else if (!FlushFileBuffers(file))
            result = {false, SystemError("cannot flush", GetLastError())};
        CloseHandle(file);
    }
    common::LogFileWrite(kRoundsFile, bytes.size(), result);
    return result;
}

std::string SeasonDisk::Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

std::string AnsiToUtf8(std::string_view text) {
    const std::wstring wide = Wide(text, CP_ACP);
    if (wide.empty())
        return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
    return utf8;
}

}  // namespace host
