// The HostWindow's commands end to end over fakes: save points, round display, speech and intake.
#include "host/host.h"

#include <gtest/gtest.h>

#include "host/intake.h"
#include "host/saved_game.h"
#include "host/tests/fakes.h"
#include "host/text_lines.h"

namespace {

using namespace hosttest;

// The log since the last call, with speech counted instead of listed.
std::pair<Strings, int> Take(Strings& log) {
    Strings kept;
    int said = 0;
    for (const auto& e : log) {
        if (e.rfind("say ", 0) == 0)
            ++said;
        else if (e != "wait 1")
            kept.push_back(e);
    }
    log.clear();
    return {kept, said};
}

TEST(HostCommands, AGameStepByStep) {
    Fakes io;
    FakeClock clock({"10:20:30"});
    ScriptedRandom random({0.0f, 0.5f, 0.5f, 0.9f});  // the category, then of three players: Bob, Bob, Cy
    host::Host host(io, io, clock, random);
    io.files["GORVATH.TXT"] = "Fruits\r\n";
    host.LoadCategories();
    host.Lists() = Lists({"Amy", "Bob", "Cy"}, {"Amy"});
    const std::string s0 = "write GORVATH.SAV: Amy\r\nBob\r\nCy\r\nList2\r\nAmy\r\n";
    const std::string s1 = "write GORVATH.SAV: Amy\r\nBob\r\nCy\r\nList2\r\nAmy\r\nCy\r\n";
    auto give = [](const char* category) {
        return [category](host::Host& h) {
            h.SetSelectedCategory(category);
            return h.GiveCategory();
        };
    };
    struct Row {
        const char* what;
        std::function<host::Outcome(host::Host&)> command;
        Strings events;
        int said;
        bool focusDummy;
    };
    const Row rows[] = {
        {"Pick Category", &host::Host::PickCategory, {"round |Fruits|---"}, 0, true},
        {"Pick a Player", &host::Host::PickPlayer, {s0, "round Bob||---", "round Bob||G--"}, 6, true},
        {"GIVE CATEGORY", give("  Fruits  "), {"round Bob|Fruits|G--", s0, "round Bob|Fruits|-WL"}, 15, true},
        {"Pick a Player while judging", &host::Host::PickPlayer, {s0, "round Bob||-WL", "round Bob||GWL"}, 6, true},
        {"Declare LOSER", &host::Host::DeclareLoser, {s0, "round ||G--"}, 1, true},
        {"GIVE CATEGORY, nobody drawn", give("Animals"), {"round |Animals|G--", s0, "round |Animals|-WL"}, 15, true},
        {"Declare WINNER of nobody", &host::Host::DeclareWinner, {s0, "round |Animals|---", s0}, 0, true},
        {"Pick a Player passes the loser", &host::Host::PickPlayer, {s0, "round Cy||---", "round Cy||G--"}, 6, true},
        {"GIVE CATEGORY again", give("Fruits"), {"round Cy|Fruits|G--", s0, "round Cy|Fruits|-WL"}, 15, true},
        {"Declare WINNER", &host::Host::DeclareWinner, {s0, "round |Fruits|---", s1}, 1, true},
        {"Pick a Player, none eligible", &host::Host::PickPlayer, {s1}, 0, false},
        {"GIVE CATEGORY of spaces", give("   "), {"round ||---"}, 0, false},
        {"Reg Countdown", &host::Host::RegCountdown, {s1}, 7, true},
        {"Read List", &host::Host::ReadList, {s1}, 2, true},
        {"How To Play", &host::Host::HowToPlay, {}, 14, true},
        {"Ask_For_$", &host::Host::AskForPlayers, {}, 1, true},
    };
    for (const auto& r : rows) {
        const host::Outcome outcome = r.command(host);
        const auto [events, said] = Take(io.log);
        EXPECT_EQ(events, r.events) << r.what;
        EXPECT_EQ(said, r.said) << r.what;
        EXPECT_EQ(outcome.focusDummy, r.focusDummy) << r.what;
        EXPECT_TRUE(outcome.problems.empty()) << r.what;
    }
    EXPECT_EQ(host.Lists().WaitList.Names(), Strings{"Bob"});
}

TEST(HostCommands, GetPlayers) {
    const std::string m = std::string("Amy: ") + host::kIntakeMarker;
    struct Row {
        const char* what;
        std::optional<std::string> capture;
        Strings players;
        bool deleteAmyOnce;  // from the maintenance window, while Amy's confirmation is sent
        Strings esps, after;
    };
    const Row rows[] = {
        {"new senders once each, in capture order",
         "ESP from Amy: $\r\nBob: hello\r\nESP from Bob: $\r\nESP from Amy: $\r\n",
         {},
         false,
         {"Amy", "Bob"},
         {"Amy", "Bob"}},
        {"listed entries block, trimmed",
         "ESP from Amy: $\rESP from Cy: $\r\n",
         {" Amy ", "Bob"},
         false,
         {"Cy"},
         {" Amy ", "Bob", "Cy"}},
        {"after the last marker",
         "ESP from A: $\r\n" + m + "\r\nESP from B: $\r\n" + m + "\r\nESP from C: $",
         {},
         false,
         {"C"},
         {"C"}},
        {"no capture", std::nullopt, {"Amy"}, false, {}, {"Amy"}},
        {"refused names",
         "ESP from List2: $\r\nESP from : $\r\nESP from list2: $\r\n",
         {},
         false,
         {"list2"},
         {"list2"}},
        {"deleted during the run, taken again",
         "ESP from Amy: $\r\nESP from Bob: $\r\nESP from Amy: $\r\n",
         {},
         true,
         {"Amy", "Bob", "Amy"},
         {"Bob", "Amy"}},
    };
    for (const auto& r : rows) {
        Fakes io;
        FakeClock clock({"10:20:30"});
        host::MixingGenerator random;
        host::Host host(io, io, clock, random);
        host.Lists().PlayersList = Names(r.players);
        const std::string before = host::FormatSavedGame(host.Lists());
        io.onFetch = [&] {
            if (r.capture)
                io.files[host::kCaptureFile] = *r.capture;
        };
        bool deleted = !r.deleteAmyOnce;
        io.onEsp = [&](const std::string& target) {
            if (target == "Amy" && !deleted)
                deleted = host.Lists().PlayersList.RemoveFirst("Amy");
        };
        EXPECT_TRUE(host.GetPlayers().focusDummy);
        Strings expected{"write GORVATH.SAV: " + before, "fetch"};
        for (const auto& name : r.esps)
            expected.push_back("esp " + name + ": You are on the List.");
        expected.push_back("write GORVATH.SAV: " + host::FormatSavedGame(host.Lists()));
        EXPECT_EQ(io.log, expected) << r.what;
        EXPECT_EQ(host.Lists().PlayersList.Names(), r.after) << r.what;
        const size_t lines = r.capture ? host::SplitLines(*r.capture, host::LineEnds::kCrOrCrLf).size() : 0;
        EXPECT_EQ(io.yields, static_cast<int>(2 * lines)) << r.what;
    }
}

TEST(HostCommands, FilesOnRequest) {
    Fakes io;
    FakeClock clock({"10:20:30"});
    ScriptedRandom random({0.0f});
    host::Host host(io, io, clock, random);
    io.files = {{"MACTITS.TXT", "  Prizes  \r\nRules\r\n"},
                {"MACRO1.TXT", "never\r\n"},
                {"MACRO2.TXT", "Welcome!\r\n\r\nHave fun.\r\n"},
                {"MACRO10.TXT", "Last"},
                {"GORVATH.SAV", "Amy\r\n\r\nList2\r\nzed\r\nBob\r\n"}};
    host.LOAD_MACTITS();
    EXPECT_EQ(host.Titles()[0], "Prizes");
    EXPECT_EQ(host.Titles()[2], "Macro3");
    for (int k : {0, 1, 2, 9, 10})
        host.PlayMacro(k);
    EXPECT_EQ(io.log, (Strings{"say Welcome!", "say Have fun.", "say Last"}));

    host.Lists().WaitList = Names({"Cy"});
    host.RestorePlayers();
    EXPECT_EQ(host.Lists().PlayersList.Names(), Strings{"Amy"});
    EXPECT_EQ(host.Lists().WinnersList.Names(), (Strings{"Bob", "zed"}));
    EXPECT_EQ(host.Lists().WaitList.Names(), Strings{"Cy"});

    // Files that cannot be written: one message each, the old file kept, the command carried through.
    io.unwritable = {"GORVATH.SAV", "MACTITS.TXT"};
    host.PickPlayer();
    const host::Outcome judged = host.DeclareWinner();
    ASSERT_EQ(judged.problems.size(), 1u);
    EXPECT_NE(judged.problems[0].find("GORVATH.SAV"), std::string::npos);
    EXPECT_EQ(host.Lists().WinnersList.Names(), (Strings{"Amy", "Bob", "zed"}));
    EXPECT_EQ(io.files["GORVATH.SAV"], "Amy\r\n\r\nList2\r\nzed\r\nBob\r\n");
    const host::Outcome titles = host.SaveMacroTitles({"Rules", "B", "C", "D", "E", "F", "G", "H", "I"});
    ASSERT_EQ(titles.problems.size(), 1u);
    EXPECT_NE(titles.problems[0].find("MACTITS.TXT"), std::string::npos);
    EXPECT_EQ(host.Titles()[0], "Rules");
    host.Lists().PlayersList.Clear();
    host.Lists().WinnersList.Clear();
    host.RestorePlayers();
    EXPECT_EQ(host.Lists().PlayersList.Names(), Strings{"Amy"});
}

}  // namespace
