// crash_report_win.h: the support log's start and the crash report of a program (GORVATH.LOG / GORVATH.DMP,
// VANTREL.LOG / VANTREL.DMP in its working folder).
//
//     const win::SupportStart support = win::StartSupport("Gorvath", "GORVATH");   // first thing in WinMain
//     ... once the window is up:  if (support.lastRunCrashed) show win::CrashNotice(support, ...)
#pragma once

#include <string>

namespace win {

struct SupportStart {
    std::string folder;           // the working folder, "C:\Games\Tumbleroo"
    std::string logPath;          // folder + "\GORVATH.LOG"
    std::string dumpPath;         // folder + "\GORVATH.DMP"
    bool lastRunCrashed = false;  // the run before this one ended in a crash (asked before this run's start line)
};

// Starts the log in the current folder (logs the program, its version and the folder) and installs the crash
// report: an unhandled exception, or a C++ exception that nothing catches, writes a minidump to dumpPath and a
// crash line to the log, then ends the program. Never fails: without the folder or dbghelp, less is written.
SupportStart StartSupport(const char* program, const char* baseName);

// What the operator is told once after a crash: that it happened and where its report is (or that none could
// be written), and what to send when asking for help.
std::string CrashNotice(const SupportStart& support);

// The four settings as read at start-up, or "defaults: no file", to the log.
void LogSettingsRead(const char* file, const std::string& title, bool focusControl, bool libraryMethod, int delay);

// Test hook only: reads through a null pointer, as a fault in the program would.
void CrashOnPurpose();

}  // namespace win
