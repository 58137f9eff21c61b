// The buttons end to end against a simulated world client: every status text in order, which methods
// were tried with which settings, and what SCONTROL.TXT received.
#include "configurator/configuration.h"
#include "configurator/method_tests.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using config::ConfiguratorFields;
using config::LinkSettings;
using config::RunOutcome;

// How the simulated world treats requests made with some settings.
struct Behaviour {
    int secondsPerLine = 1;  // the clock moves this far while one line is spoken
    std::set<int> lost;      // test lines that never reach the chat
    std::set<int> doubled;   // test lines that reach the chat twice
    bool espArrives = true;
};

std::string Tag(const LinkSettings& s) {
    if (s.UseLibraryMethod) {
        return "DLL " + std::to_string(s.SendDelaySeconds);
    }
    return s.FocusControl ? "DDE focus" : "DDE";
}

// A world client with one logged-in avatar, "Ann", whose chat collects what she says.
class FakeWorld : public config::Link {
public:
    std::function<Behaviour(const LinkSettings&)> behave = [](const LinkSettings&) { return Behaviour{}; };
    bool sendsChatText = true;
    bool saveWorks = true;
    std::vector<std::string> chat;
    int clock = 14 * 3600 + 5 * 60 + 55;  // 14:05:55, so every run crosses a change of minute

    std::vector<std::string> statuses;
    std::vector<std::string> trail;  // each marker spoken and each ESP sent, with the settings in force
    std::vector<std::string> saved;
    int saveAttempts = 0;
    std::vector<LinkSettings> applied;
    std::vector<std::string> faults;  // misuse of the link
    bool open = false;

    void ApplySettings(const LinkSettings& s) override {
        if (open) {
            faults.push_back("settings changed while the link is open");
        }
        applied.push_back(s);
        settings_ = s;
    }
    void ShowStatus(const std::string& text) override { statuses.push_back(text); }
    void OpenLink() override {
        if (open) {
            faults.push_back("opened twice");
        }
        open = true;
    }
    void CloseLink() override {
        if (!open) {
            faults.push_back("closed while closed");
        }
        open = false;
    }
    void SayText(const std::string& text) override {
        Expect(open, "spoke while closed");
        const Behaviour b = behave(settings_);
        clock += b.secondsPerLine;
        if (text.rfind("Configuration Test: ", 0) == 0) {
            trail.push_back(Tag(settings_) + " | " + text);
            chat.push_back("Ann: " + text);
            return;
        }
        const int n = text.empty() ? 0 : text[0] - '0';
        if (b.lost.count(n) == 0) {
            chat.push_back("Ann: " + text);
            if (b.doubled.count(n) != 0) {
                chat.push_back("Ann: " + text);
            }
        }
    }
    void EspText(const std::string& target, const std::string& text) override {
        Expect(open, "sent an ESP while closed");
        trail.push_back(Tag(settings_) + " | ESP to " + target + ": " + text);
        if (!target.empty() && !text.empty() && target == "Ann" && behave(settings_).espArrives) {
            chat.push_back("ESP from Ann: " + text);
        }
    }
    std::optional<std::string> FetchCapture() override {
        Expect(open, "fetched while closed");
        if (!sendsChatText) {
            return std::nullopt;
        }
        std::string text;
        for (const auto& l : chat) {
            text += l + "\r\n";
        }
        return text;
    }
    config::TimeOfDay Now() override {
        const int t = clock % 86400;
        return {t / 3600, t / 60 % 60, t % 60};
    }
    bool SaveSettingsFile(const std::string& content) override {
        ++saveAttempts;
        if (saveWorks) {
            saved.push_back(content);
        }
        return saveWorks;
    }

private:
    void Expect(bool ok, const char* fault) {
        if (!ok) {
            faults.push_back(fault);
        }
    }
    LinkSettings settings_;
};

std::vector<std::string> Seq(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

const std::vector<std::string> kStart = {"Starting System Configuration"};
const std::vector<std::string> kDdeAttempt = {"Starting - DDE Method", "DDE Method: Testing For Lag and Dupicates"};
const std::vector<std::string> kEspAttempt = {"DDE Method: Testing Getting ESPs"};
const std::vector<std::string> kDllAttempt = {"DLL Method: Testing For Drops"};
const std::vector<std::string> kToDll = {"Starting - DLL Method"};

const std::string kDdeOff = "DDE | Configuration Test: SetFocus - off";
const std::string kDdeOn = "DDE focus | Configuration Test: SetFocus - on";
const std::string kEsp = "DDE | ESP to Ann: Configuration Test!";
const std::string kEspFocus = "DDE focus | ESP to Ann: Configuration Test!";
std::string DllTry(int d) {
    return "DLL " + std::to_string(d) + " | Configuration Test: " + std::to_string(d);
}

LinkSettings Final(bool focus, bool library, int16_t delay) {
    LinkSettings s;
    s.FocusControl = focus;
    s.UseLibraryMethod = library;
    s.SendDelaySeconds = delay;
    return s;
}

// Worlds.
Behaviour Clean(const LinkSettings&) {
    return {};
}
Behaviour DdeNeedsFocus(const LinkSettings& s) {
    return {(!s.UseLibraryMethod && !s.FocusControl) ? 3 : 1, {}, {}, true};
}
Behaviour DdeAlwaysLags(const LinkSettings& s) {
    return {s.UseLibraryMethod ? 1 : 3, {}, {}, true};
}
Behaviour DdeDoublesLine4(const LinkSettings& s) {
    return {1, {}, s.UseLibraryMethod ? std::set<int>{} : std::set<int>{4}, true};
}
Behaviour DdeLosesLine5(const LinkSettings& s) {
    return {1, s.UseLibraryMethod ? std::set<int>{} : std::set<int>{5}, {}, true};
}
Behaviour NoEsp(const LinkSettings&) {
    return {1, {}, {}, false};
}
Behaviour DllNeedsDelay3(const LinkSettings& s) {
    if (!s.UseLibraryMethod) {
        return {1, {5}, {}, true};
    }
    return {1, s.SendDelaySeconds < 3 ? std::set<int>{2} : std::set<int>{}, {}, true};
}
Behaviour NothingWorks(const LinkSettings& s) {
    return {1, s.UseLibraryMethod ? std::set<int>{2} : std::set<int>{5}, {}, true};
}

// Chat left from an earlier run: the same marker, then nine lines three seconds apart.
std::vector<std::string> EarlierLaggingRun() {
    std::vector<std::string> out = {"Ann: Configuration Test: SetFocus - off"};
    for (int n = 1; n <= 9; ++n) {
        out.push_back("Ann: " + std::to_string(n) + " -- Configuration Test -- 09:00:" + std::to_string(10 + 3 * n));
    }
    return out;
}

using Press = std::function<RunOutcome(FakeWorld&, ConfiguratorFields&)>;
const Press kAuto = [](FakeWorld& w, ConfiguratorFields& f) { return config::RunAutoConfiguration(w, f); };
const Press kCommand2 = [](FakeWorld& w, ConfiguratorFields& f) { return config::RunManualDdeTest(w, f, false); };
const Press kCommand3 = [](FakeWorld& w, ConfiguratorFields& f) { return config::RunManualDdeTest(w, f, true); };
Press Command4(const char* typed) {
    return [typed](FakeWorld& w, ConfiguratorFields& f) { return config::RunManualDllTest(w, f, typed); };
}

struct Scenario {
    const char* what;
    Press press;
    std::function<Behaviour(const LinkSettings&)> world;
    std::vector<std::string> statuses;
    std::vector<std::string> trail;
    std::optional<std::string> file;  // what SCONTROL.TXT received; nullopt: not written
    RunOutcome outcome;
    std::optional<LinkSettings> settingsLeft;  // the link settings at the end; nullopt: never touched
    bool sendsChatText = true;
    bool saveWorks = true;
    std::vector<std::string> history = {};
};

void Play(const Scenario& s) {
    SCOPED_TRACE(s.what);
    FakeWorld w;
    w.behave = s.world;
    w.sendsChatText = s.sendsChatText;
    w.saveWorks = s.saveWorks;
    w.chat = s.history;
    ConfiguratorFields f;
    EXPECT_EQ(s.press(w, f), s.outcome);
    EXPECT_EQ(w.statuses, s.statuses);
    EXPECT_EQ(w.trail, s.trail);
    if (s.file) {
        EXPECT_EQ(w.saved, std::vector<std::string>{*s.file});
    } else if (s.saveWorks) {
        EXPECT_TRUE(w.saved.empty());
    }
    if (s.settingsLeft) {
        ASSERT_FALSE(w.applied.empty());
        EXPECT_EQ(w.applied.back(), *s.settingsLeft);
    } else {
        EXPECT_TRUE(w.applied.empty());
    }
    for (const auto& a : w.applied) {
        EXPECT_EQ(a.ClientWindowTitle, "Pelmor 3.0");
    }
    EXPECT_TRUE(w.faults.empty()) << w.faults.front();
    EXPECT_FALSE(w.open);
}

TEST(AutoConfiguration, Scenarios) {
    const Scenario rows[] = {
        {"a clean world: the first DDE attempt and its ESP pass", kAuto, Clean,
         Seq({kStart, kDdeAttempt, kEspAttempt, {"DDE Method Successful"}}), {kDdeOff, kEsp},
         "Pelmor 3.0\r\n0\r\n0\r\n0\r\n", RunOutcome::Saved, Final(false, false, 0)},
        {"lag that goes away with focus control: two DDE attempts, no status between them", kAuto, DdeNeedsFocus,
         Seq({kStart, kDdeAttempt, kDdeAttempt, kEspAttempt, {"DDE Method Successful"}}), {kDdeOff, kDdeOn, kEspFocus},
         "Pelmor 3.0\r\n1\r\n0\r\n0\r\n", RunOutcome::Saved, Final(true, false, 0)},
        {"lag with and without focus control, then the DLL method", kAuto, DdeAlwaysLags,
         Seq({kStart, kDdeAttempt, kDdeAttempt, {"DDE Method failed"}, kToDll, kDllAttempt,
              {"DLL Method Successful"}}),
         {kDdeOff, kDdeOn, DllTry(0)}, "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", RunOutcome::Saved, Final(false, true, 0)},
        {"a duplicated line: straight to the DLL method", kAuto, DdeDoublesLine4,
         Seq({kStart, kDdeAttempt, {"DDE Method failed"}, kToDll, kDllAttempt, {"DLL Method Successful"}}),
         {kDdeOff, DllTry(0)}, "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", RunOutcome::Saved, Final(false, true, 0)},
        {"a lost line: straight to the DLL method", kAuto, DdeLosesLine5,
         Seq({kStart, kDdeAttempt, {"DDE Method failed"}, kToDll, kDllAttempt, {"DLL Method Successful"}}),
         {kDdeOff, DllTry(0)}, "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", RunOutcome::Saved, Final(false, true, 0)},
        {"the ESP does not come back", kAuto, NoEsp,
         Seq({kStart, kDdeAttempt, kEspAttempt, {"DDE Method ESP failed"}, kToDll, kDllAttempt,
              {"DLL Method Successful"}}),
         {kDdeOff, kEsp, DllTry(0)}, "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", RunOutcome::Saved, Final(false, true, 0)},
        {"the DLL method works only with a delay of 3", kAuto, DllNeedsDelay3,
         Seq({kStart, kDdeAttempt, {"DDE Method failed"}, kToDll, kDllAttempt,
              {"DLL Method failed - setting timer to 1"}, kDllAttempt, {"DLL Method failed - setting timer to 2"},
              kDllAttempt, {"DLL Method failed - setting timer to 3"}, kDllAttempt, {"DLL Method Successful"}}),
         {kDdeOff, DllTry(0), DllTry(1), DllTry(2), DllTry(3)}, "Pelmor 3.0\r\n0\r\n1\r\n3\r\n", RunOutcome::Saved,
         Final(false, true, 3)},
        {"nothing works: delays 0 to 4, never 5, nothing written", kAuto, NothingWorks,
         Seq({kStart, kDdeAttempt, {"DDE Method failed"}, kToDll, kDllAttempt,
              {"DLL Method failed - setting timer to 1"}, kDllAttempt, {"DLL Method failed - setting timer to 2"},
              kDllAttempt, {"DLL Method failed - setting timer to 3"}, kDllAttempt,
              {"DLL Method failed - setting timer to 4"}, kDllAttempt, {"DLL Method failed"}}),
         {kDdeOff, DllTry(0), DllTry(1), DllTry(2), DllTry(3), DllTry(4)}, std::nullopt, RunOutcome::Failed,
         Final(false, true, 5)},
        {"no chat text at all", kAuto, Clean,
         Seq({kStart, kDdeAttempt, {"DDE Method Speaking failed"}, kToDll, kDllAttempt,
              {"DLL Method failed - setting timer to 1"}, kDllAttempt, {"DLL Method failed - setting timer to 2"},
              kDllAttempt, {"DLL Method failed - setting timer to 3"}, kDllAttempt,
              {"DLL Method failed - setting timer to 4"}, kDllAttempt, {"DLL Method failed"}}),
         {kDdeOff, DllTry(0), DllTry(1), DllTry(2), DllTry(3), DllTry(4)}, std::nullopt, RunOutcome::Failed,
         Final(false, true, 5), false},
        {"an earlier run's lagging lines are found first, so focus control is tried", kAuto, Clean,
         Seq({kStart, kDdeAttempt, kDdeAttempt, kEspAttempt, {"DDE Method Successful"}}), {kDdeOff, kDdeOn, kEspFocus},
         "Pelmor 3.0\r\n1\r\n0\r\n0\r\n", RunOutcome::Saved, Final(true, false, 0), true, true, EarlierLaggingRun()},
        {"DDE works but the file cannot be written: no success text", kAuto, Clean,
         Seq({kStart, kDdeAttempt, kEspAttempt, {"DDE Method works but SCONTROL.TXT not saved"}}), {kDdeOff, kEsp},
         std::nullopt, RunOutcome::NotSaved, Final(false, false, 0), true, false},
        {"DLL works but the file cannot be written: no success text, no further delays", kAuto, DllNeedsDelay3,
         Seq({kStart, kDdeAttempt, {"DDE Method failed"}, kToDll, kDllAttempt,
              {"DLL Method failed - setting timer to 1"}, kDllAttempt, {"DLL Method failed - setting timer to 2"},
              kDllAttempt, {"DLL Method failed - setting timer to 3"}, kDllAttempt,
              {"DLL Method works but SCONTROL.TXT not saved"}}),
         {kDdeOff, DllTry(0), DllTry(1), DllTry(2), DllTry(3)}, std::nullopt, RunOutcome::NotSaved,
         Final(false, true, 3), true, false},
    };
    for (const auto& s : rows) {
        Play(s);
    }
}

TEST(ManualTests, Scenarios) {
    const Scenario rows[] = {
        {"Command3 where DDE needs focus control", kCommand3, DdeNeedsFocus,
         Seq({kStart, kDdeAttempt, kEspAttempt, {"DDE Method Successful"}}), {kDdeOn, kEspFocus},
         "Pelmor 3.0\r\n1\r\n0\r\n0\r\n", RunOutcome::Saved, Final(true, false, 0)},
        {"Command2 on the same world: lag fails, no focus attempt, nothing written", kCommand2, DdeNeedsFocus,
         Seq({kStart, kDdeAttempt, {"DDE Method failed"}}), {kDdeOff}, std::nullopt, RunOutcome::Failed,
         Final(false, false, 0)},
        {"Command2 on a clean world", kCommand2, Clean, Seq({kStart, kDdeAttempt, kEspAttempt, {"DDE Method Successful"}}),
         {kDdeOff, kEsp}, "Pelmor 3.0\r\n0\r\n0\r\n0\r\n", RunOutcome::Saved, Final(false, false, 0)},
        {"Command2 with a duplicated line", kCommand2, DdeDoublesLine4, Seq({kStart, kDdeAttempt, {"DDE Method failed"}}),
         {kDdeOff}, std::nullopt, RunOutcome::Failed, Final(false, false, 0)},
        {"Command2 without chat text", kCommand2, Clean, Seq({kStart, kDdeAttempt, {"DDE Method Speaking failed"}}),
         {kDdeOff}, std::nullopt, RunOutcome::Failed, Final(false, false, 0), false},
        {"Command3 without the ESP", kCommand3, NoEsp,
         Seq({kStart, kDdeAttempt, kEspAttempt, {"DDE Method ESP failed"}}), {kDdeOn, kEspFocus}, std::nullopt,
         RunOutcome::Failed, Final(true, false, 0)},
        {"Command3 whose file cannot be written", kCommand3, Clean,
         Seq({kStart, kDdeAttempt, kEspAttempt, {"DDE Method works but SCONTROL.TXT not saved"}}), {kDdeOn, kEspFocus},
         std::nullopt, RunOutcome::NotSaved, Final(true, false, 0), true, false},
        {"Command4 with \"3 seconds\"", Command4("3 seconds"), DllNeedsDelay3,
         Seq({kStart, kToDll, kDllAttempt, {"DLL Method Successful"}}), {DllTry(3)}, "Pelmor 3.0\r\n0\r\n1\r\n3\r\n",
         RunOutcome::Saved, Final(false, true, 3)},
        {"Command4 with an empty box: delay 0, no escalation", Command4(""), DllNeedsDelay3,
         Seq({kStart, kToDll, kDllAttempt, {"DLL Method failed"}}), {DllTry(0)}, std::nullopt, RunOutcome::Failed,
         Final(false, true, 0)},
        {"Command4 with letters: delay 0", Command4("abc"), Clean,
         Seq({kStart, kToDll, kDllAttempt, {"DLL Method Successful"}}), {DllTry(0)}, "Pelmor 3.0\r\n0\r\n1\r\n0\r\n",
         RunOutcome::Saved, Final(false, true, 0)},
        {"Command4 with 2.5: delay 2", Command4("2.5"), DllNeedsDelay3,
         Seq({kStart, kToDll, kDllAttempt, {"DLL Method failed"}}), {DllTry(2)}, std::nullopt, RunOutcome::Failed,
         Final(false, true, 2)},
        {"Command4 with 3.5: delay 4", Command4("3.5"), Clean,
         Seq({kStart, kToDll, kDllAttempt, {"DLL Method Successful"}}), {DllTry(4)}, "Pelmor 3.0\r\n0\r\n1\r\n4\r\n",
         RunOutcome::Saved, Final(false, true, 4)},
        {"Command4 whose file cannot be written", Command4("1"), Clean,
         Seq({kStart, kToDll, kDllAttempt, {"DLL Method works but SCONTROL.TXT not saved"}}), {DllTry(1)},
         std::nullopt, RunOutcome::NotSaved, Final(false, true, 1), true, false},
        {"Command4 with a negative delay: refused, nothing tested", Command4("-3"), Clean,
         {"Delay must not be negative - nothing tested"}, {}, std::nullopt, RunOutcome::Refused, std::nullopt},
        {"Command4 beyond 16 bits: refused, nothing tested", Command4("40000"), Clean,
         {"Delay must be 32767 or less - nothing tested"}, {}, std::nullopt, RunOutcome::Refused, std::nullopt},
    };
    for (const auto& s : rows) {
        Play(s);
    }
}

// What one speech test leaves behind, beyond the verdicts the scenarios above check.
TEST(MethodTests, SpeechTestRecord) {
    FakeWorld w;
    ConfiguratorFields f;
    config::DDE_TEST(w, LinkSettings{}, f);
    // The clock is read for every line: the world moves it a second per line, across 14:06.
    const std::vector<std::string> stamps(f.TimeStamps.begin() + 1, f.TimeStamps.begin() + 10);
    EXPECT_EQ(stamps, (std::vector<std::string>{"14:05:56", "14:05:57", "14:05:58", "14:05:59", "14:06:00",
                                                "14:06:01", "14:06:02", "14:06:03", "14:06:04"}));
    EXPECT_EQ(f.OwnAvatarName, "Ann");
    EXPECT_EQ(f.NextSlot, 10);

    // A later test that hears nothing must not leave the earlier lines to be judged again.
    w.sendsChatText = false;
    config::DLL_TEST(w, LinkSettings{}, f);
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(f.SeqNumbers[k], 0) << k;
        EXPECT_EQ(f.TimeStamps[k], "") << k;
    }
    EXPECT_EQ(f.NextSlot, 1);
    EXPECT_TRUE(w.faults.empty());
}

TEST(MethodTests, EspTestResetsItsFlag) {
    FakeWorld w;
    ConfiguratorFields f;
    f.OwnAvatarName = "Ann";
    config::DDE_ESP_TEST(w, LinkSettings{}, f);
    EXPECT_TRUE(f.EspReceived);
    w.sendsChatText = false;
    config::DDE_ESP_TEST(w, LinkSettings{}, f);
    EXPECT_FALSE(f.EspReceived);
    // No own name: the ESP goes nowhere, and an odd line with an empty sender proves nothing.
    w.sendsChatText = true;
    w.chat.push_back("ESP from : Configuration Test!");
    f.OwnAvatarName.clear();
    config::DDE_ESP_TEST(w, LinkSettings{}, f);
    EXPECT_FALSE(f.EspReceived);
    EXPECT_TRUE(w.faults.empty());
}

}  // namespace
