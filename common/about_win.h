// about_win.h: the About entry of a program's system menu (the window icon's menu) and the box it opens; what the
// box says is common/about.h's.
#pragma once

#include <windows.h>

namespace win {

struct AboutProgram {
    const wchar_t* menuText;  // L"About Tumbleroo\u2026"
    const char* caption;      // of the box: "About Tumbleroo"
    const char* program;      // its first line: "Tumbleroo game host"
    const char* logName;      // "GORVATH.LOG"
};

// Appends a separator and the entry (IDM_SYSTEM_ABOUT) to the window's system menu.
void AddAboutToSystemMenu(HWND window, const AboutProgram& about);
// True when a WM_SYSCOMMAND's wParam is the About entry.
bool IsAboutCommand(WPARAM sysCommand);
// Reads the facts (the running file's digest among them) and shows them in a message box owned by `owner`.
void ShowAbout(HWND owner, const AboutProgram& about);

}  // namespace win
