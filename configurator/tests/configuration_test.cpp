// The four buttons against a simulated world client: every status text in order, each marker and ESP
// with the settings in force, what SCONTROL.TXT received and the settings left in the link.
#include "configurator/configuration.h"
#include "configurator/method_tests.h"
#include "configurator/tests/status_names.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using config::ConfiguratorFields;
using config::LinkSettings;
using config::RunOutcome;

// What the world does with speech made under some settings: seconds per line, lines lost, lines doubled.
struct Behaviour {
    int secondsPerLine = 1;
    std::set<int> lost, doubled;
    bool espArrives = true;
};
using World = std::function<Behaviour(const LinkSettings&)>;

// Ann is logged in; her chat collects what reaches the world. The log adds "<off>", "<on>" or "<d>" for
// each marker spoken and "<esp>" for an ESP to Ann to the status names.
class FakeWorld : public config::Link {
  public:
    World behave;
    bool chatWorks = true, saveWorks = true, open = false;
    std::vector<std::string> chat, saved, faults;
    std::vector<LinkSettings> applied;
    std::string log;
    int clock = 14 * 3600 + 5 * 60 + 55;  // every run crosses a change of minute
    // The program starts to end at the start of the call with this number (1 = the first call that may throw):
    // that call and every later one but CloseLink throw TestAbandoned, as the window's link does.
    int stopAtCall = 0;
    int calls = 0;
    int closesAfterStop = 0;

    void ApplySettings(const LinkSettings& s) override {
        Check(!open, "settings changed while open"), applied.push_back(s);
    }
    void ShowStatus(const std::string& text) override {
        StopIfStopping();
        Log(configtest::StatusName(text));
    }
    void OpenLink() override { StopIfStopping(), Check(!open, "opened twice"), open = true; }
    void CloseLink() override {
        Check(open, "closed twice"), open = false;
        closesAfterStop += Stopping();
    }
    void SayText(const std::string& text) override {
        StopIfStopping();
        Check(open, "spoke while closed");
        const LinkSettings& s = applied.back();
        const Behaviour b = behave(s);
        clock += b.secondsPerLine;
        const std::string tail = s.UseLibraryMethod ? std::to_string(s.SendDelaySeconds)
                                 : s.FocusControl   ? "on"
                                                    : "off";
        if (text.rfind("Configuration Test: ", 0) == 0) {
            Check(text.substr(text.rfind(' ') + 1) == tail, "marker does not match the settings");
            Log("<" + tail + ">");
        } else if (b.lost.count(text[0] - '0')) {
            return;
        } else if (b.doubled.count(text[0] - '0')) {
            chat.push_back("Ann: " + text);
        }
        chat.push_back("Ann: " + text);
    }
    void EspText(const std::string& target, const std::string& text) override {
        StopIfStopping();
        Check(open, "ESP while closed");
        Log(target == "Ann" ? "<esp>" : "<esp to " + target + ">");
        if (target == "Ann" && behave(applied.back()).espArrives) {
            chat.push_back("ESP from Ann: " + text);
        }
    }
    std::optional<std::string> FetchCapture() override {
        StopIfStopping();
        std::string text;
        for (const auto& l : chat) {
            text += l + "\r\n";
        }
        return chatWorks ? std::optional(text) : std::nullopt;
    }
    config::TimeOfDay Now() override { return {clock / 3600 % 24, clock / 60 % 60, clock % 60}; }
    bool SaveSettingsFile(const std::string& content) override {
        StopIfStopping();
        if (saveWorks) {
            saved.push_back(content);
        }
        return saveWorks;
    }

    bool Stopping() const { return stopAtCall > 0 && calls >= stopAtCall; }

  private:
    void StopIfStopping() {
        ++calls;
        if (Stopping()) {
            throw config::TestAbandoned{};
        }
    }
    void Log(const std::string& s) { log += (log.empty() ? "" : " ") + s; }
    void Check(bool ok, const char* fault) {
        if (!ok) {
            faults.push_back(fault);
        }
    }
};

Behaviour B(int seconds, std::set<int> lost = {}, std::set<int> doubled = {}, bool esp = true) {
    return {seconds, std::move(lost), std::move(doubled), esp};
}
const std::set<int> kNone;
const World Clean = [](const LinkSettings&) { return B(1); };
const World DdeNeedsFocus = [](const LinkSettings& s) { return B(s.UseLibraryMethod || s.FocusControl ? 1 : 3); };
const World DdeLags = [](const LinkSettings& s) { return B(s.UseLibraryMethod ? 1 : 3); };
const World DdeDoubles4 = [](const LinkSettings& s) { return B(1, {}, s.UseLibraryMethod ? kNone : std::set{4}); };
const World NoEsp = [](const LinkSettings&) { return B(1, {}, {}, false); };
const World DllNeeds3 = [](const LinkSettings& s) {
    return B(1, s.UseLibraryMethod ? (s.SendDelaySeconds < 3 ? std::set{2} : kNone) : std::set{5});
};
const World NothingWorks = [](const LinkSettings& s) { return B(1, {s.UseLibraryMethod ? 2 : 5}); };

using Press = std::function<RunOutcome(config::Link&, ConfiguratorFields&)>;
const Press kAuto = config::RunAutoConfiguration;
const Press kCommand2 = [](config::Link& l, ConfiguratorFields& f) { return config::RunManualDdeTest(l, f, false); };
const Press kCommand3 = [](config::Link& l, ConfiguratorFields& f) { return config::RunManualDdeTest(l, f, true); };
Press Command4(const char* typed) {
    return [typed](config::Link& l, ConfiguratorFields& f) { return config::RunManualDllTest(l, f, typed); };
}

TEST(Configuration, Buttons) {
    const std::string dde = "dde ddetest <off>", focus = "dde ddetest <on>", esp = "esptest <esp>";
    const std::string toDll = "dde-failed dll dlltest <0>",
                      to3 = "timer-1 dlltest <1> timer-2 dlltest <2> timer-3 dlltest <3>";
    const char *fileDde = "Pelmor 3.0\r\n0\r\n0\r\n0\r\n", *fileFocus = "Pelmor 3.0\r\n1\r\n0\r\n0\r\n";
    const char *fileDll0 = "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", *fileDll3 = "Pelmor 3.0\r\n0\r\n1\r\n3\r\n";
    const struct {
        const char* what;
        Press press;
        World world;
        std::string log;
        const char* file;  // SCONTROL.TXT as written; "" when never written
        RunOutcome outcome;
        const char* left;  // settings left in the link: focus, library, delay; "" when never touched
        bool chatWorks = true, saveWorks = true;
        std::vector<std::string> history = {};
    } rows[] = {
        {"clean world", kAuto, Clean, "start " + dde + " " + esp + " dde-ok", fileDde, RunOutcome::Saved, "0 0 0"},
        {"lag gone with focus", kAuto, DdeNeedsFocus, "start " + dde + " " + focus + " " + esp + " dde-ok", fileFocus,
         RunOutcome::Saved, "1 0 0"},
        {"lag with and without focus", kAuto, DdeLags, "start " + dde + " " + focus + " " + toDll + " dll-ok", fileDll0,
         RunOutcome::Saved, "0 1 0"},
        {"a duplicated line", kAuto, DdeDoubles4, "start " + dde + " " + toDll + " dll-ok", fileDll0, RunOutcome::Saved,
         "0 1 0"},
        {"no ESP back", kAuto, NoEsp, "start " + dde + " " + esp + " esp-failed dll dlltest <0> dll-ok", fileDll0,
         RunOutcome::Saved, "0 1 0"},
        {"DLL only with delay 3", kAuto, DllNeeds3, "start " + dde + " " + toDll + " " + to3 + " dll-ok", fileDll3,
         RunOutcome::Saved, "0 1 3"},
        {"nothing works", kAuto, NothingWorks,
         "start " + dde + " " + toDll + " " + to3 + " timer-4 dlltest <4> dll-failed", "", RunOutcome::Failed, "0 1 5"},
        {"no chat text", kAuto, Clean,
         "start " + dde + " dde-speaking-failed dll dlltest <0> " + to3 + " timer-4 dlltest <4> dll-failed", "",
         RunOutcome::Failed, "0 1 5", false},
        {"DDE works, file not writable", kAuto, Clean, "start " + dde + " " + esp + " dde-unsaved", "",
         RunOutcome::NotSaved, "0 0 0", true, false},
        {"DLL works, file not writable", kAuto, DllNeeds3, "start " + dde + " " + toDll + " " + to3 + " dll-unsaved",
         "", RunOutcome::NotSaved, "0 1 3", true, false},
        {"Command3, DDE needs focus", kCommand3, DdeNeedsFocus, "start " + focus + " " + esp + " dde-ok", fileFocus,
         RunOutcome::Saved, "1 0 0"},
        {"Command2, DDE needs focus", kCommand2, DdeNeedsFocus, "start " + dde + " dde-failed", "", RunOutcome::Failed,
         "0 0 0"},
        {"Command2, no chat", kCommand2, Clean, "start " + dde + " dde-speaking-failed", "", RunOutcome::Failed,
         "0 0 0", false},
        {"Command3, no ESP", kCommand3, NoEsp, "start " + focus + " " + esp + " esp-failed", "", RunOutcome::Failed,
         "1 0 0"},
        {"Command4 \"3 seconds\"", Command4("3 seconds"), DllNeeds3, "start dll dlltest <3> dll-ok", fileDll3,
         RunOutcome::Saved, "0 1 3"},
        {"Command4 empty, no escalation", Command4(""), DllNeeds3, "start dll dlltest <0> dll-failed", "",
         RunOutcome::Failed, "0 1 0"},
        {"Command4 negative", Command4("-3"), Clean, "refused-negative", "", RunOutcome::Refused, ""},
        {"Command4 beyond 16 bits", Command4("40000"), Clean, "refused-large", "", RunOutcome::Refused, ""},
    };
    for (const auto& r : rows) {
        FakeWorld w;
        w.behave = r.world;
        w.chatWorks = r.chatWorks;
        w.saveWorks = r.saveWorks;
        w.chat = r.history;
        ConfiguratorFields f;
        EXPECT_EQ(r.press(w, f), r.outcome) << r.what;
        EXPECT_EQ(w.log, r.log) << r.what;
        EXPECT_EQ(w.saved, *r.file ? std::vector<std::string>{r.file} : std::vector<std::string>{}) << r.what;
        std::string left;
        for (const auto& a : w.applied) {
            EXPECT_EQ(a.ClientWindowTitle, "Pelmor 3.0") << r.what;
            left = std::to_string(a.FocusControl) + " " + std::to_string(a.UseLibraryMethod) + " " +
                   std::to_string(a.SendDelaySeconds);
        }
        EXPECT_EQ(left, r.left) << r.what;
        EXPECT_EQ(w.faults, std::vector<std::string>{}) << r.what;
        EXPECT_FALSE(w.open) << r.what;
    }
}

TEST(Configuration, TestsLeaveNoStaleResults) {
    FakeWorld w;
    w.behave = Clean;
    ConfiguratorFields f;
    config::DDE_TEST(w, LinkSettings{}, f);
    // The clock is read for each line: one second per line, across 14:06.
    EXPECT_EQ(f.TimeStamps[1] + " " + f.TimeStamps[5] + " " + f.TimeStamps[9], "14:05:56 14:06:00 14:06:04");
    config::DDE_ESP_TEST(w, LinkSettings{}, f);
    EXPECT_TRUE(f.EspReceived);
    w.chatWorks = false;  // a later test that hears nothing must not judge the earlier lines again
    config::DLL_TEST(w, LinkSettings{}, f);
    config::DDE_ESP_TEST(w, LinkSettings{}, f);
    EXPECT_EQ(f.SeqNumbers, decltype(f.SeqNumbers){});
    EXPECT_EQ(f.TimeStamps[1] + f.TimeStamps[9], "");
    EXPECT_EQ(f.NextSlot, 1);
    EXPECT_FALSE(f.EspReceived);
}

// The program ending in the middle of a run, at every call in turn: the run stops there, says and saves nothing
// more, and leaves the link closed, closing it once if a test had it open.
TEST(Configuration, EndingProgramStopsTheRunAtItsNextCall) {
    const struct {
        const char* what;
        Press press;
        World world;
    } rows[] = {
        {"auto, DDE works", kAuto, Clean},
        {"auto, lag, then focus control", kAuto, DdeNeedsFocus},
        {"auto, DLL only with delay 3", kAuto, DllNeeds3},
        {"Command3", kCommand3, DdeNeedsFocus},
        {"Command4", Command4("2"), Clean},
    };
    for (const auto& r : rows) {
        FakeWorld whole;
        whole.behave = r.world;
        ConfiguratorFields f;
        r.press(whole, f);
        ASSERT_GT(whole.calls, 10) << r.what;
        for (int stop = 1; stop <= whole.calls; ++stop) {
            SCOPED_TRACE(std::string(r.what) + ", stopping at call " + std::to_string(stop));
            FakeWorld w;
            w.behave = r.world;
            w.stopAtCall = stop;
            ConfiguratorFields g;
            EXPECT_THROW(r.press(w, g), config::TestAbandoned);
            EXPECT_EQ(w.calls, stop) << "a call after the first refused one";
            EXPECT_FALSE(w.open);
            EXPECT_LE(w.closesAfterStop, 1);
            EXPECT_TRUE(whole.log.rfind(w.log, 0) == 0) << w.log;
            // Every row ends by saving and then showing the success: only a stop at that last call finds it saved.
            EXPECT_EQ(w.saved, stop == whole.calls ? whole.saved : std::vector<std::string>{});
            EXPECT_EQ(w.faults, std::vector<std::string>{});
        }
    }
}

}  // namespace
