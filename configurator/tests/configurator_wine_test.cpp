// configurator_wine_test.cpp: Vantrel.exe driven through its own window against the stand-in world client.
// Each scenario clicks buttons and checks the whole sequence of status texts, the start markers the world
// heard, and SCONTROL.TXT after each click (its exact bytes, or that it is unchanged or still absent).
#include "common/controls_win.h"
#include "configurator/configurator_layout.h"
#include "configurator/test_hook.h"
#include "configurator/tests/status_names.h"
#include "testing/program_harness_win.h"
#ifdef CONFIGURATOR_TEST_WITH_HOST
#include "common/about.h"
#include "common/sha256.h"
#include "host/host_ids.h"
#include "host/tools/gorvath_remote_win.h"
#include "tumbleroo_commit.h"
#include "tumbleroo_version.h"
#endif

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>

namespace {

using testwin::kMe;
using testwin::PumpUntil;
using testwin::WorldProcess;
using Lines = std::vector<std::string>;

// Vantrel.exe started in `folder`, with its status-log hook pointing into that folder.
class Configurator : public testwin::Program {
  public:
    explicit Configurator(const std::string& folder, const char* environment = nullptr)
        : Program(testwin::BinaryDirectory() + "Vantrel.exe", folder, config::kWindowCaption, environment),
          log_(folder + "\\status.log") {
        // Every status text from now on goes to the log, through the window's test hook.
        const ATOM file = GlobalAddAtomA(log_.c_str());
        DWORD_PTR taken = 0;
        if (!ok() || !SendMessageTimeoutW(Window(), Hook(), config::kHookStatusLog, file, SMTO_NORMAL, 5000, &taken) ||
            taken != 1)
            ADD_FAILURE() << "the status log hook was not taken";
        GlobalDeleteAtom(file);
    }

    static UINT Hook() { return RegisterWindowMessageA(config::kTestHookMessage); }
    // Clicks the button and returns once its handler has returned: the click is sent from a thread of its own,
    // while this one runs `during` every 10 ms and answers (and records) any message box of the program.
    bool Click(int id, DWORD timeoutMs, const std::function<void()>& during) {
        std::atomic<bool> finished{false};
        BOOL sent = FALSE;
        std::thread clicker([&, button = Control(id)] {
            sent = SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, nullptr);
            finished = true;
        });
        PumpUntil(
            [&] {
                for (auto open = Boxes(); !open.empty(); open = Boxes()) {
                    boxes.push_back(testwin::BoxText(open.front()));
                    SendMessageTimeoutW(open.front(), WM_COMMAND, IDOK, 0, SMTO_NORMAL, 5000, nullptr);
                }
                if (!finished)
                    during();
                return finished.load();
            },
            timeoutMs + 5000);
        clicker.join();
        return sent;
    }
    Lines Statuses() const {
        const std::string log = testwin::ReadFileShared(log_).value_or("");
        Lines names;
        for (size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos; start = end + 2) {
            names.push_back(configtest::StatusName(log.substr(start, end - start)));
        }
        return names;
    }

    Lines boxes;

  private:
    std::string log_;
};

// The start markers the world heard, by what follows "Configuration Test: ".
Lines Markers(const WorldProcess& world) {
    const std::string prefix = std::string(kMe) + ": Configuration Test: ";
    Lines markers;
    for (const auto& line : world.Chat())
        if (line.rfind(prefix, 0) == 0)
            markers.push_back(line.substr(prefix.size()));
    return markers;
}

// Seconds from one hh:mm:ss stamp to a later one, across midnight too.
int SecondsBetween(int earlier, int later) {
    return ((later - earlier) % 86400 + 86400) % 86400;
}

// {n, time of day in seconds} of the test lines that follow the first chat line of `marker`.
std::vector<std::pair<int, int>> LinesAfterMarker(const WorldProcess& world, const std::string& marker) {
    std::vector<std::pair<int, int>> lines;
    const Lines chat = world.Chat();
    auto it = std::find(chat.begin(), chat.end(), std::string(kMe) + ": Configuration Test: " + marker);
    for (it = it == chat.end() ? it : it + 1; it != chat.end(); ++it) {
        const size_t tag = it->find(" -- Configuration Test -- ");
        if (tag == std::string::npos || tag == 0)
            break;
        const auto part = [&](size_t from) { return std::stoi(it->substr(it->size() - 8 + from, 2)); };
        lines.push_back({(*it)[tag - 1] - '0', part(0) * 3600 + part(3) * 60 + part(6)});
    }
    return lines;
}

// Acknowledgements reach only a program using the link library: the console method has no DDE server.
size_t DeliveredAcks(const WorldProcess& world, const std::string& program) {
    size_t n = 0;
    for (const auto& ack : world.Transcript("ACK"))
        n += ack.fields.at(0) == program && ack.fields.at(1) == "delivered";
    return n;
}

Lines Seq(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}
const Lines kDdeTest = {"dde", "ddetest"};
const Lines kDllEscalation = {"dlltest", "timer-1", "dlltest", "timer-2", "dlltest",
                              "timer-3", "dlltest", "timer-4", "dlltest", "dll-failed"};

struct Step {
    const char* what;
    Lines world;          // control commands given to the world first
    const char* seconds;  // typed into ManualSeconds first; nullptr: left as it is
    bool settingsLocked;  // another program holds SCONTROL.TXT open, sharing nothing, meanwhile
    int button;
    Lines statuses;                       // shown by this click
    Lines markers;                        // spoken by this click
    std::optional<std::string> settings;  // SCONTROL.TXT afterwards; nullopt: there is none
};

struct Scenario {
    const char* name;
    Lines world;
    std::optional<std::string> settings;  // SCONTROL.TXT at start
    const char* currentSetting;           // shown at load and never changed
    std::vector<Step> steps;
    bool library;  // whether any step used the library method
    std::function<void(const WorldProcess&, const Configurator&)> more = {};
};

// Lag: the first attempt's speech waits behind the world's window and its lines drift more than two seconds
// apart; the second attempt's and the ESP find the world in front; afterwards the program is in front again.
void CheckFocusControl(const WorldProcess& world, const Configurator& app) {
    std::string places;
    for (const auto& poke : world.Transcript("RECV"))
        if (poke.fields.at(0) == "Zelmarink_Communicate")
            places += poke.fields.at(2) == "fg" ? 'F' : 'b';
    EXPECT_EQ(places, std::string(10, 'b') + std::string(11, 'F'));
    const auto slow = LinesAfterMarker(world, "SetFocus - off"), fast = LinesAfterMarker(world, "SetFocus - on");
    ASSERT_EQ(slow.size(), 9u);
    ASSERT_EQ(fast.size(), 9u);
    EXPECT_GT(SecondsBetween(slow.front().second, slow.back().second), 16);
    EXPECT_LE(SecondsBetween(fast.front().second, fast.back().second), 2);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == app.Window(); }, 5000));
}

// Library: a wait of d clock seconds after each line puts d - 1 to d + 1 seconds between consecutive lines.
void CheckLibraryPacing(const WorldProcess& world, const Configurator&) {
    for (int delay : {0, 1, 2, 3}) {
        const auto lines = LinesAfterMarker(world, std::to_string(delay));
        ASSERT_EQ(lines.size(), delay == 3 ? 9u : 8u) << "delay " << delay;  // line 5 lost below 3
        for (size_t i = 1; i < lines.size(); ++i) {
            const int gap = SecondsBetween(lines[i - 1].second, lines[i].second);
            const bool next = lines[i].first == lines[i - 1].first + 1;
            EXPECT_TRUE(!next || (gap >= delay - 1 && gap <= delay + 1)) << "delay " << delay << ": " << gap << " s";
        }
    }
}

// Pinned on top at load, and again after being minimised and restored.
void CheckPinnedOnTop(const WorldProcess&, const Configurator& app) {
    const auto topmost = [&] { return (GetWindowLongA(app.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    EXPECT_TRUE(topmost());
    SetWindowPos(app.Window(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_FALSE(topmost());
    PostMessageA(app.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(app.Window()); }, 5000));
    PostMessageA(app.Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(app.Window()) && topmost(); }, 5000));
}

constexpr int kAuto = IDC_CONFIGURATOR_COMMAND1;
constexpr char kManualStart[] = "My Pelmor\r\n1\r\n0\r\n0\r\n";

// clang-format off
const Scenario kScenarios[] = {
    {"CleanWorld", {}, std::nullopt, "DDE Method",
     {{"auto", {}, nullptr, false, kAuto, Seq({{"start"}, kDdeTest, {"esptest", "dde-ok"}}), {"SetFocus - off"},
       "Pelmor 3.0\r\n0\r\n0\r\n0\r\n"}},
     false, CheckPinnedOnTop},
    // Every speech poke waits 2.6 s unless the world's window is in front.
    {"LagGoesAwayWithFocus", {"fault|lag|2600"}, "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", "DLL Method",
     {{"auto", {}, nullptr, false, kAuto, Seq({{"start"}, kDdeTest, kDdeTest, {"esptest", "dde-ok"}}),
       {"SetFocus - off", "SetFocus - on"}, "Pelmor 3.0\r\n1\r\n0\r\n0\r\n"}},
     false, CheckFocusControl},
    {"DuplicatedLine", {"fault|dup|3 -- Configuration Test|1"}, "Pelmor 3.0\r\n0\r\n1\r\n3\r\n",
     "DLL Method - Timer set to 3 seconds",
     {{"auto", {}, nullptr, false, kAuto, Seq({{"start"}, kDdeTest, {"dde-failed", "dll", "dlltest", "dll-ok"}}),
       {"SetFocus - off", "0"}, "Pelmor 3.0\r\n0\r\n1\r\n0\r\n"}},
     true},
    // Line 5 is lost until the library is paced with three seconds after each line.
    {"LibraryOnlyWithDelay3", {"fault|drop|5 -- Configuration Test|0", "once|Configuration Test: 3|fault|drop|off"},
     "Pelmor 3.0\r\n1\r\n0\r\n0\r\n", "DDE Method - Set Focus Control On and Pelmor App Title is Pelmor 3.0",
     {{"auto", {}, nullptr, false, kAuto,
       Seq({{"start"}, kDdeTest, {"dde-failed", "dll", "dlltest", "timer-1", "dlltest", "timer-2", "dlltest",
                                  "timer-3", "dlltest", "dll-ok"}}),
       {"SetFocus - off", "0", "1", "2", "3"}, "Pelmor 3.0\r\n0\r\n1\r\n3\r\n"}},
     true, CheckLibraryPacing},
    {"LibraryNeverWorks", {"fault|drop|5 -- Configuration Test|0"}, "My Pelmor\r\n1\r\n1\r\n2.5\r\n",
     "DLL Method - Timer set to 2 seconds",
     {{"auto", {}, nullptr, false, kAuto, Seq({{"start"}, kDdeTest, {"dde-failed", "dll"}, kDllEscalation}),
       {"SetFocus - off", "0", "1", "2", "3", "4"}, "My Pelmor\r\n1\r\n1\r\n2.5\r\n"}},
     true},
    {"NoChatText", {"fault|notext|on"}, std::nullopt, "DDE Method",
     {{"auto", {}, nullptr, false, kAuto, Seq({{"start"}, kDdeTest, {"dde-speaking-failed", "dll"}, kDllEscalation}),
       {"SetFocus - off", "0", "1", "2", "3", "4"}, std::nullopt}},
     true},
    // The manual buttons one after another, against a world where the DDE method works only with focus control.
    {"ManualTests", {"fault|lag|2600"}, kManualStart,
     "DDE Method - Set Focus Control On and Pelmor App Title is My Pelmor",
     {{"DDE without focus: lag", {}, nullptr, false, IDC_CONFIGURATOR_COMMAND2,
       Seq({{"start"}, kDdeTest, {"dde-failed"}}), {"SetFocus - off"}, kManualStart},
      {"DDE with focus control", {}, nullptr, false, IDC_CONFIGURATOR_COMMAND3,
       Seq({{"start"}, kDdeTest, {"esptest", "dde-ok"}}), {"SetFocus - on"}, "Pelmor 3.0\r\n1\r\n0\r\n0\r\n"},
      {"DLL, letters for a delay, a lost line", {"fault|lag|0", "fault|drop|5 -- Configuration Test|1"}, "abc",
       false, IDC_CONFIGURATOR_COMMAND4, {"start", "dll", "dlltest", "dll-failed"}, {"0"},
       "Pelmor 3.0\r\n1\r\n0\r\n0\r\n"},
      {"DLL, 1.5 seconds rounds to 2", {}, " 1.5", false, IDC_CONFIGURATOR_COMMAND4,
       {"start", "dll", "dlltest", "dll-ok"}, {"2"}, "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"},
      {"DLL, negative delay refused", {}, "-1", false, IDC_CONFIGURATOR_COMMAND4, {"refused-negative"}, {},
       "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"},
      {"DLL, delay beyond 16 bits refused", {}, "40000", false, IDC_CONFIGURATOR_COMMAND4, {"refused-large"}, {},
       "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"},
      // The first marker in the capture wins: the first library test's lines (line 5 lost) are judged again.
      {"DLL, delay 0 again, an earlier marker 0 in the chat", {}, "0", false, IDC_CONFIGURATOR_COMMAND4,
       {"start", "dll", "dlltest", "dll-failed"}, {"0"}, "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"},
      // A locked file stands in for a read-only one: Wine running as root writes read-only files all the same.
      {"DLL passes, SCONTROL.TXT cannot be written", {"clear"}, "0", true, IDC_CONFIGURATOR_COMMAND4,
       {"start", "dll", "dlltest", "dll-unsaved"}, {"0"}, "Pelmor 3.0\r\n0\r\n1\r\n2\r\n"}},
     true},
};
// clang-format on

class ConfiguratorWine : public ::testing::TestWithParam<Scenario> {};

TEST_P(ConfiguratorWine, StatusesMarkersAndSettingsFile) {
    const Scenario& s = GetParam();
    WorldProcess world({"--me", kMe});
    ASSERT_TRUE(world.ok());
    for (const auto& command : s.world)
        ASSERT_TRUE(world.Control(command)) << command;
    const testwin::Folder folder("vantrel");
    const std::string settings = folder.Path("SCONTROL.TXT");
    if (s.settings) {
        ASSERT_TRUE(folder.Write("SCONTROL.TXT", *s.settings));
    }
    Configurator app(folder.path());
    ASSERT_TRUE(app.Window());
    EXPECT_EQ(app.Text(IDC_CONFIGURATOR_CURRENT_SETTING), s.currentSetting);
    EXPECT_EQ(app.Text(IDC_CONFIGURATOR_MANUAL_SECONDS), "0");

    size_t espTests = 0;
    for (const Step& step : s.steps) {
        SCOPED_TRACE(step.what);
        for (const auto& command : step.world)
            ASSERT_TRUE(world.Control(command)) << command;
        if (step.seconds)
            app.Type(IDC_CONFIGURATOR_MANUAL_SECONDS, step.seconds);
        HANDLE lock = step.settingsLocked
                          ? CreateFileA(settings.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                          : INVALID_HANDLE_VALUE;
        const size_t statusesBefore = app.Statuses().size(), markersBefore = Markers(world).size(),
                     chatBefore = world.Chat().size();
        // Once the world has heard a few lines, a click on another button must find the window busy and do nothing.
        bool busyChecked = false;
        const auto during = [&] {
            if (busyChecked || world.Chat().size() < chatBefore + 4)
                return;
            busyChecked = true;
            EXPECT_FALSE(IsWindowEnabled(app.Window()));
            PostMessageA(GetDlgItem(app.Window(), IDC_CONFIGURATOR_COMMAND2), BM_CLICK, 0, 0);
        };
        ASSERT_TRUE(app.Click(step.button, 240000, during));
        testwin::PumpFor(300);  // room for a wrongly started second run to show
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);

        const Lines statuses = app.Statuses(), markers = Markers(world);
        EXPECT_EQ(Lines(statuses.begin() + static_cast<std::ptrdiff_t>(statusesBefore), statuses.end()), step.statuses);
        EXPECT_EQ(Lines(markers.begin() + static_cast<std::ptrdiff_t>(markersBefore), markers.end()), step.markers);
        EXPECT_EQ(testwin::ReadFileShared(settings), step.settings);
        EXPECT_EQ(testwin::ReadFileShared(settings + ".tmp"), std::nullopt) << "nothing left beside it";
        EXPECT_TRUE(busyChecked || step.markers.empty());
        EXPECT_TRUE(IsWindowEnabled(app.Window()));
        espTests += std::count(step.statuses.begin(), step.statuses.end(), "esptest");
    }
    EXPECT_EQ(app.Text(IDC_CONFIGURATOR_CURRENT_SETTING), s.currentSetting) << "written at load only";
    EXPECT_TRUE(app.boxes.empty()) << app.boxes.front();
    EXPECT_EQ(DeliveredAcks(world, "Ostrivar") > 0, s.library) << "acknowledgements reach the library method only";
    const Lines chat = world.Chat();
    EXPECT_EQ(std::count(chat.begin(), chat.end(), std::string("ESP from ") + kMe + ": Configuration Test!"),
              static_cast<std::ptrdiff_t>(espTests));
    if (s.more)
        s.more(world, app);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ConfiguratorWine, ::testing::ValuesIn(kScenarios), [](const auto& info) {
    return std::string(info.param.name);
});

// Closing the window, or a quit request, in the middle of a test ends the program within a few seconds: the test
// stops at its next step, the link is closed (the world hears the program unregister), and SCONTROL.TXT stays as
// it was although the run would have saved a working method had it gone on.
TEST(ConfiguratorEnding, DuringATestTheProgramStopsItAndEnds) {
    const struct {
        const char* name;
        Lines world;
        const char* marker;  // the end comes once three test lines followed this marker
        bool quit;           // a WM_QUIT posted to the program's thread instead of closing its window
    } cases[] = {
        // The library method works from a delay of 2 on; the end comes during the test with delay 1.
        {"closed during a library test",
         {"fault|drop|5 -- Configuration Test|0", "once|Configuration Test: 2|fault|drop|off"},
         "1",
         false},
        // The DDE method lags 2.6 s a line, so its first attempt alone would last half a minute.
        {"quit during a DDE test", {"fault|lag|2600"}, "SetFocus - off", true},
    };
    const std::string before = "My Pelmor\r\n1\r\n1\r\n4\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WorldProcess world({"--me", kMe});
        ASSERT_TRUE(world.ok());
        for (const auto& command : c.world)
            ASSERT_TRUE(world.Control(command)) << command;
        const testwin::Folder folder("vantrel");
        const std::string settings = folder.Path("SCONTROL.TXT");
        ASSERT_TRUE(folder.Write("SCONTROL.TXT", before));

        Configurator app(folder.path());
        ASSERT_TRUE(app.Window());
        DWORD endedAt = 0;
        size_t chatAtEnd = 0;
        app.Click(IDC_CONFIGURATOR_COMMAND1, 240000, [&] {
            if (endedAt || LinesAfterMarker(world, c.marker).size() < 3)
                return;
            chatAtEnd = world.Chat().size();
            endedAt = GetTickCount();
            if (c.quit)
                PostThreadMessageA(app.ThreadId(), WM_QUIT, 0, 0);
            else
                PostMessageA(app.Window(), WM_CLOSE, 0, 0);
        });
        ASSERT_NE(endedAt, 0u) << "the test never got that far";
        ASSERT_TRUE(PumpUntil([&] { return app.Ended(); }, 30000));
        const DWORD took = GetTickCount() - endedAt;
        std::printf("%s: the program ended %lu ms after the request\n", c.name, static_cast<unsigned long>(took));
        EXPECT_LT(took, 6000u) << "ms from the request to the end of the program";
        EXPECT_LE(world.Chat().size(), chatAtEnd + 1) << "at most the line under way when the end came";
        EXPECT_EQ(testwin::ReadFileShared(settings), before);
        EXPECT_EQ(testwin::ReadFileShared(settings + ".tmp"), std::nullopt);
        Lines topics;
        for (const auto& poke : world.Transcript("RECV"))
            topics.push_back(poke.fields.at(0));
        ASSERT_FALSE(topics.empty());
        EXPECT_EQ(topics.back(), "Zelmarink_Unregister") << "the link was closed last";
    }
}

// Keyboard: Tab visits the four buttons and the seconds box in the order of the window's design (labels are
// skipped), the keyboard starts on "Auto Configuration" and comes back to the button that ran a test. Label1's
// text shows whole: its font stays at the designed 8.25 pt where that fits, and otherwise is the largest size
// down to 7 pt that does (measured here with the same fonts).
TEST(ConfiguratorWindow, KeyboardAndInstructionFont) {
    const testwin::Folder folder("vantrel");
    Configurator app(folder.path());
    ASSERT_TRUE(app.Window());

    const int design[] = {IDC_CONFIGURATOR_LABEL1,   IDC_CONFIGURATOR_CURRENT_SETTING, IDC_CONFIGURATOR_COMMAND1,
                          IDC_CONFIGURATOR_LSTATUS,  IDC_CONFIGURATOR_LABEL2,          IDC_CONFIGURATOR_COMMAND2,
                          IDC_CONFIGURATOR_COMMAND3, IDC_CONFIGURATOR_COMMAND4,        IDC_CONFIGURATOR_MANUAL_SECONDS};
    std::vector<int> order, stops;
    for (HWND c = GetWindow(app.Window(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        order.push_back(GetDlgCtrlID(c));
        if (GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP)
            stops.push_back(GetDlgCtrlID(c));
    }
    EXPECT_EQ(order, std::vector<int>(std::begin(design), std::end(design)));
    EXPECT_EQ(stops, (std::vector<int>{IDC_CONFIGURATOR_COMMAND1, IDC_CONFIGURATOR_COMMAND2, IDC_CONFIGURATOR_COMMAND3,
                                       IDC_CONFIGURATOR_COMMAND4, IDC_CONFIGURATOR_MANUAL_SECONDS}));
    EXPECT_EQ(app.Focus(), app.Control(IDC_CONFIGURATOR_COMMAND1)) << "at start";
    app.Type(IDC_CONFIGURATOR_MANUAL_SECONDS, "-1");  // refused at once, inside the busy state
    ASSERT_TRUE(app.Click(IDC_CONFIGURATOR_COMMAND4, 20000, [] {}));
    EXPECT_EQ(app.Statuses(), Lines{"refused-negative"});
    EXPECT_TRUE(PumpUntil([&] { return app.Focus() == app.Control(IDC_CONFIGURATOR_COMMAND4); }, 2000))
        << "the keyboard is back on the button after the busy state";
    // What the dialog keys do: Tab and Shift+Tab step through the tab stops, Enter presses the focused button.
    std::vector<int> forward, backward;
    for (HWND c = app.Control(IDC_CONFIGURATOR_COMMAND1); forward.size() < 6;
         c = GetNextDlgTabItem(app.Window(), c, FALSE))
        forward.push_back(GetDlgCtrlID(c));
    for (HWND c = app.Control(IDC_CONFIGURATOR_COMMAND1); backward.size() < 3;
         c = GetNextDlgTabItem(app.Window(), c, TRUE))
        backward.push_back(GetDlgCtrlID(c));
    EXPECT_EQ(forward, (std::vector<int>{IDC_CONFIGURATOR_COMMAND1, IDC_CONFIGURATOR_COMMAND2,
                                         IDC_CONFIGURATOR_COMMAND3, IDC_CONFIGURATOR_COMMAND4,
                                         IDC_CONFIGURATOR_MANUAL_SECONDS, IDC_CONFIGURATOR_COMMAND1}));
    EXPECT_EQ(backward, (std::vector<int>{IDC_CONFIGURATOR_COMMAND1, IDC_CONFIGURATOR_MANUAL_SECONDS,
                                          IDC_CONFIGURATOR_COMMAND4}));
    DWORD_PTR defaultButton = 0;
    ASSERT_TRUE(SendMessageTimeoutW(app.Window(), DM_GETDEFID, 0, 0, SMTO_NORMAL, 5000, &defaultButton));
    EXPECT_EQ(defaultButton, MAKELRESULT(IDC_CONFIGURATOR_COMMAND4, DC_HASDEFID));

    DWORD_PTR size = 0;
    ASSERT_TRUE(
        SendMessageTimeoutW(app.Window(), Configurator::Hook(), config::kHookLabel1Font, 0, SMTO_NORMAL, 5000, &size));
    const auto fits = [&](int hundredths) {
        RECT client;
        HWND label = app.Control(IDC_CONFIGURATOR_LABEL1);
        EXPECT_TRUE(GetClientRect(label, &client));
        const std::string text = app.Text(IDC_CONFIGURATOR_LABEL1);
        HDC dc = GetDC(nullptr);
        HFONT font = win::CreateUiFont(hundredths, true, win::ScreenDpi());
        const HGDIOBJ old = SelectObject(dc, font);
        RECT needed = {0, 0, client.right, 0};
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &needed,
                  DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX | DT_EXPANDTABS);
        SelectObject(dc, old);
        DeleteObject(font);
        ReleaseDC(nullptr, dc);
        return needed.bottom <= client.bottom;
    };
    std::printf("Label1's font: %.2f pt; the designed 8.25 pt %s\n", static_cast<double>(size) / 100,
                fits(825) ? "fits" : "would cut the text");
    if (fits(825)) {
        EXPECT_EQ(size, 825u);
    } else {
        EXPECT_GE(size, 700u);
        EXPECT_LT(size, 825u);
        EXPECT_TRUE(fits(static_cast<int>(size)) || size == 700u);
        EXPECT_FALSE(fits(static_cast<int>(size) + 25)) << "not the largest size that fits";
    }
}

// The support log and the crash report. A run logs its start, the settings, each test with its counts and
// duration, the file it saved and the button's result, but nobody's name. A crash (a null pointer read, through the
// test hook) writes VANTREL.DMP and a crash line; the next start tells the user once, the one after says nothing.
TEST(ConfiguratorWindow, SupportLogAndCrashReport) {
    WorldProcess world({"--me", kMe});
    ASSERT_TRUE(world.ok());
    const testwin::Folder folder("vantrel");
    const auto log = [&] { return folder.Read("VANTREL.LOG").value_or(""); };
    {
        Configurator app(folder.path());
        ASSERT_TRUE(app.Window());
        ASSERT_TRUE(app.Click(IDC_CONFIGURATOR_COMMAND2, 60000, [] {}));
        EXPECT_EQ(app.Statuses(), (Lines{"start", "dde", "ddetest", "esptest", "dde-ok"}));
        const std::string text = log();
        for (const std::string expected :
             {"start  Vantrel ", "start  settings: defaults: no file SCONTROL.TXT",
              "test   DDE_TEST, focus control 0: ", " bytes of chat, 9 test lines recorded; ",
              "test   DDE_ESP_TEST: ", " bytes of chat, the ESP came back; ", "file   SCONTROL.TXT 21 bytes: ok",
              "cmd    Manual Test - DDE/No Focus: \"DDE Method Successful\"; "}) {
            EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
        }
        EXPECT_NE(text.find(" in " + folder.path() + "\r\n"), std::string::npos) << text;
        EXPECT_EQ(text.find(kMe), std::string::npos) << "nobody's name\n" << text;

        DWORD_PTR answer = 0;
        ASSERT_TRUE(
            SendMessageTimeoutW(app.Window(), Configurator::Hook(), config::kHookCrash, 0, SMTO_NORMAL, 5000, &answer));
        EXPECT_EQ(answer, 1u);
        EXPECT_TRUE(PumpUntil([&] { return app.Ended(); }, 60000));  // the report, as slow as the host's under load
    }
    const auto dump = folder.Read("VANTREL.DMP");
    ASSERT_TRUE(dump);
    EXPECT_EQ(dump->substr(0, 4), "MDMP");
    EXPECT_NE(log().find("crash  unhandled exception 0xc0000005 at "), std::string::npos) << log();
    EXPECT_NE(log().find("; report " + folder.Path("VANTREL.DMP") + ", " + std::to_string(dump->size()) + " bytes"),
              std::string::npos)
        << log();
    {
        Configurator app(folder.path());
        ASSERT_TRUE(app.Window());
        const auto notice = app.AnswerBox(10000);
        ASSERT_TRUE(notice);
        EXPECT_EQ(*notice, "The last run of this program ended in a crash. A crash report was written to " +
                               folder.path() +
                               "\\VANTREL.DMP. When you ask for help, send that report with VANTREL.LOG, VANTREL.LO1 "
                               "(if there is one) and SCONTROL.TXT.");
        EXPECT_FALSE(app.AnswerBox(500));
    }
    Configurator again(folder.path());
    ASSERT_TRUE(again.Window());
    EXPECT_FALSE(again.AnswerBox(2000));
}

// Nothing in the environment makes the program write a file: its status log comes only through its own message.
TEST(ConfiguratorWindow, NoTestLogThroughTheEnvironment) {
    const testwin::Folder folder("vantrel");
    const std::string envLog = folder.Path("env.log");
    std::string environment;
    for (const char* v = GetEnvironmentStringsA(); *v; v += std::strlen(v) + 1)
        environment += std::string(v) + '\0';
    environment += "VANTREL_STATUS_LOG=" + envLog + '\0';
    Configurator app(folder.path(), environment.c_str());
    ASSERT_TRUE(app.Window());
    app.Type(IDC_CONFIGURATOR_MANUAL_SECONDS, "40000");
    ASSERT_TRUE(app.Click(IDC_CONFIGURATOR_COMMAND4, 20000, [] {}));
    EXPECT_EQ(app.Statuses(), Lines{"refused-large"});
    EXPECT_EQ(testwin::ReadFileShared(envLog), std::nullopt);
}

#ifdef CONFIGURATOR_TEST_WITH_HOST
// The whole link: the game host, started in the folder where the configurator saved its result, speaks by the
// method chosen, in front of the world when focus control was chosen; the world's faults stay on.
TEST(WholeLink, TheHostSpeaksByTheMethodTheConfiguratorChose) {
    struct Case {
        Lines world;
        std::string settings;
        char place;  // where the world's window was when the host's line arrived: 'F' in front, 'b' behind
        bool library;
    };
    const Case cases[] = {{{}, "Pelmor 3.0\r\n0\r\n0\r\n0\r\n", 'b', false},
                          {{"fault|lag|2600"}, "Pelmor 3.0\r\n1\r\n0\r\n0\r\n", 'F', false},
                          {{"fault|dup|3 -- Configuration Test|1"}, "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", 'b', true}};
    const std::string request = "Please ESP a single $ to me to be put on the List.";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        WorldProcess world({"--me", kMe});
        for (const auto& command : c.world)
            ASSERT_TRUE(world.Control(command)) << command;
        const testwin::Folder folder("vantrel");
        ASSERT_TRUE(Configurator(folder.path()).Click(IDC_CONFIGURATOR_COMMAND1, 120000, [] {}));
        ASSERT_EQ(folder.Read("SCONTROL.TXT"), c.settings);

        hostremote::Gorvath host(testwin::BinaryDirectory() + "Gorvath.exe", folder.path());
        ASSERT_TRUE(host.ok()) << host.Error();
        ASSERT_TRUE(host.Run(IDM_ASKFORIT));
        ASSERT_TRUE(host.Close());

        const Lines chat = world.Chat();
        EXPECT_EQ(std::count(chat.begin(), chat.end(), std::string(kMe) + ": " + request), 1);
        std::string places;
        for (const auto& poke : world.Transcript("RECV"))
            if (poke.fields.at(3).find(request) != std::string::npos)
                places += poke.fields.at(2) == "fg" ? 'F' : 'b';
        EXPECT_EQ(places, std::string(1, c.place));
        EXPECT_EQ(DeliveredAcks(world, "Tumbleroo") > 0, c.library);
    }
}

// What an operator quotes: the About entry of each program's system menu shows the version, the commit, the folder of
// its files and log, and the digest of the very file that runs.
TEST(WholeLink, AboutBoxesNameTheBuildTheFolderAndTheFile) {
    WorldProcess world({"--me", kMe});
    const testwin::Folder folder("vantrel");
    Configurator configurator(folder.path());
    hostremote::Gorvath host(testwin::BinaryDirectory() + "Gorvath.exe", folder.path());
    ASSERT_TRUE(host.ok()) << host.Error();
    const struct Row {
        HWND window;
        const char* exe;
        const char* caption;
        const char* program;
        const char* log;
    } rows[] = {{configurator.Window(), "Vantrel.exe", "About the link configurator", "Tumbleroo link configurator",
                 "VANTREL.LOG"},
                {host.Window(), "Gorvath.exe", "About Tumbleroo", "Tumbleroo game host", "GORVATH.LOG"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.exe);
        const auto file = testwin::ReadFileShared(testwin::BinaryDirectory() + row.exe);
        ASSERT_TRUE(file);
        DWORD pid = 0;
        GetWindowThreadProcessId(row.window, &pid);
        ASSERT_TRUE(PostMessageW(row.window, WM_SYSCOMMAND, IDM_SYSTEM_ABOUT, 0));
        HWND box = nullptr;
        ASSERT_TRUE(PumpUntil(
            [&] {
                const auto boxes = testwin::MessageBoxes(pid);
                return (box = boxes.empty() ? nullptr : boxes.front()) != nullptr;
            },
            10000));
        EXPECT_EQ(testwin::WindowText(box), row.caption);
        const std::string expected = std::string(row.program) + " (" + row.exe + ")\nVersion " +
                                     TUMBLEROO_VERSION_TEXT + ", built from commit " + TUMBLEROO_COMMIT +
                                     "\n\nFiles and log (" + row.log + ") are kept in:\n" + folder.path() +
                                     "\n\nSHA-256 of this " + row.exe + ":\n" + common::Sha256Hex(*file);
        EXPECT_EQ(testwin::BoxText(box), expected);
        SendMessageTimeoutW(box, WM_COMMAND, IDOK, 0, SMTO_NORMAL, 5000, nullptr);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(box); }, 5000));
    }
    ASSERT_TRUE(host.Close());
}
#endif

}  // namespace
