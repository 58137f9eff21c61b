// support_log.cpp: appending to the support log, with one older generation (see support_log.h).
#include "common/support_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace common {
namespace {

std::string gPath;

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

}  // namespace

void StartSupportLog(const std::string& path) {
    gPath = path;
}

const std::string& SupportLogPath() {
    return gPath;
}

std::string OlderLogPath(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ".LO1";
    return path.substr(0, dot) + ".LO1";
}

std::string FormatLogLine(std::string_view timestamp, std::string_view kind, std::string_view text) {
    std::string line;
    line.reserve(timestamp.size() + kind.size() + text.size() + 8);
    line.append(timestamp).append(" ").append(kind);
    if (kind.size() < 6)
        line.append(6 - kind.size(), ' ');
    line.append(" ");
    for (const char c : text)
        line += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
    return line;
}

void LogEvent(std::string_view kind, std::string_view text) {
    if (gPath.empty())
        return;
    try {
        const std::string line = FormatLogLine(Timestamp(), kind, text) + "\r\n";
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(gPath, ec);
        if (!ec && size + line.size() > kMaxLogBytes) {
            const std::string older = OlderLogPath(gPath);
            std::filesystem::remove(older, ec);
            std::filesystem::rename(gPath, older, ec);
        }
        if (std::FILE* f = std::fopen(gPath.c_str(), "ab")) {
            std::fwrite(line.data(), 1, line.size(), f);
            std::fclose(f);
        }
    } catch (...) {
        // Out of memory or a file system error: the event is not logged.
    }
}

}  // namespace common
