// about.h: what a program's About box says, so that an operator can quote exactly which build runs where.
//
//     Tumbleroo game host (Gorvath.exe)
//     Version 1.0.0, built from commit 0123456789ab
//
//     Files and log (GORVATH.LOG) are kept in:
//     C:\Users\ann\Documents\Tumbleroo
//
//     SHA-256 of this Gorvath.exe:
//     9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08
#pragma once

#include <string>

// The About entry of both programs' system menus: a WM_SYSCOMMAND id below 0xF000 whose low four bits are
// clear, as the system's own commands use those bits.
#define IDM_SYSTEM_ABOUT 0x0A10

namespace common {

struct AboutFacts {
    std::string program;  // "Tumbleroo game host"
    std::string exeName;  // the running file's name, "Gorvath.exe"
    std::string version;
    std::string commit;   // the commit the build was made from, or "unknown"
    std::string folder;   // where the program keeps its files: its current folder
    std::string logName;  // "GORVATH.LOG"
    std::string sha256;   // of the running executable; empty when it could not be read
};

// The lines above, joined by "\n". A digest that could not be computed reads "(could not be read)".
std::string AboutText(const AboutFacts& facts);

}  // namespace common
