// configurator_wine_test.cpp: Vantrel.exe driven through its own window against the stand-in world client.
// Each scenario clicks a button and checks the whole sequence of status texts, the start markers the world
// heard, and SCONTROL.TXT afterwards (its exact bytes, or that it is unchanged or still absent).
#include "configurator/configurator_ids.h"
#include "testing/world_harness_win.h"
#ifdef CONFIGURATOR_TEST_WITH_HOST
#include "host/host_ids.h"
#include "host/tools/gorvath_remote_win.h"
#endif

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <thread>

namespace {

using testwin::PumpFor;
using testwin::PumpUntil;
using testwin::WorldProcess;

constexpr char kCaption[] = "Zobek's System Configurator";
constexpr char kMe[] = "Marla";

// Each status text spelled out once; sequences below use the short names.
// clang-format off
const std::map<std::string, std::string> kStatusNames = {
    {"Starting System Configuration", "start"},            {"Starting - DDE Method", "dde"},
    {"DDE Method: Testing For Lag and Dupicates", "ddetest"}, {"DDE Method: Testing Getting ESPs", "esptest"},
    {"DDE Method Speaking failed", "dde-speaking-failed"}, {"DDE Method failed", "dde-failed"},
    {"DDE Method ESP failed", "esp-failed"},              {"DDE Method Successful", "dde-ok"},
    {"Starting - DLL Method", "dll"},                      {"DLL Method: Testing For Drops", "dlltest"},
    {"DLL Method Successful", "dll-ok"},                   {"DLL Method failed", "dll-failed"},
    {"DLL Method failed - setting timer to 1", "timer-1"}, {"DLL Method failed - setting timer to 2", "timer-2"},
    {"DLL Method failed - setting timer to 3", "timer-3"}, {"DLL Method failed - setting timer to 4", "timer-4"},
    {"DDE Method works but SCONTROL.TXT not saved", "dde-unsaved"},
    {"DLL Method works but SCONTROL.TXT not saved", "dll-unsaved"},
    {"Delay must not be negative - nothing tested", "refused-negative"},
    {"Delay must be 32767 or less - nothing tested", "refused-large"},
};
// clang-format on

std::string ReadFileBytes(const std::string& path, bool* exists = nullptr) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (exists)
        *exists = file != INVALID_HANDLE_VALUE;
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

void WriteFileBytes(const std::string& path, const std::string& content) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

std::string Narrow(const wchar_t* text, size_t length) {
    if (length == 0)
        return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

// Text of a window of another process (the wide message: see WINE-NOTES).
std::string TextOf(HWND hwnd) {
    wchar_t buffer[2048] = {};
    DWORD_PTR got = 0;
    if (!hwnd || !SendMessageTimeoutW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, 5000,
                                      &got))
        return "<no text>";
    return Narrow(buffer, std::min<size_t>(got, 2048));
}

// The test lines after the first chat line carrying `marker`: {n, time of day in seconds} of each
// "n -- Configuration Test -- hh:mm:ss", in chat order.
std::vector<std::pair<int, int>> LinesAfterMarker(const std::vector<std::string>& chat, const std::string& marker) {
    std::vector<std::pair<int, int>> lines;
    bool seen = false;
    for (const auto& line : chat) {
        if (!seen) {
            seen = line == std::string(kMe) + ": Configuration Test: " + marker;
            continue;
        }
        const size_t tag = line.find(" -- Configuration Test -- ");
        if (tag == std::string::npos || tag == 0)
            break;
        const std::string t = line.substr(line.size() - 8);
        lines.push_back({line[tag - 1] - '0',
                         std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(3, 2)) * 60 + std::stoi(t.substr(6))});
    }
    return lines;
}

// Vantrel.exe started in a folder of its own, with the status-log hook pointing into that folder.
class Configurator {
public:
    explicit Configurator(const std::string& folder) : folder_(folder) {
        const std::string log = folder + "\\status.log";
        DeleteFileA(log.c_str());
        SetEnvironmentVariableA(CONFIGURATOR_STATUS_LOG_VARIABLE, log.c_str());
        std::string commandLine = "\"" + testwin::BinaryDirectory() + "Vantrel.exe\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                            folder.c_str(), &startup, &process_);
        SetEnvironmentVariableA(CONFIGURATOR_STATUS_LOG_VARIABLE, nullptr);
        if (!started) {
            ADD_FAILURE() << "cannot start " << commandLine;
            process_ = {};
            return;
        }
        PumpUntil([&] { return (window_ = FindOwnWindow()) != nullptr; }, 20000);
        if (!window_)
            ADD_FAILURE() << "no \"" << kCaption << "\" window";
    }

    ~Configurator() {
        if (!process_.hProcess)
            return;
        if (window_)
            PostMessageA(window_, WM_CLOSE, 0, 0);
        if (!PumpUntil([&] { return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; }, 10000)) {
            ADD_FAILURE() << "Vantrel.exe did not end when its window was closed";
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }

    bool ok() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    std::string Text(int id) const { return TextOf(GetDlgItem(window_, id)); }
    void SetText(int id, const std::string& text) const {
        const std::wstring wide(text.begin(), text.end());
        DWORD_PTR result = 0;
        SendMessageTimeoutW(GetDlgItem(window_, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                            SMTO_NORMAL, 5000, &result);
    }

    // Clicks the button and returns once its handler has returned (the click is sent, not posted). Meanwhile
    // `during` runs every 10 ms on this thread, and message boxes of the program are recorded and answered.
    bool Click(int id, DWORD timeoutMs, const std::function<void()>& during = {}) {
        std::atomic<bool> finished{false};
        BOOL sent = FALSE;
        HWND button = GetDlgItem(window_, id);
        std::thread clicker([&] {
            DWORD_PTR result = 0;
            sent = SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
            finished = true;
        });
        PumpUntil(
            [&] {
                AnswerBoxes();
                if (during && !finished)
                    during();
                return finished.load();
            },
            timeoutMs + 5000);
        clicker.join();
        return sent;
    }

    // The status texts shown so far, by short name (a text without one is shown quoted).
    std::vector<std::string> Statuses() const {
        const std::string log = ReadFileBytes(folder_ + "\\status.log");
        std::vector<std::string> names;
        for (size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
            const std::string text = log.substr(start, end - start);
            const auto it = kStatusNames.find(text);
            names.push_back(it == kStatusNames.end() ? '"' + text + '"' : it->second);
        }
        return names;
    }

    const std::vector<std::string>& boxes() const { return boxes_; }

private:
    HWND FindOwnWindow() const {
        struct Search {
            DWORD pid;
            HWND found;
        } search{process_.dwProcessId, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                char title[128] = {};
                GetWindowTextA(hwnd, title, sizeof title);
                if (pid == s->pid && IsWindowVisible(hwnd) && std::string(title) == kCaption) {
                    s->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // No scenario expects a message box; any that appears is recorded (and fails the test) and answered so
    // that the run can go on.
    void AnswerBoxes() {
        struct Search {
            DWORD pid;
            std::vector<HWND> found;
        } search{process_.dwProcessId, {}};
        EnumWindows(
            [](HWND hwnd, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                char cls[32] = {};
                GetClassNameA(hwnd, cls, sizeof cls);
                if (pid == s->pid && std::string(cls) == "#32770" && IsWindowVisible(hwnd))
                    s->found.push_back(hwnd);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            boxes_.push_back(TextOf(box) + ": " + TextOf(GetDlgItem(box, 0xFFFF)));
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }

    std::string folder_;
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
    std::vector<std::string> boxes_;
};

// A fresh folder for the program to run in: it reads and writes SCONTROL.TXT there.
std::string NewFolder() {
    static int counter = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "vantrel-" + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++counter);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::vector<std::string> Chat(const WorldProcess& world) {
    std::vector<std::string> lines;
    for (const auto& line : world.Transcript("CHAT"))
        lines.push_back(line.fields.at(0));
    return lines;
}

// The start markers the world heard, by what follows "Configuration Test: ".
std::vector<std::string> Markers(const std::vector<std::string>& chat) {
    const std::string prefix = std::string(kMe) + ": Configuration Test: ";
    std::vector<std::string> markers;
    for (const auto& line : chat)
        if (line.rfind(prefix, 0) == 0)
            markers.push_back(line.substr(prefix.size()));
    return markers;
}

// Acknowledgements the world could poke back: only a program using the link library has a DDE server under
// its name; the console method's pokes leave theirs undelivered.
size_t DeliveredAcks(const WorldProcess& world) {
    size_t n = 0;
    for (const auto& line : world.Transcript("ACK"))
        n += line.fields.size() > 1 && line.fields[1] == "delivered";
    return n;
}

using Names = std::vector<std::string>;
const Names kDdeTest = {"dde", "ddetest"};

Names Seq(std::initializer_list<Names> parts) {
    Names all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// ---------------------------------------------------------------------------------------------------------
// Auto configuration (Command1), one world per scenario.

struct AutoScenario {
    const char* name;
    std::vector<std::string> world;        // control commands given to the world before the click
    std::optional<std::string> fileBefore;  // SCONTROL.TXT at start; nullopt: none
    const char* currentSetting;             // what the window shows for it, before and after the run
    Names statuses;
    Names markers;
    std::optional<std::string> fileAfter;  // nullopt: no SCONTROL.TXT
    bool libraryUsed;
    DWORD timeoutMs;
    // Checks beyond the table, on the world's transcript and the program's window afterwards.
    std::function<void(const WorldProcess&, const Configurator&)> more = {};
};


// Lag: the speech pokes of the first attempt wait in the background, those of the second (and the ESP) find
// the world in front; the first attempt's times drift more than two seconds apart, the second's do not; and
// after each request with focus control the program takes the front again.
void CheckFocusControl(const WorldProcess& world, const Configurator& app) {
    std::string places;
    for (const auto& poke : world.Transcript("RECV"))
        if (poke.fields.at(0) == "Zelmarink_Communicate")
            places += poke.fields.at(2) == "fg" ? 'F' : 'b';
    EXPECT_EQ(places, std::string(10, 'b') + std::string(11, 'F'));
    const std::vector<std::string> chat = Chat(world);
    const auto slow = LinesAfterMarker(chat, "SetFocus - off");
    const auto fast = LinesAfterMarker(chat, "SetFocus - on");
    ASSERT_EQ(slow.size(), 9u);
    ASSERT_EQ(fast.size(), 9u);
    EXPECT_GT(slow.back().second - slow.front().second, 16);
    for (size_t i = 1; i < fast.size(); ++i)
        EXPECT_LE(fast[i].second - fast[i - 1].second, 2) << "line " << fast[i].first;
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == app.window(); }, 5000));
}

// Library: a wait of d clock seconds after each line puts d - 1 to d seconds (plus the line's own time)
// between consecutive lines' times; line 5 is missing until the delay of 3.
void CheckLibraryPacing(const WorldProcess& world, const Configurator&) {
    const std::vector<std::string> chat = Chat(world);
    for (int delay : {0, 1, 2, 3}) {
        const auto lines = LinesAfterMarker(chat, std::to_string(delay));
        ASSERT_EQ(lines.size(), delay == 3 ? 9u : 8u) << "delay " << delay;
        for (size_t i = 1; i < lines.size(); ++i) {
            if (lines[i].first != lines[i - 1].first + 1)
                continue;
            const int gap = lines[i].second - lines[i - 1].second;
            EXPECT_GE(gap, std::max(delay - 1, 0)) << "delay " << delay << ", line " << lines[i].first;
            EXPECT_LE(gap, delay + 1) << "delay " << delay << ", line " << lines[i].first;
        }
    }
}

const Names kDllEscalation = {"dlltest", "timer-1", "dlltest", "timer-2", "dlltest", "timer-3",
                              "dlltest", "timer-4", "dlltest", "dll-failed"};

// clang-format off
const AutoScenario kAutoScenarios[] = {
    {"CleanWorld", {},
     std::nullopt, "DDE Method",
     Seq({{"start"}, kDdeTest, {"esptest", "dde-ok"}}),
     {"SetFocus - off"},
     "Pelmor 3.0\r\n0\r\n0\r\n0\r\n", false, 60000},
    // The world keeps every speech poke waiting 2.6 s unless its window is in front: the lines' times drift
    // apart by more than two seconds until focus control brings the world forward.
    {"LagGoesAwayWithFocus", {"fault|lag|2600"},
     "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", "DLL Method",
     Seq({{"start"}, kDdeTest, kDdeTest, {"esptest", "dde-ok"}}),
     {"SetFocus - off", "SetFocus - on"},
     "Pelmor 3.0\r\n1\r\n0\r\n0\r\n", false, 120000, CheckFocusControl},
    {"DuplicatedLine", {"fault|dup|3 -- Configuration Test|1"},
     "Pelmor 3.0\r\n0\r\n1\r\n3\r\n", "DLL Method - Timer set to 3 seconds",
     Seq({{"start"}, kDdeTest, {"dde-failed", "dll", "dlltest", "dll-ok"}}),
     {"SetFocus - off", "0"},
     "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", true, 60000},
    // Line 5 is lost until the library is paced with three seconds after each line.
    {"LibraryOnlyWithDelay3", {"fault|drop|5 -- Configuration Test|0", "once|Configuration Test: 3|fault|drop|off"},
     "Pelmor 3.0\r\n1\r\n0\r\n0\r\n", "DDE Method - Set Focus Control On and Pelmor App Title is Pelmor 3.0",
     Seq({{"start"}, kDdeTest, {"dde-failed", "dll", "dlltest", "timer-1", "dlltest", "timer-2", "dlltest", "timer-3",
                                "dlltest", "dll-ok"}}),
     {"SetFocus - off", "0", "1", "2", "3"},
     "Pelmor 3.0\r\n0\r\n1\r\n3\r\n", true, 180000, CheckLibraryPacing},
    {"LibraryNeverWorks", {"fault|drop|5 -- Configuration Test|0"},
     "My Pelmor\r\n1\r\n1\r\n2.5\r\n", "DLL Method - Timer set to 2 seconds",
     Seq({{"start"}, kDdeTest, {"dde-failed", "dll"}, kDllEscalation}),
     {"SetFocus - off", "0", "1", "2", "3", "4"},
     "My Pelmor\r\n1\r\n1\r\n2.5\r\n", true, 240000},
    // Nothing comes back from any fetch, so the world's chat is the only witness of what was said.
    {"NoChatText", {"fault|notext|on"},
     std::nullopt, "DDE Method",
     Seq({{"start"}, kDdeTest, {"dde-speaking-failed", "dll"}, kDllEscalation}),
     {"SetFocus - off", "0", "1", "2", "3", "4"},
     std::nullopt, true, 240000},
};
// clang-format on

class AutoConfiguration : public ::testing::TestWithParam<AutoScenario> {};

TEST_P(AutoConfiguration, FindsTheMethodAndSavesIt) {
    const AutoScenario& s = GetParam();
    WorldProcess world({"--me", kMe});
    ASSERT_TRUE(world.ok());
    for (const auto& command : s.world)
        ASSERT_TRUE(world.Control(command)) << command;
    const std::string folder = NewFolder();
    const std::string settings = folder + "\\SCONTROL.TXT";
    if (s.fileBefore)
        WriteFileBytes(settings, *s.fileBefore);

    Configurator app(folder);
    ASSERT_TRUE(app.ok());
    EXPECT_EQ(app.Text(IDC_CONFIGURATOR_CURRENT_SETTING), s.currentSetting);
    EXPECT_EQ(app.Text(IDC_CONFIGURATOR_LSTATUS), "");

    // Halfway through the speech a second button is clicked: the busy window must ignore it.
    bool midRunChecked = false;
    const auto during = [&] {
        if (midRunChecked || Chat(world).size() < 5)
            return;
        midRunChecked = true;
        EXPECT_FALSE(IsWindowEnabled(app.window())) << "not disabled while busy";
        PostMessageA(GetDlgItem(app.window(), IDC_CONFIGURATOR_COMMAND2), BM_CLICK, 0, 0);
    };
    ASSERT_TRUE(app.Click(IDC_CONFIGURATOR_COMMAND1, s.timeoutMs, during));
    PumpFor(500);  // room for a wrongly started second run to show

    EXPECT_TRUE(midRunChecked);
    EXPECT_EQ(app.Statuses(), s.statuses);
    EXPECT_TRUE(IsWindowEnabled(app.window()));
    EXPECT_EQ(app.Text(IDC_CONFIGURATOR_CURRENT_SETTING), s.currentSetting) << "written at load only";
    EXPECT_TRUE(app.boxes().empty()) << app.boxes().front();

    const std::vector<std::string> chat = Chat(world);
    EXPECT_EQ(Markers(chat), s.markers);
    EXPECT_EQ(DeliveredAcks(world) > 0, s.libraryUsed) << "acknowledgements reach only the library method";
    bool exists = false;
    const std::string after = ReadFileBytes(settings, &exists);
    EXPECT_EQ(exists, s.fileAfter.has_value());
    EXPECT_EQ(after, s.fileAfter.value_or(""));

    const bool ddeSucceeded = s.statuses.back() == "dde-ok";
    EXPECT_EQ(std::count(chat.begin(), chat.end(), std::string("ESP from ") + kMe + ": Configuration Test!"),
              ddeSucceeded ? 1 : 0);
    if (s.more)
        s.more(world, app);
}

void PrintTo(const AutoScenario& s, std::ostream* os) {
    *os << s.name;
}

std::string ScenarioName(const ::testing::TestParamInfo<AutoScenario>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, AutoConfiguration, ::testing::ValuesIn(kAutoScenarios), ScenarioName);

// ---------------------------------------------------------------------------------------------------------
// The manual buttons, one after another in one program against a world where the DDE method works only with
// focus control.

struct ManualStep {
    const char* what;
    std::vector<std::string> world;  // control commands before the click
    const char* manualSeconds;       // typed into ManualSeconds first; nullptr: left as it is
    // Another program holds SCONTROL.TXT open, sharing nothing, during the click. (A read-only attribute would
    // be the everyday case, but Wine running as root writes read-only files all the same.)
    bool settingsLocked;
    int button;
    Names statuses;  // shown by this click
    Names markers;   // spoken by this click
    const char* fileAfter;
};

constexpr char kStartFile[] = "My Pelmor\r\n1\r\n0\r\n0\r\n";

// clang-format off
const ManualStep kManualSteps[] = {
    {"DDE without focus: lag", {}, nullptr, false, IDC_CONFIGURATOR_COMMAND2,
     Seq({{"start"}, kDdeTest, {"dde-failed"}}), {"SetFocus - off"}, kStartFile},
    {"DDE with focus control", {}, nullptr, false, IDC_CONFIGURATOR_COMMAND3,
     Seq({{"start"}, kDdeTest, {"esptest", "dde-ok"}}), {"SetFocus - on"}, "Pelmor 3.0\r\n1\r\n0\r\n0\r\n"},
    {"DLL, letters for the delay, a lost line", {"fault|lag|0", "fault|drop|5 -- Configuration Test|1"}, "abc", false,
     IDC_CONFIGURATOR_COMMAND4, {"start", "dll", "dlltest", "dll-failed"}, {"0"}, "Pelmor 3.0\r\n1\r\n0\r\n0\r\n"},
    {"DLL, 1.5 seconds rounds to 2", {}, " 1.5", false, IDC_CONFIGURATOR_COMMAND4,
     {"start", "dll", "dlltest", "dll-ok"}, {"2"}, "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"},
    {"DLL, negative delay refused", {}, "-1", false, IDC_CONFIGURATOR_COMMAND4,
     {"refused-negative"}, {}, "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"},
    {"DLL, delay beyond 16 bits refused", {}, "40000", false, IDC_CONFIGURATOR_COMMAND4,
     {"refused-large"}, {}, "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"},
    // The chat still holds the first library test's marker: the first marker in the capture wins, so the lines
    // after it (line 5 lost) are judged again.
    {"DLL, delay 0 again, an earlier marker 0 in the chat", {}, "0", false, IDC_CONFIGURATOR_COMMAND4,
     {"start", "dll", "dlltest", "dll-failed"}, {"0"}, "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"},
    {"DLL passes but the file cannot be written", {"clear"}, "0", true, IDC_CONFIGURATOR_COMMAND4,
     {"start", "dll", "dlltest", "dll-unsaved"}, {"0"}, "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"},
};
// clang-format on

TEST(ManualTests, EachButtonTestsOneMethodAndSavesOnlyASuccess) {
    WorldProcess world({"--me", kMe});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("fault|lag|2600"));
    const std::string folder = NewFolder();
    const std::string settings = folder + "\\SCONTROL.TXT";
    WriteFileBytes(settings, kStartFile);
    Configurator app(folder);
    ASSERT_TRUE(app.ok());
    EXPECT_EQ(app.Text(IDC_CONFIGURATOR_CURRENT_SETTING),
              "DDE Method - Set Focus Control On and Pelmor App Title is My Pelmor");
    EXPECT_EQ(app.Text(IDC_CONFIGURATOR_MANUAL_SECONDS), "0");

    for (const ManualStep& step : kManualSteps) {
        SCOPED_TRACE(step.what);
        for (const auto& command : step.world)
            ASSERT_TRUE(world.Control(command)) << command;
        if (step.manualSeconds)
            app.SetText(IDC_CONFIGURATOR_MANUAL_SECONDS, step.manualSeconds);
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (step.settingsLocked) {
            lock = CreateFileA(settings.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
            ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        }
        const size_t statusesBefore = app.Statuses().size();
        const size_t markersBefore = Markers(Chat(world)).size();

        ASSERT_TRUE(app.Click(step.button, 120000));
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);

        const Names statuses = app.Statuses();
        EXPECT_EQ(Names(statuses.begin() + static_cast<std::ptrdiff_t>(statusesBefore), statuses.end()),
                  step.statuses);
        const Names markers = Markers(Chat(world));
        EXPECT_EQ(Names(markers.begin() + static_cast<std::ptrdiff_t>(markersBefore), markers.end()), step.markers);
        EXPECT_EQ(ReadFileBytes(settings), step.fileAfter);
    }
    EXPECT_EQ(app.Text(IDC_CONFIGURATOR_CURRENT_SETTING),
              "DDE Method - Set Focus Control On and Pelmor App Title is My Pelmor");
    EXPECT_TRUE(app.boxes().empty()) << app.boxes().front();
}

#ifdef CONFIGURATOR_TEST_WITH_HOST
// ---------------------------------------------------------------------------------------------------------
// The whole link: the game host, started in the folder where the configurator saved its result, speaks by the
// method chosen. The world's faults stay on, so only that method gets the line through as it should.

struct HostCase {
    const char* what;
    std::vector<std::string> world;
    std::string settings;  // what the configurator saves
    char place;            // where the world was when the host's speech arrived: 'F' in front, 'b' behind
    bool library;          // the acknowledgements of the host's requests reach it
};

// clang-format off
const HostCase kHostCases[] = {
    {"console method", {}, "Pelmor 3.0\r\n0\r\n0\r\n0\r\n", 'b', false},
    {"console method with focus control", {"fault|lag|2600"}, "Pelmor 3.0\r\n1\r\n0\r\n0\r\n", 'F', false},
    {"library method", {"fault|dup|3 -- Configuration Test|1"}, "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", 'b', true},
};
// clang-format on

TEST(WholeLink, TheHostSpeaksByTheMethodTheConfiguratorChose) {
    const std::string request = "Please ESP a single $ to me to be put on the List.";
    for (const HostCase& c : kHostCases) {
        SCOPED_TRACE(c.what);
        WorldProcess world({"--me", kMe});
        ASSERT_TRUE(world.ok());
        for (const auto& command : c.world)
            ASSERT_TRUE(world.Control(command)) << command;
        const std::string folder = NewFolder();
        {
            Configurator app(folder);
            ASSERT_TRUE(app.ok());
            ASSERT_TRUE(app.Click(IDC_CONFIGURATOR_COMMAND1, 120000));
        }
        ASSERT_EQ(ReadFileBytes(folder + "\\SCONTROL.TXT"), c.settings);

        hostremote::Gorvath host(testwin::BinaryDirectory() + "Gorvath.exe", folder);
        ASSERT_TRUE(host.ok()) << host.Error();
        ASSERT_TRUE(host.Run(IDM_ASKFORIT));
        ASSERT_TRUE(host.Close());

        const std::vector<std::string> chat = Chat(world);
        EXPECT_EQ(std::count(chat.begin(), chat.end(), std::string(kMe) + ": " + request), 1);
        std::string places;
        for (const auto& poke : world.Transcript("RECV"))
            if (poke.fields.at(3).find(request) != std::string::npos)
                places += poke.fields.at(2) == "fg" ? 'F' : 'b';
        EXPECT_EQ(places, std::string(1, c.place));
        size_t hostAcks = 0, delivered = 0;
        for (const auto& ack : world.Transcript("ACK")) {
            if (ack.fields.at(0) == "Tumbleroo") {
                ++hostAcks;
                delivered += ack.fields.at(1) == "delivered";
            }
        }
        EXPECT_GT(hostAcks, 0u);
        EXPECT_EQ(delivered, c.library ? hostAcks : 0u);
    }
}
#endif

}  // namespace
