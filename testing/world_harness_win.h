// world_harness_win.h: helpers for Wine tests that run a program against the stand-in world client: the world
// process and what it heard, process start, waits that handle messages, window texts and message boxes. The
// program under test, in a scenario folder of its own, is in program_harness_win.h.
//
//   testwin::WorldProcess world({"--me", "Host"});      // bin/worldsim.exe with a fresh transcript in a temp dir
//   ASSERT_TRUE(world.ok());
//   world.Control("avatar|Ann");                         // a control command (WM_COPYDATA); true = accepted
//   ... drive the program under test ...
//   testwin::PumpUntil([&] { return !world.Transcript("CHAT").empty(); }, 10000);
//   for (const auto& line : world.Transcript("ACK")) ...  // fields after the kind, the last one unescaped
//
// Transcript kinds and fields (every field written escaped; all are unescaped here):
//   RECV topic item fg|bg block      REQ topic item fg|bg reply|-     ACK service delivered|failed code
//   RECEIVE service delivered|failed block    SENT avatar data    CONNECT topic accepted|refused
//   CHAT line    MARK text    CTRL ok|error command
//
// Everything here runs on the test's UI thread and keeps handling its messages while it waits (DDEML
// callbacks and message boxes of the program under test included), except MessageBoxWatcher, which
// watches from a thread of its own and answers each message box of this process.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace testwin {

// The avatar the tests' worlds speak as (--me), and a chat line of hers as the world writes it.
inline constexpr char kMe[] = "Marla";
std::string Said(const std::string& text);

struct TranscriptLine {
    std::string kind;
    std::vector<std::string> fields;  // all fields after the kind, the last one unescaped
};

// Which stand-in world a test meets is a parameter of the run, not of the test: TUMBLEROO_TEST_WORLD_EXE names a
// worldsim.exe built for the other bitness (a Windows path, or a Unix one that Wine finds under Z:), and
// TUMBLEROO_TEST_WORLD_DDE how it speaks DDE (ours, ddeml or plain32: worldsim.exe --dde). Both unset: this build's
// worldsim.exe, speaking as it does by default.
struct WorldKind {
    std::string exe;  // empty: this build's
    std::string dde;  // empty: the world's default
};
WorldKind WorldKindOfThisRun();

class WorldProcess {
public:
    // Waits (up to 20 s) for the "Pelmor 3.0" window; ADD_FAILURE and ok() == false if it never appears.
    // The world's DDE server is up by then; a --scenario file is run before the world takes any DDE
    // transaction or control command, so the first Control() returns after the scenario.
    explicit WorldProcess(std::vector<std::string> extraArgs = {});
    // Sends quit, waits, terminates the process if it is still alive. Keeps the transcript (and prints
    // its tail) when the test has failed; removes it otherwise.
    ~WorldProcess();
    WorldProcess(const WorldProcess&) = delete;
    WorldProcess& operator=(const WorldProcess&) = delete;

    bool ok() const { return window_ != nullptr; }
    bool Control(const std::string& command);
    std::vector<TranscriptLine> Transcript() const;
    std::vector<TranscriptLine> Transcript(const std::string& kind) const;
    // The chat lines so far; the blocks poked on a topic (RECV), whole, in order.
    std::vector<std::string> Chat() const;
    std::vector<std::string> Received(const std::string& topic) const;
    // The chat lines added since the last call (or SkipChat), once at least `atLeast` of them have arrived.
    std::vector<std::string> NewChat(size_t atLeast, DWORD timeoutMs = 10000);
    void SkipChat() { chatSeen_ = Chat().size(); }
    // True once the process has ended (waits up to timeoutMs, handling messages).
    bool WaitForExit(DWORD timeoutMs);
    // Ends the world at once, as a crash would: nothing is unregistered, answered or cleaned up.
    void Kill();
    HWND Window() const { return window_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    std::string TranscriptPath() const { return transcriptPath_; }

private:
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
    std::string directory_;
    std::string transcriptPath_;
    size_t chatSeen_ = 0;
};

// The folder of the running test program (where every binary of the build lands), ending in '\'.
std::string BinaryDirectory();

// The whole file, read while others may hold it open; nullopt when it cannot be opened.
std::optional<std::string> ReadFileShared(const std::string& path);

// Starts a program (arguments quoted as CommandLineToArgvW reads them) in `folder` ("": this one's), with
// `environment` (nullptr: this one's); false when it cannot be started, with the command line and the reason in *error.
bool StartProcess(const std::string& exe, const std::vector<std::string>& args, PROCESS_INFORMATION* process,
                  const std::string& folder = "", const char* environment = nullptr, std::string* error = nullptr);

// Runs a program (arguments quoted as CommandLineToArgvW reads them) and returns its exit code, or -1 when it
// cannot be started or does not end within timeoutMs (it is then terminated). Handles messages meanwhile.
int RunAndWait(const std::string& exe, const std::vector<std::string>& args, DWORD timeoutMs);

// Committed private memory of this process: the committed MEM_PRIVATE regions summed (VirtualQuery), which Wine
// measures as Windows does (its process memory counters report no private usage).
size_t CommittedPrivateBytes();
// The same for another process, opened with PROCESS_QUERY_INFORMATION | PROCESS_VM_READ (VirtualQueryEx).
size_t CommittedPrivateBytes(HANDLE process);

// Handles this thread's messages while waiting, without spinning.
void PumpFor(DWORD ms);
// True if done() became true within timeoutMs; done() is checked at least every 10 ms.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Text of a window of any process (WM_GETTEXT, wide, with a time-out), as 8-bit text; "" when it does not answer.
std::string WindowText(HWND hwnd, DWORD timeoutMs = 5000);
// The visible message boxes (top-level windows of class #32770) of process pid, topmost first; of every process
// but this one with MessageBoxesOfOthers.
std::vector<HWND> MessageBoxes(DWORD pid);
std::vector<HWND> MessageBoxesOfOthers();
// The message text of a box.
inline std::string BoxText(HWND box) { return WindowText(GetDlgItem(box, 0xFFFF)); }

struct MessageBoxSeen {
    std::string caption;
    std::string text;
};

// Watches, on its own thread, for message boxes (top-level windows of class #32770) of this process;
// records caption and text and answers each with `answer` (WM_COMMAND posted to the box).
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(UINT answer = IDOK);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<MessageBoxSeen> Seen() const;
    // Handles this thread's messages meanwhile, so that boxes shown by its callbacks can appear.
    bool WaitForCount(size_t n, DWORD timeoutMs) const;

private:
    void Watch();

    UINT answer_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<MessageBoxSeen> seen_;
    std::thread thread_;
};

// A top-level window of "another program" that does not answer its messages, as a hung program's: on a thread of
// its own (on the creating thread's desktop), in this process. Hung: the thread waits on its message queue and
// never reads it, so a message sent to the window never returns. Late: it reads its messages only every lateMs.
class UnansweringWindow {
public:
    enum class Mode { Hung, Late };
    explicit UnansweringWindow(Mode mode, DWORD lateMs = 10000);
    ~UnansweringWindow();  // the window and its thread end; senders still waiting get their call back
    UnansweringWindow(const UnansweringWindow&) = delete;
    UnansweringWindow& operator=(const UnansweringWindow&) = delete;
    HWND Window() const { return window_; }

private:
    void Run(Mode mode, DWORD lateMs, HDESK desktop);

    HANDLE stop_;
    HANDLE ready_;
    std::atomic<HWND> window_{nullptr};
    std::thread thread_;
};

}  // namespace testwin
