// support_log.cpp: appending to the support log, with one older generation (see support_log.h).
#include "common/support_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace common {
namespace {

// The path and the file are shared by every thread that logs (the link may log from a thread of its own). The
// lock is taken with a deadline: a crash report that logs while the crashed thread held it must not hang.
std::timed_mutex gLock;
std::string gPath;
constexpr auto kLockWait = std::chrono::seconds(1);

std::string Timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millis));
    return text;
}

// Appends one line, rotating first when the line would take the file past the cap. When the file cannot be
// renamed to the older generation (held open elsewhere), it begins afresh instead, so that it never grows
// without bound; the older generation stays as it was. C stdio throughout: on Windows it takes the path in the
// ANSI code page, as the programs' other files are named.
void Append(const std::string& path, const std::string& line) {
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f)
        return;
    const long size = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -1;
    if (size >= 0 && static_cast<std::uintmax_t>(size) + line.size() > kMaxLogBytes) {
        std::fclose(f);
        const std::string older = OlderLogPath(path);
        std::remove(older.c_str());
        f = std::fopen(path.c_str(), std::rename(path.c_str(), older.c_str()) == 0 ? "ab" : "wb");
        if (!f)
            return;
    }
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}

}  // namespace

void StartSupportLog(const std::string& path) {
    try {
        std::unique_lock lock(gLock, kLockWait);
        if (lock)
            gPath = path;
    } catch (...) {
        // Out of memory: the log stays as it was.
    }
}

std::string SupportLogPath() {
    try {
        std::unique_lock lock(gLock, kLockWait);
        return lock ? gPath : std::string();
    } catch (...) {
        return {};
    }
}

std::string OlderLogPath(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ".LO1";
    return path.substr(0, dot) + ".LO1";
}

std::string FormatLogLine(std::string_view timestamp, std::string_view kind, std::string_view text) {
    const bool cut = text.size() > kMaxLogTextBytes;
    if (cut)
        text = text.substr(0, kMaxLogTextBytes);
    std::string line;
    line.reserve(timestamp.size() + kind.size() + text.size() + 12);
    line.append(timestamp).append(" ").append(kind);
    if (kind.size() < 6)
        line.append(6 - kind.size(), ' ');
    line.append(" ");
    for (const char c : text)
        line += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
    if (cut)
        line += "...";
    return line;
}

void LogEvent(std::string_view kind, std::string_view text) {
    try {
        std::unique_lock lock(gLock, kLockWait);
        if (!lock || gPath.empty())
            return;
        Append(gPath, FormatLogLine(Timestamp(), kind, text) + "\r\n");
    } catch (...) {
        // Out of memory or a file system error: the event is not logged.
    }
}

std::string ReadLogTail(const std::string& path) {
    constexpr long kTailBytes = 64 * 1024;
    std::string tail;
    try {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f)
            return tail;
        if (std::fseek(f, 0, SEEK_END) == 0) {
            const long size = std::ftell(f);
            const long from = size > kTailBytes ? size - kTailBytes : 0;
            if (size > 0 && std::fseek(f, from, SEEK_SET) == 0) {
                tail.resize(static_cast<size_t>(size - from));
                tail.resize(std::fread(tail.data(), 1, tail.size(), f));
                if (from > 0) {  // the first line is cut: its kind is not where a kind stands
                    const size_t end = tail.find('\n');
                    tail.erase(0, end == std::string::npos ? tail.size() : end + 1);
                }
            }
        }
        std::fclose(f);
    } catch (...) {
        tail.clear();
    }
    return tail;
}

// A line is "<23-character time stamp> <kind padded to 6> <text>", so the kind stands at column 24.
bool LastRunEndedInCrash(std::string_view logTail) {
    constexpr size_t kKindAt = 24;
    const auto kindIs = [](std::string_view line, std::string_view kind) {
        return line.size() > kKindAt + kind.size() && line.substr(kKindAt, kind.size()) == kind &&
               line[kKindAt + kind.size()] == ' ';
    };
    bool crashed = false;
    size_t at = 0;
    while (at < logTail.size()) {
        size_t end = logTail.find('\n', at);
        if (end == std::string_view::npos)
            end = logTail.size();
        const std::string_view line = logTail.substr(at, end - at);
        if (kindIs(line, kStartKind))
            crashed = false;
        else if (kindIs(line, kCrashKind))
            crashed = true;
        at = end + 1;
    }
    return crashed;
}

void LogFileWrite(std::string_view name, std::uintmax_t bytes, const WriteResult& result) {
    try {
        LogEvent("file", std::string(name) + " " + std::to_string(bytes) + " bytes: " +
                             (result.ok ? std::string("ok") : result.error));
    } catch (...) {
    }
}

}  // namespace common
