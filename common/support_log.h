// support_log.h: the support log each program keeps in its working folder (GORVATH.LOG, VANTREL.LOG).
//
// One line per event: local time with milliseconds, a kind, and a short text. The log is for the person who
// helps an operator: it says what the program did, with sizes, counts, codes and durations. It never holds chat
// text or anything received from the world client (other people's words): callers pass sizes and counts only.
// At most kMaxLogBytes per file; when a line would pass that, the file becomes the older generation (the same
// name with the extension "LO1", replacing an older one) and a new file begins. Writing never throws and a
// failure is ignored: the log must never disturb the program.
//
//     common::StartSupportLog("GORVATH.LOG");
//     common::LogEvent("link", "poke Zelmarink_Communicate 24 bytes: answered in 3 ms");
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace common {

inline constexpr std::uintmax_t kMaxLogBytes = 1024 * 1024;

// Starts logging to `path` (relative paths are taken in the current folder). Before it, LogEvent does nothing.
void StartSupportLog(const std::string& path);
void LogEvent(std::string_view kind, std::string_view text);
// The path given to StartSupportLog, or empty.
const std::string& SupportLogPath();
// The older generation's path for a log path: "GORVATH.LOG" -> "GORVATH.LO1".
std::string OlderLogPath(const std::string& path);

// What LogEvent writes, without the line end: "2026-12-09 14:05:09.042 link  text". Control characters in the
// text become '?', so that one event stays one line.
std::string FormatLogLine(std::string_view timestamp, std::string_view kind, std::string_view text);

}  // namespace common
