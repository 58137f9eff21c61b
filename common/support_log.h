// support_log.h: the support log each program keeps in its working folder (GORVATH.LOG, VANTREL.LOG).
//
// One line per event: local time with milliseconds, a kind, and a short text. The log is for the person who
// helps an operator: it says what the program did, with sizes, counts, codes and durations. It never holds chat
// text or anything received from the world client (other people's words), nor player names: callers pass sizes
// and counts only. At most kMaxLogBytes per file; when a line would pass that, the file becomes the older
// generation (the same name with the extension "LO1", replacing an older one) and a new file begins. Writing
// never throws and a failure is ignored: the log must never disturb the program.
//
//     common::StartSupportLog("GORVATH.LOG");
//     common::LogEvent("link", "poke Zelmarink_Communicate 24 bytes: answered in 3 ms");
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/file_io.h"

namespace common {

inline constexpr std::uintmax_t kMaxLogBytes = 1024 * 1024;
// The longest text of one event; a longer one is cut there and ends with "...".
inline constexpr std::size_t kMaxLogTextBytes = 2000;

// Starts logging to `path`; the programs pass a full path, so that the log stays where it began whatever the
// current folder becomes. Before it, LogEvent does nothing; an empty path stops logging again.
void StartSupportLog(const std::string& path);
// Safe from any thread.
void LogEvent(std::string_view kind, std::string_view text);
// The path given to StartSupportLog, or empty.
std::string SupportLogPath();
// The older generation's path for a log path: "GORVATH.LOG" -> "GORVATH.LO1".
std::string OlderLogPath(const std::string& path);

// The kinds of the lines that mark a run's start and its crash (see LastRunEndedInCrash).
inline constexpr char kStartKind[] = "start";
inline constexpr char kCrashKind[] = "crash";

// The end of a log file, at most the last 64 KB (a crash line is among a run's last lines); empty when there is
// no such file.
std::string ReadLogTail(const std::string& path);
// Whether the last run that logged here ended in a crash: a crash line comes after the last start line. Each run
// logs its start line once it has asked this, so a crash is told of once.
bool LastRunEndedInCrash(std::string_view logTail);

// What LogEvent writes, without the line end: "2026-12-09 14:05:09.042 link  text". Control characters in the
// text become '?', so that one event stays one line.
std::string FormatLogLine(std::string_view timestamp, std::string_view kind, std::string_view text);

// A file the program wrote or copied: "GORVATH.SAV 24 bytes: ok", "... : cannot create GORVATH.SAV.tmp".
void LogFileWrite(std::string_view name, std::uintmax_t bytes, const WriteResult& result);

}  // namespace common
