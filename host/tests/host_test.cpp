// The HostWindow's commands end to end over fakes: save points, round display, speech and intake.
#include "host/host.h"

#include <gtest/gtest.h>

#include "host/intake.h"
#include "host/saved_game.h"
#include "host/tests/fakes.h"
#include "host/text_lines.h"

namespace {

using hosttest::Names;
using Strings = std::vector<std::string>;

struct Rig {
    hosttest::Log log;
    hosttest::FakeFiles files{log};
    hosttest::FakeIo io{log};
    hosttest::FakeClock clock{{"10:20:30"}};
    host::MixingGenerator random;
    host::Host host{io, files, clock, random};

    // The log since the last call: saves and round displays as they are, speech counted.
    std::pair<Strings, int> Take() {
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
};

const std::string kSave = "write GORVATH.SAV: ";

TEST(HostCommands, ARoundStepByStep) {
    Rig rig;
    rig.files.files["GORVATH.TXT"] = "Fruits\r\n";
    rig.host.LoadCategories();
    rig.host.Lists().PlayersList = Names({"Amy", "Bob"});
    rig.host.Lists().WinnersList.Add("Amy");
    const std::string both = "Amy\r\nBob\r\nList2\r\nAmy\r\n";
    struct Row {
        const char* what;
        std::function<host::Outcome(host::Host&)> command;
        Strings events;
        int said;
        bool focusDummy;
    };
    const Row rows[] = {
        {"Pick Category", [](host::Host& h) { return h.PickCategory(); }, {"round |Fruits|---"}, 0, true},
        {"Pick a Player", [](host::Host& h) { return h.PickPlayer(); },
         {kSave + both, "round Bob||---", "round Bob||G--"}, 6, true},
        {"GIVE CATEGORY",
         [](host::Host& h) {
             h.SetSelectedCategory("  Fruits  ");
             return h.GiveCategory();
         },
         {"round Bob|Fruits|G--", kSave + both, "round Bob|Fruits|-WL"}, 15, true},
        {"Pick a Player while judging", [](host::Host& h) { return h.PickPlayer(); },
         {kSave + both, "round Bob||-WL", "round Bob||GWL"}, 6, true},
        {"Declare LOSER", [](host::Host& h) { return h.DeclareLoser(); }, {kSave + both, "round ||G--"}, 1, true},
        {"GIVE CATEGORY with nobody drawn",
         [](host::Host& h) {
             h.SetSelectedCategory("Animals");
             return h.GiveCategory();
         },
         {"round |Animals|G--", kSave + both, "round |Animals|-WL"}, 15, true},
        {"Declare WINNER with nobody", [](host::Host& h) { return h.DeclareWinner(); },
         {kSave + both, "round |Animals|---", kSave + both}, 0, true},
        {"Pick a Player, none eligible", [](host::Host& h) { return h.PickPlayer(); }, {kSave + both}, 0, false},
        {"GIVE CATEGORY of spaces",
         [](host::Host& h) {
             h.SetSelectedCategory("   ");
             return h.GiveCategory();
         },
         {"round ||---"}, 0, false},
        {"Reg Countdown", [](host::Host& h) { return h.RegCountdown(); }, {kSave + both}, 7, true},
        {"Read List", [](host::Host& h) { return h.ReadList(); }, {kSave + both}, 2, true},
        {"How To Play", [](host::Host& h) { return h.HowToPlay(); }, {}, 14, true},
        {"Ask_For_$", [](host::Host& h) { return h.AskForPlayers(); }, {}, 1, true},
    };
    for (const auto& r : rows) {
        const host::Outcome outcome = r.command(rig.host);
        const auto [events, said] = rig.Take();
        EXPECT_EQ(events, r.events) << r.what;
        EXPECT_EQ(said, r.said) << r.what;
        EXPECT_EQ(outcome.focusDummy, r.focusDummy) << r.what;
        EXPECT_TRUE(outcome.problems.empty()) << r.what;
    }
    EXPECT_EQ(rig.host.Lists().WaitList.Names(), Strings{"Bob"});
    EXPECT_EQ(rig.host.Lists().WinnersList.Names(), Strings{"Amy"});
}

TEST(HostCommands, DeclareWinnerSavesBeforeAndAfter) {
    Rig rig;
    rig.host.Lists().PlayersList = Names({"Zed", "Bob"});
    rig.host.Lists().WinnersList.Add("Zed");
    rig.host.PickPlayer();
    rig.log.clear();
    rig.host.DeclareWinner();
    EXPECT_EQ(rig.log, (Strings{kSave + "Zed\r\nBob\r\nList2\r\nZed\r\n", "say Bob, You DID IT!!!  WTG!!!!",
                                "round ||G--", kSave + "Zed\r\nBob\r\nList2\r\nBob\r\nZed\r\n"}));
}

TEST(HostCommands, GetPlayers) {
    const std::string m = std::string("Amy: ") + host::kIntakeMarker;
    struct Row {
        const char* what;
        std::optional<std::string> capture;
        std::initializer_list<const char*> players;
        bool deleteAmyWhenConfirmed;
        Strings esps;
        Strings after;
    };
    const Row rows[] = {
        {"new senders once each, in capture order",
         "ESP from Amy: $\r\nBob: hello\r\nESP from Bob: $\r\nESP from Amy: $\r\n", {}, false,
         {"Amy", "Bob"}, {"Amy", "Bob"}},
        {"listed entries block, trimmed", "ESP from Amy: $\rESP from Cy: $\r\n", {" Amy ", "Bob"}, false, {"Cy"},
         {" Amy ", "Bob", "Cy"}},
        {"after the last marker only", "ESP from A: $\r\n" + m + "\r\nESP from B: $\r\n" + m + "\r\nESP from C: $",
         {}, false, {"C"}, {"C"}},
        {"no capture", std::nullopt, {"Amy"}, false, {}, {"Amy"}},
        {"refused names get no confirmation", "ESP from List2: $\r\nESP from : $\r\nESP from list2: $\r\n", {},
         false, {"list2"}, {"list2"}},
        {"deleted during the run, taken again", "ESP from Amy: $\r\nESP from Bob: $\r\nESP from Amy: $\r\n", {},
         true, {"Amy", "Bob", "Amy"}, {"Bob", "Amy"}},
    };
    for (const auto& r : rows) {
        Rig rig;
        rig.host.Lists().PlayersList = Names(r.players);
        const std::string before = host::FormatSavedGame(rig.host.Lists());
        rig.io.onFetch = [&] {
            if (r.capture)
                rig.files.files[host::kCaptureFile] = *r.capture;
        };
        bool deleted = false;
        rig.io.onEsp = [&](const std::string& target) {
            if (r.deleteAmyWhenConfirmed && target == "Amy" && !deleted)
                deleted = rig.host.Lists().PlayersList.RemoveFirst("Amy");
        };
        EXPECT_TRUE(rig.host.GetPlayers().focusDummy);
        Strings expected{kSave + before, "fetch"};
        for (const auto& name : r.esps)
            expected.push_back("esp " + name + ": You are on the List.");
        expected.push_back(kSave + host::FormatSavedGame(rig.host.Lists()));
        EXPECT_EQ(rig.log, expected) << r.what;
        EXPECT_EQ(rig.host.Lists().PlayersList.Names(), r.after) << r.what;
        const size_t lines = r.capture ? host::SplitLines(*r.capture, host::LineEnds::kCrOrCrLf).size() : 0;
        EXPECT_EQ(rig.io.yields, static_cast<int>(2 * lines)) << r.what;
    }
}

TEST(HostCommands, UnwritableFilesAreReportedAndTheCommandGoesOn) {
    Rig rig;
    rig.files.files["GORVATH.SAV"] = "Old\r\n";
    rig.files.unwritable = {"GORVATH.SAV", "MACTITS.TXT"};
    rig.host.Lists().PlayersList = Names({"Bob"});
    rig.host.PickPlayer();
    const host::Outcome outcome = rig.host.DeclareWinner();
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_NE(outcome.problems[0].find("GORVATH.SAV"), std::string::npos);
    EXPECT_EQ(rig.host.Lists().WinnersList.Names(), Strings{"Bob"});
    EXPECT_EQ(rig.log.back(), "round ||G--");
    EXPECT_EQ(rig.files.files["GORVATH.SAV"], "Old\r\n");

    host::MacroTitles typed{"Prizes", "B", "C", "D", "E", "F", "G", "H", "I"};
    const host::Outcome titles = rig.host.SaveMacroTitles(typed);
    ASSERT_EQ(titles.problems.size(), 1u);
    EXPECT_NE(titles.problems[0].find("MACTITS.TXT"), std::string::npos);
    EXPECT_EQ(rig.host.Titles()[0], "Prizes");
}

TEST(HostCommands, MacrosAndRestore) {
    Rig rig;
    rig.files.files["MACTITS.TXT"] = "  Prizes  \r\nRules\r\n";
    rig.files.files["MACRO1.TXT"] = "never read\r\n";
    rig.files.files["MACRO2.TXT"] = "Welcome!\r\n\r\nHave fun.\r\n";
    rig.files.files["MACRO10.TXT"] = "Last";
    rig.files.files["GORVATH.SAV"] = "Amy\r\n\r\nList2\r\nzed\r\nBob\r\n";
    rig.host.LOAD_MACTITS();
    EXPECT_EQ(rig.host.Titles()[0], "Prizes");
    EXPECT_EQ(rig.host.Titles()[2], "Macro3");
    for (int k : {0, 1, 2, 9, 10})
        rig.host.PlayMacro(k);
    EXPECT_EQ(rig.log, (Strings{"say Welcome!", "say Have fun.", "say Last"}));

    rig.host.Lists().WaitList = Names({"Cy"});
    rig.host.RestorePlayers();
    EXPECT_EQ(rig.host.Lists().PlayersList.Names(), Strings{"Amy"});
    EXPECT_EQ(rig.host.Lists().WinnersList.Names(), (Strings{"Bob", "zed"}));
    EXPECT_EQ(rig.host.Lists().WaitList.Names(), Strings{"Cy"});
}

}  // namespace
