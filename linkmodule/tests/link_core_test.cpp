// The link module's operations against a fake platform: the exact order of yields, requests, waits and file
// steps of each method, the console link's retry rule, focus control, the capture and its fallback, and the
// clock waits (their moments of return, and that they sleep instead of spinning).
#include "linkmodule/link_core.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <set>

namespace linkmodule {
namespace {

constexpr char kFallback[] = "C:\\Users\\me\\Temp\\ZOBRA.TXT";

std::string Shown(std::string text) {
    for (size_t at = 0; (at = text.find('\f', at)) != std::string::npos;)
        text.replace(at, 1, "<FF>");
    return text;
}

class FakePort : public LinkPort {
  public:
    LinkCore* core = nullptr;
    std::vector<std::string> events;  // consecutive yields merge into "yield xN"
    long long nowMs = 0;
    int yields = 0;
    int sleeps = 0;
    std::function<void(int)> onYield;  // runs inside a yield, given the yield's serial number

    std::deque<std::string> allTextReplies;  // what each library fetch brings ("" = nothing)

    bool consoleExists = false;
    std::map<ConsoleField, std::string> fields;
    bool errorCheck = false;
    int opensToFail = 0;  // the next this many conversation opens fail; -1: all of them
    bool worldSilent = false;  // every open waits out its time-out unanswered
    std::vector<int> waits;    // the time-out given to each wait of the console link
    std::deque<std::optional<std::string>> requestReplies;
    bool refusePokes = false;
    std::set<std::string> windows = {"Pelmor 3.0", "Tumbleroo"};

    std::map<std::string, std::string> files;
    std::set<std::string> undeletable, unwritable;
    std::string fallback = kFallback;

    void Add(const std::string& event) {
        if (event == "yield" && !events.empty() && events.back().rfind("yield x", 0) == 0) {
            events.back() = "yield x" + std::to_string(std::stoi(events.back().substr(7)) + 1);
            return;
        }
        events.push_back(event == "yield" ? "yield x1" : event);
    }

    void YieldEvents() override {
        ++yields;
        nowMs += 1;
        Add("yield");
        if (onYield)
            onYield(yields);
    }
    std::string ClockText() override {
        Add("clock");
        const long long s = nowMs / 1000;
        return FormatClockText(static_cast<int>(s / 3600 % 24), static_cast<int>(s / 60 % 60),
                               static_cast<int>(s % 60));
    }
    void WaitForEventOrNextSecond() override {
        ++sleeps;
        nowMs = (nowMs / 1000 + 1) * 1000;
        Add("sleep");
    }

    std::uint64_t Milliseconds() override { return static_cast<std::uint64_t>(nowMs); }

    // What the library's next requests come to (Answered when empty). An unanswered one takes the library's
    // time-out; one that finds no world client reports "-1" inside the call, as the library does.
    std::deque<LinkOutcome> libraryOutcomes;
    LinkOutcome NextLibraryOutcome() {
        LinkOutcome outcome = LinkOutcome::Answered;
        if (!libraryOutcomes.empty()) {
            outcome = libraryOutcomes.front();
            libraryOutcomes.pop_front();
        }
        if (outcome == LinkOutcome::NoAnswer)
            nowMs += kLibraryTimeoutMs;
        if (outcome == LinkOutcome::NoServer || outcome == LinkOutcome::NoAnswer)
            core->OnLinkAck("-1");
        return outcome;
    }
    void LibraryInitDDE(const std::string& title) override { Add("lib InitDDE " + title); }
    void LibraryKillDDE() override { Add("lib KillDDE"); }
    LinkOutcome LibraryRegister(const std::string& title) override {
        Add("lib Register " + title);
        return NextLibraryOutcome();
    }
    LinkOutcome LibraryUnregister(const std::string& title) override {
        Add("lib Unregister " + title);
        return NextLibraryOutcome();
    }
    LinkOutcome LibraryCommunicate(const std::string& title,
                                   int mode,
                                   const std::string& target,
                                   const std::string& text) override {
        Add("lib Communicate " + title + "|" + std::to_string(mode) + "|" + target + "|" + text);
        return NextLibraryOutcome();
    }
    LinkOutcome LibraryGetAllText(const std::string& title) override {
        Add("lib GetAllText " + title);
        const LinkOutcome outcome = NextLibraryOutcome();
        std::string reply;
        if (!allTextReplies.empty()) {
            reply = allTextReplies.front();
            allTextReplies.pop_front();
        }
        if (!reply.empty())
            core->OnLinkAllText(reply);  // the reply arrives inside the request
        return outcome;
    }

    int consolesMade = 0;
    void Touch() {
        if (!consoleExists) {
            consoleExists = true;
            ++consolesMade;
            fields.clear();
            errorCheck = false;
            Add("console created");
        }
    }
    void OpenConsole() override { Touch(); }
    int ConsoleInstance() override { return consoleExists ? consolesMade : 0; }
    void CloseConsole() override {
        if (consoleExists)
            Add("console closed");
        consoleExists = false;
    }
    std::string ConsoleText(ConsoleField field) override {
        Touch();
        return fields[field];
    }
    void SetConsoleText(ConsoleField field, const std::string& text) override {
        Touch();
        fields[field] = text;
    }
    void SetErrorCheck(bool checked) override {
        Touch();
        errorCheck = checked;
        Add(checked ? "ErrorCheck on" : "ErrorCheck off");
    }
    void CloseConversation() override {
        Touch();
        Add("link 0");
    }
    LinkOutcome OpenConversation(const std::string& service, const std::string& topic, int timeoutMs) override {
        Touch();
        waits.push_back(timeoutMs);
        if (worldSilent) {
            nowMs += timeoutMs;
            Add("link 2 " + service + "|" + topic + " unanswered");
            return LinkOutcome::NoAnswer;
        }
        if (opensToFail != 0) {
            if (opensToFail > 0)
                --opensToFail;
            Add("link 2 " + service + "|" + topic + " failed");
            return LinkOutcome::NoServer;
        }
        Add("link 2 " + service + "|" + topic);
        return LinkOutcome::Answered;
    }
    LinkOutcome Poke(const std::string& item, const std::string& text, int timeoutMs) override {
        waits.push_back(timeoutMs);
        Add("poke " + item + " " + Shown(text) + (refusePokes ? " refused" : ""));
        return refusePokes ? LinkOutcome::Refused : LinkOutcome::Answered;
    }
    LinkOutcome Request(const std::string& item, int timeoutMs, std::string* reply) override {
        waits.push_back(timeoutMs);
        std::optional<std::string> next;
        if (!requestReplies.empty()) {
            next = requestReplies.front();
            requestReplies.pop_front();
        }
        Add("request " + item + (next ? "" : " failed"));
        *reply = next.value_or("");
        return next ? LinkOutcome::Answered : LinkOutcome::Refused;
    }
    bool ActivateWindow(const std::string& title) override {
        const bool found = windows.count(title) > 0;
        Add("activate " + title + (found ? "" : " failed"));
        return found;
    }

    std::vector<std::string> messages;
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override {
        messages.push_back(caption + "|" + text + (icon == MessageIcon::Information ? "|info" : "|plain"));
        Add("box " + text);
    }

    bool FileExists(const std::string& path) override { return files.count(path) > 0; }
    bool RemoveFile(const std::string& path) override {
        if (undeletable.count(path)) {
            Add("remove " + path + " failed");
            return false;
        }
        Add("remove " + path);
        return files.erase(path) > 0;
    }
    bool WriteWholeFile(const std::string& path, const std::string& content) override {
        if (unwritable.count(path)) {
            Add("write " + path + " failed");
            return false;
        }
        Add("write " + path);
        files[path] = content;
        return true;
    }
    std::string FallbackCapturePath() override { return fallback; }
};

class LinkCoreTest : public ::testing::Test {
  protected:
    LinkCoreTest() : core(port) {
        port.core = &core;
        core.SetApplicationTitle("Tumbleroo");
        core.ApplyLinkSettings(LinkSettings{});
    }
    using Events = std::vector<std::string>;
    FakePort port;
    LinkCore core;
};

// The events after the first `n`, which a clock wait may consist of: yields and sleeps only.
bool OnlyClockWaitFrom(const std::vector<std::string>& events, size_t n) {
    for (size_t i = n; i < events.size(); ++i)
        if (events[i] != "sleep" && events[i] != "clock" && events[i].rfind("yield x", 0) != 0)
            return false;
    return true;
}

TEST_F(LinkCoreTest, WaitSecondsReturnsAfterTheClockChangedCountTimes) {
    const struct {
        long long startMs;
        std::int16_t count;
        long long endMs;  // the clock when it returns
    } rows[] = {
        {999, 1, 1000},                    // a millisecond before the change: returns after about a millisecond
        {0, 1, 1000},                      // at the start of a second: one whole second
        {500, 3, 3000},                    // at least two seconds
        {0, 3, 3000},     {250, 0, 1000},  // 0 and below still wait for one change
        {250, -7, 1000},  {86399500, 2, 86401000},  // across midnight: 23:59:59 -> 00:00:00 is a change too
        {123, 10, 10000},
    };
    for (const auto& r : rows) {
        port.nowMs = r.startMs;
        port.events.clear();
        port.sleeps = 0;
        core.WaitSeconds(r.count);
        EXPECT_EQ(port.nowMs / 1000 * 1000, r.endMs) << r.startMs << " + " << r.count;
        EXPECT_LT(port.nowMs - r.endMs, 10) << "returned late";
        EXPECT_TRUE(OnlyClockWaitFrom(port.events, 0));
        // It sleeps once per second at most, instead of yielding in a loop.
        EXPECT_LE(port.sleeps, std::max<int>(r.count, 1)) << r.startMs << " + " << r.count;
        EXPECT_LE(port.yields, 2 * std::max<int>(r.count, 1)) << r.startMs << " + " << r.count;
        port.yields = 0;
    }
    // A handler that runs three seconds inside the wait counts as a single change of the clock.
    port.nowMs = 0;
    port.onYield = [&](int) {
        if (port.nowMs < 1000)
            port.nowMs += 3000;
    };
    core.WaitSeconds(2);
    EXPECT_EQ(port.nowMs / 1000, 4);
}

TEST_F(LinkCoreTest, SpeakAndEspByTheLibrary) {
    core.vars.UseLibraryMethod = true;
    core.SayText("hello");
    EXPECT_EQ(port.events, (Events{"yield x12", "lib Communicate Tumbleroo|0||hello", "yield x24"}));

    port.events.clear();
    core.vars.EspTarget = "Ann";
    core.EspText("You are on the List.");
    EXPECT_EQ(port.events, (Events{"yield x12", "lib Communicate Tumbleroo|2|Ann|You are on the List.", "yield x24"}));
}

TEST_F(LinkCoreTest, NothingIsSentWithoutTextOrTarget) {
    for (bool library : {true, false}) {
        core.vars.UseLibraryMethod = library;
        core.SayText("");
        core.vars.EspTarget = "";
        core.EspText("hi");
        core.vars.EspTarget = "Ann";
        core.EspText("");
    }
    EXPECT_TRUE(port.events.empty());
    EXPECT_EQ(port.yields, 0);
}

TEST_F(LinkCoreTest, SeparatorsInTheTargetOrTheConsoleFieldsDropTheRequest) {
    struct Row {
        const char* what;
        bool library;
        std::string target;  // EspTarget for EspText
        std::string text;
        Events events;
    };
    const std::vector<Row> rows = {
        {"library, separator in the target", true, "An\fn", "hi", {}},
        {"console, separator in the target", false, "An\fn", "hi", {}},
        {"console, separator alone", false, "\f", "hi", {}},
        {"library, separators in the text go verbatim",
         true,
         "Ann",
         "a\fb",
         {"yield x12", "lib Communicate Tumbleroo|2|Ann|a\fb", "yield x24"}},
        {"console, separators in the text go verbatim",
         false,
         "Ann",
         "a\fb\f",
         {"yield x12", "console created", "ErrorCheck off", "link 0", "link 2 Zelmarink|Zelmarink_Communicate",
          "poke Zelmarink_Communicate Tumbleroo<FF>2<FF>Ann<FF>a<FF>b<FF>"}},
    };
    for (const Row& r : rows) {
        port.events.clear();
        port.consoleExists = false;
        core.vars.UseLibraryMethod = r.library;
        core.vars.EspTarget = r.target;
        core.EspText(r.text);
        EXPECT_EQ(port.events, r.events) << r.what;
    }

    // The console's Communicate button with fields typed by hand: dropped at once, nothing sent, not flagged.
    const struct {
        const char* mode;
        const char* avatar;
        bool sent;
    } typed[] = {{"2", "Ann\f", false}, {"2\f", "Ann", false}, {"\f", "", false}, {"2", "Ann", true}};
    for (const auto& t : typed) {
        port.events.clear();
        port.fields[ConsoleField::CommMode] = t.mode;
        port.fields[ConsoleField::AvatarName] = t.avatar;
        port.fields[ConsoleField::CommText] = "typed";
        core.RunConsoleRequest(ConsoleRequest::Communicate);
        const Events dropped{"ErrorCheck off"};
        if (t.sent) {
            EXPECT_EQ(port.events.back(), "poke Zelmarink_Communicate Tumbleroo<FF>2<FF>Ann<FF>typed");
        } else {
            EXPECT_EQ(port.events, dropped) << Shown(t.mode) << " " << Shown(t.avatar);
            EXPECT_FALSE(port.errorCheck);
        }
    }
}

TEST_F(LinkCoreTest, LibrarySpeakWithASendDelayWaitsTwoClockTicks) {
    core.vars.UseLibraryMethod = true;
    core.vars.SendDelaySeconds = 2;
    port.nowMs = 400;
    core.SayText("hello");
    ASSERT_GE(port.events.size(), 3u);
    EXPECT_EQ((Events{port.events.begin(), port.events.begin() + 3}),
              (Events{"yield x12", "lib Communicate Tumbleroo|0||hello", "yield x24"}));
    EXPECT_TRUE(OnlyClockWaitFrom(port.events, 3));
    EXPECT_EQ(port.nowMs / 1000, 2);
    EXPECT_EQ(port.sleeps, 2);

    // A negative delay means no wait at all.
    port.events.clear();
    core.vars.SendDelaySeconds = -3;
    core.SayText("again");
    EXPECT_EQ(port.events, (Events{"yield x12", "lib Communicate Tumbleroo|0||again", "yield x24"}));
}

TEST_F(LinkCoreTest, SpeakAndEspByTheConsole) {
    core.vars.UseLibraryMethod = false;
    core.SayText("hello");
    EXPECT_EQ(port.events, (Events{"yield x12", "console created", "ErrorCheck off", "link 0",
                                   "link 2 Zelmarink|Zelmarink_Communicate",
                                   "poke Zelmarink_Communicate Tumbleroo<FF>0<FF><FF>hello"}));
    // The fields keep their values after the request.
    EXPECT_EQ(port.fields[ConsoleField::CommMode], "0");
    EXPECT_EQ(port.fields[ConsoleField::CommText], "hello");
    EXPECT_EQ(port.fields[ConsoleField::Text1], "Tumbleroo\f0\f\fhello");

    port.events.clear();
    core.vars.EspTarget = "Ann";
    core.EspText("hi there");
    EXPECT_EQ(port.events, (Events{"yield x12", "ErrorCheck off", "link 0", "link 2 Zelmarink|Zelmarink_Communicate",
                                   "poke Zelmarink_Communicate Tumbleroo<FF>2<FF>Ann<FF>hi there"}));
    EXPECT_EQ(port.fields[ConsoleField::AvatarName], "Ann");
}

TEST_F(LinkCoreTest, ConsoleRetriesLinkFailuresFiveTimes) {
    const struct {
        int opensToFail;
        int attempts;
        bool errorCheck;
    } rows[] = {{0, 1, false}, {1, 2, false}, {4, 5, false}, {5, 5, true}, {-1, 5, true}};
    port.OpenConsole();
    for (const auto& r : rows) {
        port.events.clear();
        port.opensToFail = r.opensToFail;
        core.RunConsoleRequest(ConsoleRequest::Register);
        Events want = {"ErrorCheck off"};
        for (int a = 1; a <= r.attempts; ++a) {
            want.push_back("link 0");
            const bool fails = r.opensToFail < 0 || a <= r.opensToFail;
            want.push_back(std::string("link 2 Zelmarink|Zelmarink_Register") + (fails ? " failed" : ""));
            if (fails)
                want.push_back("yield x12");
            else
                want.push_back("poke Zelmarink_Register Tumbleroo");
        }
        if (r.errorCheck)
            want.push_back("ErrorCheck on");
        EXPECT_EQ(port.events, want) << r.opensToFail;
        EXPECT_EQ(port.errorCheck, r.errorCheck) << r.opensToFail;
        port.opensToFail = 0;
    }
}

// Handlers running inside a console request: one that closes the console ends the request unsent (a console
// made anew would carry empty fields); one that runs a request of its own does not change what this one pokes.
TEST_F(LinkCoreTest, ConsoleRequestsInterruptedByHandlers) {
    struct Row {
        const char* what;
        std::function<void()> handler;  // runs in the first yield after the first (failed) attempt
        Events tail;                    // the events after that yield
    };
    const std::vector<Row> rows = {
        {"console closed", [&] { port.CloseConsole(); }, {"console closed", "yield x11"}},
        {"another request",
         [&] { core.RunConsoleRequest(ConsoleRequest::Register); },
         {"ErrorCheck off", "link 0", "link 2 Zelmarink|Zelmarink_Register", "poke Zelmarink_Register Tumbleroo",
          "yield x11", "link 0", "link 2 Zelmarink|Zelmarink_Communicate",
          "poke Zelmarink_Communicate Tumbleroo<FF>0<FF><FF>hello"}},
    };
    for (const Row& r : rows) {
        port.events.clear();
        port.CloseConsole();
        port.events.clear();
        port.opensToFail = 1;
        bool ran = false;
        port.onYield = [&](int) {
            const size_t n = port.events.size();
            if (!ran && n >= 2 && port.events[n - 1] == "yield x1" && port.events[n - 2].ends_with(" failed")) {
                ran = true;
                r.handler();
            }
        };
        core.SayText("hello");
        port.onYield = nullptr;
        const Events head = {
            "yield x12", "console created", "ErrorCheck off", "link 0", "link 2 Zelmarink|Zelmarink_Communicate failed",
            "yield x1"};
        Events want = head;
        want.insert(want.end(), r.tail.begin(), r.tail.end());
        EXPECT_EQ(port.events, want) << r.what;
        EXPECT_FALSE(port.errorCheck) << r.what;
    }
}

TEST_F(LinkCoreTest, ConsoleRefusedPokesAndRequestsAreLinkFailures) {
    port.OpenConsole();
    port.refusePokes = true;
    core.RunConsoleRequest(ConsoleRequest::Unregister);
    EXPECT_TRUE(port.errorCheck);
    EXPECT_EQ(std::count(port.events.begin(), port.events.end(), "poke Zelmarink_Unregister Tumbleroo refused"), 5);

    // A request that brings nothing leaves Text1 empty; one that brings text puts it there.
    port.events.clear();
    port.requestReplies = {std::nullopt, std::nullopt, std::string("Ann: hi\r\nBob: yo")};
    core.RunConsoleRequest(ConsoleRequest::GetAllText);
    EXPECT_FALSE(port.errorCheck);
    EXPECT_EQ(port.fields[ConsoleField::Text1], "Ann: hi\r\nBob: yo");
    EXPECT_EQ(std::count(port.events.begin(), port.events.end(), "request Tumbleroo failed"), 2);
    EXPECT_EQ(std::count(port.events.begin(), port.events.end(), "yield x12"), 2);

    core.RunConsoleRequest(ConsoleRequest::GetAllText);  // refused five times
    EXPECT_TRUE(port.errorCheck);
    EXPECT_EQ(port.fields[ConsoleField::Text1], "");
}

TEST_F(LinkCoreTest, FocusControlActivatesTheWorldThenTheProgram) {
    core.vars.FocusControl = true;
    core.vars.ClientWindowTitle = "Pelmor 3.0";
    port.OpenConsole();
    port.events.clear();
    core.RunConsoleRequest(ConsoleRequest::Register);
    EXPECT_EQ(port.events, (Events{"ErrorCheck off", "link 0", "link 2 Zelmarink|Zelmarink_Register",
                                   "activate Pelmor 3.0", "poke Zelmarink_Register Tumbleroo", "activate Tumbleroo"}));

    // No window with the world's title: the request ends at once, unflagged, before anything is sent.
    port.events.clear();
    port.windows.erase("Pelmor 3.0");
    core.RunConsoleRequest(ConsoleRequest::Register);
    EXPECT_EQ(port.events, (Events{"ErrorCheck off", "link 0", "link 2 Zelmarink|Zelmarink_Register",
                                   "activate Pelmor 3.0 failed"}));
    EXPECT_FALSE(port.errorCheck);

    // The program's own window missing: the poke went out, the request ends unflagged.
    port.events.clear();
    port.windows = {"Pelmor 3.0"};
    core.RunConsoleRequest(ConsoleRequest::Register);
    EXPECT_EQ(port.events.back(), "activate Tumbleroo failed");
    EXPECT_EQ(std::count(port.events.begin(), port.events.end(), "poke Zelmarink_Register Tumbleroo"), 1);
    EXPECT_FALSE(port.errorCheck);

    // Focus control off: nothing is activated.
    port.events.clear();
    core.vars.FocusControl = false;
    core.RunConsoleRequest(ConsoleRequest::Register);
    EXPECT_EQ(std::count_if(port.events.begin(), port.events.end(),
                            [](const std::string& e) { return e.rfind("activate", 0) == 0; }),
              0);
}

TEST_F(LinkCoreTest, OpenAndCloseByEachMethod) {
    const struct {
        bool library;
        bool waitAfterKill;
        Events open, closeBeforeWaits;
        int closeWaits;  // clock waits of one change after the last close step
    } rows[] = {
        {true,
         true,
         {"lib InitDDE Tumbleroo", "lib Register Tumbleroo"},
         {"lib Unregister Tumbleroo", "lib KillDDE"},
         1},
        {true,
         false,
         {"lib InitDDE Tumbleroo", "lib Register Tumbleroo"},
         {"lib Unregister Tumbleroo", "lib KillDDE"},
         0},
    };
    for (const auto& r : rows) {
        port.events.clear();
        core.vars.UseLibraryMethod = r.library;
        core.SetWaitAfterKillDDE(r.waitAfterKill);
        core.OpenLink();
        EXPECT_EQ(port.events, r.open);
        port.events.clear();
        port.nowMs = 100;
        port.sleeps = 0;
        core.CloseLink();
        ASSERT_GE(port.events.size(), r.closeBeforeWaits.size());
        EXPECT_EQ((Events{port.events.begin(), port.events.begin() + r.closeBeforeWaits.size()}), r.closeBeforeWaits);
        EXPECT_TRUE(OnlyClockWaitFrom(port.events, r.closeBeforeWaits.size()));
        EXPECT_EQ(port.nowMs / 1000, r.closeWaits);
    }
}

TEST_F(LinkCoreTest, ConsoleOpenAndCloseCarryTheWindowAndOneSecondWaits) {
    core.vars.UseLibraryMethod = false;
    port.nowMs = 100;
    core.OpenLink();
    ASSERT_GE(port.events.size(), 5u);
    EXPECT_EQ((Events{port.events.begin(), port.events.begin() + 5}),
              (Events{"console created", "ErrorCheck off", "link 0", "link 2 Zelmarink|Zelmarink_Register",
                      "poke Zelmarink_Register Tumbleroo"}));
    EXPECT_TRUE(OnlyClockWaitFrom(port.events, 5));
    EXPECT_EQ(port.nowMs / 1000, 1);

    port.events.clear();
    core.CloseLink();
    const auto closed = std::find(port.events.begin(), port.events.end(), "console closed");
    ASSERT_NE(closed, port.events.end());
    EXPECT_EQ((Events{port.events.begin(), port.events.begin() + 4}),
              (Events{"ErrorCheck off", "link 0", "link 2 Zelmarink|Zelmarink_Unregister",
                      "poke Zelmarink_Unregister Tumbleroo"}));
    EXPECT_EQ(port.nowMs / 1000, 3);  // one second before closing the window, one after
    EXPECT_FALSE(port.consoleExists);

    // Touching the console after CloseLink creates it again, hidden and empty.
    port.events.clear();
    core.SayText("late");
    EXPECT_EQ(port.events[1], "console created");
    EXPECT_TRUE(port.consoleExists);
}

TEST_F(LinkCoreTest, LibraryFetchWritesTheFirstTextThatComes) {
    core.vars.UseLibraryMethod = true;
    port.files[kCapturePath] = "old";
    port.allTextReplies = {"", "Ann: hi\r\nESP from Bob: $"};
    core.FetchAllText();
    EXPECT_EQ(port.events, (Events{"yield x12", "remove C:\\ZOBRA.TXT", "lib GetAllText Tumbleroo", "yield x36",
                                   "lib GetAllText Tumbleroo", "yield x24", "write C:\\ZOBRA.TXT"}));
    EXPECT_EQ(port.files[kCapturePath], "Ann: hi\r\nESP from Bob: $\r\n");
    EXPECT_EQ(core.CapturePath(), kCapturePath);
    EXPECT_EQ(core.vars.AllText, "Ann: hi\r\nESP from Bob: $");
}

TEST_F(LinkCoreTest, CaptureFallsBackToTheTemporaryFolder) {
    const struct {
        const char* name;
        bool primaryExists, primaryUndeletable, primaryUnwritable, fallbackExists, noFallback;
        std::string path;  // CapturePath() afterwards
        bool written;      // the text is at `path`
    } rows[] = {
        {"plain", false, false, false, false, false, kCapturePath, true},
        {"old capture deleted", true, false, false, false, false, kCapturePath, true},
        {"old temp capture deleted too", false, false, false, true, false, kCapturePath, true},
        {"root not writable", false, false, true, false, false, kFallback, true},
        {"old capture cannot be deleted", true, true, true, false, false, kFallback, true},
        {"undeletable but writable", true, true, false, true, false, kFallback, true},
        {"nowhere to write", false, false, true, false, true, "", false},
    };
    for (const auto& r : rows) {
        port.files.clear();
        port.undeletable.clear();
        port.unwritable.clear();
        port.fallback = r.noFallback ? "" : kFallback;
        if (r.primaryExists)
            port.files[kCapturePath] = "old";
        if (r.fallbackExists)
            port.files[kFallback] = "old temp";
        if (r.primaryUndeletable)
            port.undeletable.insert(kCapturePath);
        if (r.primaryUnwritable)
            port.unwritable.insert(kCapturePath);
        core.vars.UseLibraryMethod = true;
        port.allTextReplies = {"chat"};
        core.FetchAllText();
        EXPECT_EQ(core.CapturePath(), r.path) << r.name;
        if (r.written) {
            EXPECT_EQ(port.files[r.path], "chat\r\n") << r.name;
        }
        // No old capture is left where a reader might look.
        if (r.path != kFallback && !r.noFallback) {
            EXPECT_EQ(port.files.count(kFallback), 0u) << r.name;
        }
        if (r.path != kCapturePath && port.files.count(kCapturePath)) {
            EXPECT_TRUE(r.primaryUndeletable) << r.name;
        }
    }
}

TEST_F(LinkCoreTest, AcknowledgementsArriveInsideTheYieldsOfASpeak) {
    core.vars.UseLibraryMethod = true;
    port.onYield = [&](int serial) {
        if (serial == 14)  // the second yield after the request
            core.OnLinkAck("1");
    };
    core.SayText("hi");
    EXPECT_EQ(port.events, (Events{"yield x12", "lib Communicate Tumbleroo|0||hi", "yield x2",
                                   "box 1- Target avatar is not logged on", "yield x22"}));
}

TEST_F(LinkCoreTest, EspKeepsItsTargetWhenAnotherHandlerChangesItMeanwhile) {
    core.vars.UseLibraryMethod = true;
    core.vars.EspTarget = "Ann";
    port.onYield = [&](int serial) {
        if (serial == 3)
            core.vars.EspTarget = "Bob";
    };
    core.EspText("for Ann");
    EXPECT_EQ(port.events[1], "lib Communicate Tumbleroo|2|Ann|for Ann");
}

// A world client that stops answering: each command keeps trying for the grace and then skips the rest, so that
// the operator hears within 15 s, once, what did not get through; "-1" boxes of the library are folded into that
// message. Without any world client (no server) the old rules hold: every try, a box per "-1", no message.
TEST_F(LinkCoreTest, AWorldThatStopsAnsweringIsGivenUpAfterTheGrace) {
    using O = LinkOutcome;
    const std::string advice =
        ". Check that the world client is running and not busy (loading a region, a dialog open), then try again.";
    struct Row {
        const char* what;
        bool library;
        std::vector<O> outcomes;  // the library's, in order (then Answered); console: every open unanswered
        bool fetch;               // a fetch instead of 14 lines
        int tries;                // requests that reached the port
        std::string message;      // EndCommand's
        size_t boxes;             // "99 - Unknown error occured" boxes shown
    };
    const std::vector<O> silent(20, O::NoAnswer), absent(20, O::NoServer);
    const std::vector<Row> rows = {
        // Each "no answer" comes with a "-1": the world client did not take the conversation, so the line was
        // not spoken, and it is tried again within the grace.
        {"library, silent", true, silent, false, 4,
         "The world client stopped answering; 14 lines were not spoken" + advice, 0},
        {"library, absent", true, absent, false, 14, "", 14},
        {"library, answers again after two", true, {O::NoAnswer, O::NoAnswer, O::Answered}, false, 16, "", 0},
        {"library fetch, silent", true, silent, true, 4,
         "The world client stopped answering; the chat text could not be fetched" + advice, 0},
        {"console, silent", false, {}, false, 2,
         "The world client stopped answering; 14 lines were not spoken" + advice, 0},
        {"console fetch, silent", false, {}, true, 2,
         "The world client stopped answering; the chat text could not be fetched" + advice, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        core.vars.UseLibraryMethod = r.library;
        port.libraryOutcomes.assign(r.outcomes.begin(), r.outcomes.end());
        port.worldSilent = !r.library;
        port.events.clear();
        port.messages.clear();
        port.waits.clear();
        const long long started = port.nowMs;
        core.BeginCommand();
        if (r.fetch) {
            core.FetchAllText();
        } else {
            for (int line = 1; line <= 14; ++line)
                core.SayText("line " + std::to_string(line));
        }
        EXPECT_EQ(core.EndCommand(), r.message);
        EXPECT_EQ(core.EndCommand(), "") << "told once";
        EXPECT_LE(port.nowMs - started, 15000);
        size_t tries = 0;
        for (const auto& e : port.events)
            tries += e.rfind("lib Communicate", 0) == 0 || e.rfind("lib GetAllText", 0) == 0 ||
                     e.rfind("link 2", 0) == 0;
        EXPECT_EQ(tries, static_cast<size_t>(r.tries));
        EXPECT_EQ(port.messages.size(), r.boxes);
        for (int wait : port.waits)
            EXPECT_TRUE(wait >= 1 && wait <= kConsoleTimeoutMs) << wait;
        if (!r.library) {
            EXPECT_TRUE(port.errorCheck) << "checked when given up";
        }
    }
    // The next command starts afresh: a world that answers again gets every line.
    port.worldSilent = false;
    core.BeginCommand();
    port.events.clear();
    core.SayText("back");
    EXPECT_EQ(port.events.back(), "poke Zelmarink_Communicate Tumbleroo<FF>0<FF><FF>back");
    EXPECT_EQ(core.EndCommand(), "");
}

// A world client busy at the start for longer than the grace: the registration, never made, is made right after the
// first request it answers, once; a link closed before that does not unregister.
TEST_F(LinkCoreTest, RegistrationMissedAtTheStartIsMadeOnceTheWorldAnswers) {
    core.vars.UseLibraryMethod = true;
    for (bool answersBeforeClose : {true, false}) {
        port.libraryOutcomes.assign(4, LinkOutcome::NoAnswer);
        core.OpenLink();
        core.BeginCommand();
        if (answersBeforeClose) {
            core.SayText("one");
            core.SayText("two");
        }
        core.CloseLink();
        Events requests;
        for (const auto& e : port.events)
            if (e.rfind("lib ", 0) == 0 && e.find("DDE") == std::string::npos)
                requests.push_back(e);
        port.events.clear();
        const Events registers(4, "lib Register Tumbleroo");
        Events expected = registers;
        if (answersBeforeClose)
            expected.insert(expected.end(), {"lib Communicate Tumbleroo|0||one", "lib Register Tumbleroo",
                                             "lib Communicate Tumbleroo|0||two", "lib Unregister Tumbleroo"});
        EXPECT_EQ(requests, expected) << answersBeforeClose;
        EXPECT_TRUE(port.messages.empty());
    }
}

TEST_F(LinkCoreTest, ReadSettingsResetsTheFourSettingsOnly) {
    core.vars.EspTarget = "Ann";
    core.vars.AllText = "chat";
    core.vars.FocusControl = true;
    core.ApplyLinkSettings(ParseLinkSettingsText("World\r\n"));
    EXPECT_EQ(core.vars.ClientWindowTitle, "World");
    EXPECT_FALSE(core.vars.FocusControl);
    EXPECT_EQ(core.vars.EspTarget, "Ann");
    EXPECT_EQ(core.vars.AllText, "chat");
}

}  // namespace
}  // namespace linkmodule
