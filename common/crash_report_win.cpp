// crash_report_win.cpp: the support log's start, and a minidump with a log line when the program crashes.
//
// dbghelp.dll is loaded from the system folder at start-up (never from the program's folder, where anyone could
// put one), so that nothing is loaded while the program is going down. The report is written by a thread of its
// own: the crashed thread may have no stack left (a stack overflow). A second fault while reporting ends the
// program without a second report. The filter then ends the program: the system's own crash dialog would only
// repeat what the next start says.
#include "common/crash_report_win.h"

#include <windows.h>

#include <dbghelp.h>

#include <cstdio>
#include <exception>

#include "common/support_log.h"
#include "tumbleroo_version.h"

namespace win {
namespace {

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE,
                                          DWORD,
                                          HANDLE,
                                          MINIDUMP_TYPE,
                                          PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION,
                                          PMINIDUMP_CALLBACK_INFORMATION);
// Set once at start-up, read only by the crash report.
char gDumpPath[MAX_PATH] = {};
MiniDumpWriteDumpFn gWriteDump = nullptr;
LONG gReporting = 0;
constexpr DWORD kUncaughtCppException = 0xE0435050;  // our own code in the report of an uncaught C++ exception

struct Report {
    EXCEPTION_POINTERS* exception;
    const char* what;
};

DWORD WINAPI WriteReport(void* argument) {
    const Report& report = *static_cast<const Report*>(argument);
    DWORD error = 0;
    DWORD bytes = 0;
    const HANDLE file =
        CreateFileA(gDumpPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
    } else {
        MINIDUMP_EXCEPTION_INFORMATION info = {GetCurrentThreadId(), report.exception, FALSE};
        if (!gWriteDump)
            error = ERROR_PROC_NOT_FOUND;
        else if (!gWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                             report.exception ? &info : nullptr, nullptr, nullptr))
            error = GetLastError();
        bytes = GetFileSize(file, nullptr);
        CloseHandle(file);
        if (error != 0)
            DeleteFileA(gDumpPath);
    }
    char text[MAX_PATH + 200];
    if (error == 0)
        std::snprintf(text, sizeof text, "%s; report %s, %lu bytes", report.what, gDumpPath, bytes);
    else
        std::snprintf(text, sizeof text, "%s; no report could be written to %s (error %lu)", report.what, gDumpPath,
                      error);
    common::LogEvent(common::kCrashKind, text);
    return 0;
}

// The crashed thread's exception is reported from a helper thread; where none can be started, from here.
void ReportCrash(EXCEPTION_POINTERS* exception, const char* what) {
    if (InterlockedExchange(&gReporting, 1) != 0)
        return;
    Report report = {exception, what};
    if (HANDLE helper = CreateThread(nullptr, 256 * 1024, WriteReport, &report, 0, nullptr)) {
        WaitForSingleObject(helper, 60000);
        CloseHandle(helper);
    } else {
        WriteReport(&report);
    }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    char what[96];
    std::snprintf(what, sizeof what, "unhandled exception 0x%08lx at %p",
                  static_cast<unsigned long>(exception->ExceptionRecord->ExceptionCode),
                  exception->ExceptionRecord->ExceptionAddress);
    ReportCrash(exception, what);
    return EXCEPTION_EXECUTE_HANDLER;
}

// std::terminate: a C++ exception that nothing caught (or a noexcept broken). The report shows this thread here.
[[noreturn]] void OnTerminate() {
    CONTEXT context = {};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record = {};
    record.ExceptionCode = kUncaughtCppException;
    record.ExceptionFlags = EXCEPTION_NONCONTINUABLE;
#ifdef _WIN64
    record.ExceptionAddress = reinterpret_cast<void*>(context.Rip);
#else
    record.ExceptionAddress = reinterpret_cast<void*>(context.Eip);
#endif
    EXCEPTION_POINTERS pointers = {&record, &context};
    ReportCrash(&pointers, "a C++ exception was not caught");
    TerminateProcess(GetCurrentProcess(), 3);
    std::abort();
}

// 64-bit Windows may swallow a fault inside a window procedure that the system called back (a sent message)
// and let the program run on in an unknown state; with this policy the fault reaches the filter. Absent under
// Wine and on old systems, where nothing is swallowed.
void LetCallbackFaultsThrough() {
    using GetPolicy = BOOL(WINAPI*)(LPDWORD);
    using SetPolicy = BOOL(WINAPI*)(DWORD);
    constexpr DWORD kCallbackFilterEnabled = 0x1;  // PROCESS_CALLBACK_FILTER_ENABLED
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return;
    const auto get = reinterpret_cast<GetPolicy>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetProcessUserModeExceptionPolicy")));
    const auto set = reinterpret_cast<SetPolicy>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessUserModeExceptionPolicy")));
    DWORD flags = 0;
    if (get && set && get(&flags))
        set(flags & ~kCallbackFilterEnabled);
}

std::string CurrentFolder() {
    char folder[MAX_PATH] = {};
    const DWORD n = GetCurrentDirectoryA(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH)
        return ".";
    std::string text(folder, n);
    if (!text.empty() && text.back() == '\\')
        text.pop_back();  // "C:\" stands for the root
    return text;
}

}  // namespace

SupportStart StartSupport(const char* program, const char* baseName) {
    SupportStart s;
    s.folder = CurrentFolder();
    s.logPath = s.folder + "\\" + baseName + ".LOG";
    s.dumpPath = s.folder + "\\" + baseName + ".DMP";
    s.lastRunCrashed = common::LastRunEndedInCrash(common::ReadLogTail(s.logPath));
    common::StartSupportLog(s.logPath);
    common::LogEvent(common::kStartKind, std::string(program) + " " + TUMBLEROO_VERSION_TEXT +
                                             (sizeof(void*) == 8 ? " (64-bit)" : " (32-bit)") + " in " + s.folder);

    if (s.dumpPath.size() < sizeof gDumpPath)
        lstrcpynA(gDumpPath, s.dumpPath.c_str(), sizeof gDumpPath);
    char system[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(system, MAX_PATH);
    if (n > 0 && n < MAX_PATH - 16) {
        if (HMODULE dbghelp = LoadLibraryA((std::string(system) + "\\dbghelp.dll").c_str()))
            gWriteDump = reinterpret_cast<MiniDumpWriteDumpFn>(
                reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
    }
    if (!gWriteDump)
        common::LogEvent("start", "dbghelp.dll not available: a crash would be logged without a report");
    LetCallbackFaultsThrough();
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::set_terminate(OnTerminate);
    return s;
}

std::string CrashNotice(const SupportStart& support) {
    WIN32_FILE_ATTRIBUTE_DATA dump = {};
    const bool written = GetFileAttributesExA(support.dumpPath.c_str(), GetFileExInfoStandard, &dump) &&
                         (dump.nFileSizeLow != 0 || dump.nFileSizeHigh != 0);
    const std::string name = support.logPath.substr(support.logPath.find_last_of('\\') + 1);
    const std::string older = common::OlderLogPath(name);
    std::string text = "The last run of this program ended in a crash. ";
    if (written)
        text += "A crash report was written to " + support.dumpPath + ". ";
    else
        text += "No crash report could be written; " + name + " says why. ";
    return text + "When you ask for help, send " + (written ? "that report with " : "") + name + ", " + older +
           " (if there is one) and SCONTROL.TXT.";
}

void LogSettingsRead(const char* file, const std::string& title, bool focusControl, bool libraryMethod, int delay) {
    if (GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) {
        common::LogEvent("start", std::string("settings: defaults: no file ") + file);
        return;
    }
    common::LogEvent("start", std::string("settings from ") + file + ": title \"" + title + "\", focus control " +
                                  (focusControl ? "1" : "0") + ", library method " + (libraryMethod ? "1" : "0") +
                                  ", delay " + std::to_string(delay) + " s");
}

void CrashOnPurpose() {
    volatile int* volatile nowhere = nullptr;
    const int value = *nowhere;
    (void)value;
}

}  // namespace win
