// gorvath_remote_win.h: drives a running Gorvath.exe from another process, as an operator would: posts clicks and
// menu choices by the program's own IDs, reads controls with the W messages (the A ones come back as UTF-16 across
// processes under Wine), finds and answers its message boxes, and asks the HostWindow's test hook what the
// controls do not show (host/test_hook.h). Used by the Wine tests, by the game driver of scripts/run.sh and by the
// shipped self-check, which asks only the read-only questions a shipped program answers.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hostremote {

// Handles this thread's messages while waiting; true if done() held within timeoutMs.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

struct MessageBoxSeen {
    HWND hwnd = nullptr;
    std::string caption;
    std::string text;
};

class Gorvath {
  public:
    // Starts `exe` with `folder` as its current directory and waits (up to 20 s) for its HostWindow to be shown, or
    // for a message box of the process while the window is still hidden (a notice during its start-up).
    Gorvath(const std::string& exe, const std::string& folder);
    // Attaches to the HostWindow of a Gorvath.exe that is already running (waits up to timeoutMs for one).
    explicit Gorvath(DWORD timeoutMs);
    // Closes the program if it still runs (WM_CLOSE, then TerminateProcess after 20 s).
    ~Gorvath();
    Gorvath(const Gorvath&) = delete;
    Gorvath& operator=(const Gorvath&) = delete;

    bool ok() const { return window_ != nullptr; }
    HWND Window() const { return window_; }
    DWORD ProcessId() const { return pid_; }
    std::string Error() const { return error_; }

    // A click on a HostWindow button (in the macro panel too) or a menu choice, posted; returns at once.
    void Post(int id) const;
    // Posts and waits until the window has run the command to its end; false on time-out.
    bool Run(int id, DWORD timeoutMs = 60000) const;
    // The test hook's answers.
    unsigned long Query(unsigned query) const;
    bool Busy() const;
    COLORREF Background() const;
    unsigned long CommandsDone() const;
    unsigned long CommandsRefused() const;

    // A control of the HostWindow, looked up in the macro panel too.
    HWND Control(int id) const;
    std::string Text(int id) const;
    void SetText(int id, const std::string& text) const;  // as typed: the box changes, nothing else
    bool Visible(int id) const;
    // The control that has the keyboard focus in the program, or nullptr.
    HWND Focus() const;
    // A key pressed and released on the control that has the keyboard (on the program's active window when none
    // has), as typed; posted, returns at once. Alt counts as a key of its own; Shift+Tab goes through ShiftTab.
    void PressKey(UINT vk) const;
    // The id of the control that has the keyboard after Shift+Tab, pressed inside the program (test hook).
    int ShiftTab() const;
    // True while the program's menu bar or one of its menus takes the keys.
    bool InMenuMode() const;

    // The program's "Player Maintenance" window, if open.
    HWND Maintenance() const;
    std::vector<std::string> ListItems(int listId) const;
    // The program's "Tumbleroo Season" window, if open, and the entries of a list of any of its windows.
    HWND Season() const;
    std::vector<std::string> ListItems(HWND window, int listId) const;
    int ListSelection(int listId) const;
    bool MaintenanceVisible(int id) const;
    // As the operator selects an entry: the list's selection, then its LBN_SELCHANGE; waits until handled.
    void SelectInMaintenance(int listId, int index) const;
    // A click on a maintenance button; waits until handled.
    void ClickInMaintenance(int id) const;

    // The first visible message box of the program that was not yet seen, waiting up to timeoutMs.
    std::optional<MessageBoxSeen> WaitForMessageBox(DWORD timeoutMs) const;
    static void Answer(const MessageBoxSeen& box, int button);

    // Posts WM_CLOSE and waits for the process to end; false on time-out.
    bool Close(DWORD timeoutMs = 20000);
    bool WaitForExit(DWORD timeoutMs) const;
    bool Exited() const;

  private:
    bool FindWindowOfProcess(DWORD timeoutMs);

    PROCESS_INFORMATION process_ = {};
    HANDLE processHandle_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
    UINT hook_ = 0;
    std::string error_;
};

// Text of any window of another process (WM_GETTEXT, wide, with a time-out), as 8-bit text.
std::string WindowText(HWND hwnd);
// Top-level windows of process pid (0: any) with a class name (any case) and, when given, a caption.
std::vector<HWND> TopLevelWindows(DWORD pid, const char* className, const char* caption = nullptr);

}  // namespace hostremote
