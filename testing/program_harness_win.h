// program_harness_win.h: a program under test in the Wine tests, beside the world of world_harness_win.h: the
// folder a scenario runs it in (files written beforehand, read back while the program may still hold them open),
// the program started there with its main window, its controls and its message boxes, and its end.
//
//   testwin::Folder folder("vantrel", {{"SCONTROL.TXT", testwin::kLibraryMethod}});
//   testwin::Program app(testwin::BinaryDirectory() + "Vantrel.exe", folder.path(), config::kWindowCaption);
//   ASSERT_TRUE(app.ok());
//   app.Click(IDC_CONFIGURATOR_COMMAND4);
//   EXPECT_EQ(app.AnswerBox(10000), "...");   // the program's next message box, answered OK
//   EXPECT_EQ(folder.Read("SCONTROL.TXT"), ...);
//
// Waits handle this thread's messages meanwhile, as world_harness_win.h's do.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "testing/world_harness_win.h"

namespace testwin {

// SCONTROL.TXT of the two link methods: the world's title, focus control, library method, seconds after each line.
inline constexpr char kLibraryMethod[] = "Pelmor 3.0\r\n0\r\n1\r\n0\r\n";
inline constexpr char kConsoleMethod[] = "Pelmor 3.0\r\n0\r\n0\r\n0\r\n";
// For a scenario that runs by either method: the console method when this run says so
// (TUMBLEROO_TEST_METHOD=console), otherwise `method`.
const char* MethodOfThisRun(const char* method);

using Files = std::map<std::string, std::string>;

// A new folder in the temp folder for one scenario, named after `prefix` and the running test; the clock and a count
// are part of the name too, as Wine gives out the same process ids again. Kept (and named on stdout) when the test
// has failed; removed with everything in it otherwise.
class Folder {
  public:
    explicit Folder(const std::string& prefix, const Files& files = {}, const std::vector<std::string>& folders = {});
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    const std::string& path() const { return path_; }
    std::string Path(const std::string& name) const { return path_ + "\\" + name; }
    // True when every byte was written.
    bool Write(const std::string& name, const std::string& content) const;
    // The whole file, read while others may hold it open; nullopt when there is none.
    std::optional<std::string> Read(const std::string& name) const { return ReadFileShared(Path(name)); }

  private:
    std::string path_;
};

// A program started in a folder. Its main window is its visible top-level window with the caption that is no message
// box: the program's crash notice box carries the same caption.
class Program {
  public:
    // Waits up to 20 s for the main window; ADD_FAILURE if the program cannot be started, ok() == false if no
    // window came. environment: a block as CreateProcess takes it; nullptr: this process's.
    Program(const std::string& exe,
            const std::string& folder,
            const std::string& caption,
            const char* environment = nullptr);
    // Closes the window if the program still runs; ADD_FAILURE, and the program is terminated, if it has not
    // ended 10 s later.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool ok() const { return window_ != nullptr; }
    HWND Window() const { return window_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    DWORD ThreadId() const { return GetWindowThreadProcessId(window_, nullptr); }

    HWND Control(int id) const { return GetDlgItem(window_, id); }
    std::string Text(int id) const { return WindowText(Control(id)); }
    // As typed: the control's text changes, nothing else.
    void Type(int id, const std::string& text) const;
    // A click on a button of the main window, posted; returns at once.
    void Click(int id) const;
    // The control of the program that has the keyboard focus, or nullptr.
    HWND Focus() const;

    // The program's visible message boxes, topmost first.
    std::vector<HWND> Boxes() const { return MessageBoxes(ProcessId()); }
    // The text of the program's first message box that shows within timeoutMs, answered with `button`.
    std::optional<std::string> AnswerBox(DWORD timeoutMs, int button = IDOK) const;

    bool Ended() const { return WaitForSingleObject(process_.hProcess, 0) != WAIT_TIMEOUT; }
    bool WaitForExit(DWORD timeoutMs) const;
    // Ends the program at once, as a crash or a power cut would.
    void Kill();

  private:
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
    std::string exe_;
};

}  // namespace testwin
