// system_win.h: what the self-check reports of this PC and of the programs it checks: the Windows version and
// bitness, the screen's DPI, each program's bitness and version read from its file, and whether those files fit
// together.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "selfcheck/report.h"

namespace selfcheck {

struct Layout {
    std::string programs;   // the folder of Gorvath.exe, Vantrel.exe and zmvorq.dll, ending in '\'
    std::string rehearsal;  // the folder of worldsim.exe, ROOM.TXT and selfcheck.exe, ending in '\'
    std::string scratch;    // the self-check's own working folder, ending in '\'
};

// "Windows: ...", "Screen: ...", one line per program with its bitness and version, the folders.
std::vector<std::string> SystemFacts(const Layout& layout);
// The files the self-check runs are there and are Windows programs; the two programs and the library are of one
// bitness, and everything is of this self-check's version.
StepResult CheckProgramFiles(const Layout& layout);
// The system's text for an error code, on one line.
std::string ErrorText(DWORD error);

}  // namespace selfcheck
