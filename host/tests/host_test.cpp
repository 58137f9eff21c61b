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
        const char* counts;  // in the support log's summary: new, already listed, refused
    };
    const Row rows[] = {
        {"new senders once each, in capture order",
         "ESP from Amy: $\r\nBob: hello\r\nESP from Bob: $\r\nESP from Amy: $\r\n",
         {},
         false,
         {"Amy", "Bob"},
         {"Amy", "Bob"},
         "2 new, 1 already listed, 0 refused"},
        {"listed entries block, trimmed",
         "ESP from Amy: $\rESP from Cy: $\r\n",
         {" Amy ", "Bob"},
         false,
         {"Cy"},
         {" Amy ", "Bob", "Cy"},
         "1 new, 1 already listed, 0 refused"},
        {"after the last marker",
         "ESP from A: $\r\n" + m + "\r\nESP from B: $\r\n" + m + "\r\nESP from C: $",
         {},
         false,
         {"C"},
         {"C"},
         "1 new, 0 already listed, 0 refused"},
        {"no capture", std::nullopt, {"Amy"}, false, {}, {"Amy"}, nullptr},
        {"refused names",
         "ESP from List2: $\r\nESP from : $\r\nESP from list2: $\r\n",
         {},
         false,
         {"list2"},
         {"list2"},
         "1 new, 0 already listed, 2 refused"},
        // A form feed would split the confirmation's record ("Ev" would get the ESP); a NUL would end the name.
        {"names with control characters",
         std::string("ESP from Ev\fe: $\r\nESP from Tab\tbed: $\r\nESP from Del\x7f: $\r\nESP from Esc\x1b: $\r\n") +
             "ESP from Nul" + std::string(1, '\0') + "x: $\r\nESP from A\nESP from B: $\r\nESP from \xe9l\xe8ve: $\r\n",
         {},
         false,
         {"\xe9l\xe8ve"},
         {"\xe9l\xe8ve"},
         "1 new, 0 already listed, 6 refused"},
        {"names up to 64 bytes",
         "ESP from " + std::string(65, 'L') + ": $\r\nESP from " + std::string(5000, 'X') + ": $\r\nESP from " +
             std::string(64, 'L') + ": $\r\n",
         {},
         false,
         {std::string(64, 'L')},
         {std::string(64, 'L')},
         "1 new, 0 already listed, 2 refused"},
        {"deleted during the run, taken again",
         "ESP from Amy: $\r\nESP from Bob: $\r\nESP from Amy: $\r\n",
         {},
         true,
         {"Amy", "Bob", "Amy"},
         {"Bob", "Amy"},
         "3 new, 0 already listed, 0 refused"},
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
        io.msPerReading = host::kIntakeYieldEveryMs;  // every line takes as long as the pacing allows: one yield each
        const host::Outcome outcome = host.GetPlayers();
        EXPECT_TRUE(outcome.focusDummy);
        // No capture: the world client gave no text, which the operator is told after the command.
        EXPECT_EQ(outcome.problems, r.capture ? host::Problems{} : host::Problems{host::kNoChatText}) << r.what;
        Strings expected{"write GORVATH.SAV: " + before, "fetch"};
        for (const auto& name : r.esps)
            expected.push_back("esp " + name + ": You are on the List.");
        expected.push_back("write GORVATH.SAV: " + host::FormatSavedGame(host.Lists()));
        EXPECT_EQ(io.log, expected) << r.what;
        EXPECT_EQ(host.Lists().PlayersList.Names(), r.after) << r.what;
        EXPECT_EQ(outcome.summary, r.capture ? std::to_string(r.capture->size()) + " bytes of chat, " + r.counts
                                             : std::string("no chat text"))
            << r.what;
        const size_t lines = r.capture ? host::SplitLines(*r.capture, host::LineEnds::kCrOrCrLf).size() : 0;
        EXPECT_EQ(io.yields, static_cast<int>(2 * lines)) << r.what;
    }
}

// The scan of a long capture yields by time, not by line: at most once per kIntakeYieldEveryMs, and never longer
// than that (and a reading or two) without a yield, whatever a line costs.
TEST(HostCommands, GetPlayersYieldsByTime) {
    std::string capture;
    for (int i = 0; i < 5000; ++i)
        capture += "Ann: line " + std::to_string(i) + "\r\n";
    capture += "ESP from Bob: $\r\n";
    const std::uint64_t every = host::kIntakeYieldEveryMs;
    for (const std::uint64_t perReading :
         {std::uint64_t{0}, std::uint64_t{1}, std::uint64_t{3}, every - 1, every, every + 1, 4 * every}) {
        SCOPED_TRACE(perReading);
        Fakes io;
        FakeClock clock({"10:20:30"});
        host::MixingGenerator random;
        host::Host host(io, io, clock, random);
        io.onFetch = [&] { io.files[host::kCaptureFile] = capture; };
        io.msPerReading = perReading;
        EXPECT_TRUE(host.GetPlayers().problems.empty());
        EXPECT_EQ(host.Lists().PlayersList.Names(), Strings{"Bob"});
        const std::uint64_t yields = static_cast<std::uint64_t>(io.yields);
        EXPECT_LE(yields * every, io.ms);
        EXPECT_GE((yields + 1) * (every + 2 * perReading), io.ms);
        EXPECT_LE(yields, 2u * 5001u);
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

// The first save of a run keeps a previous game that was not restored in GORVATH.BAK: once, before the first
// overwrite, and only when there is something to keep. A copy that fails leaves GORVATH.SAV alone.
TEST(HostCommands, FirstSaveKeepsThePreviousGame) {
    const std::string copy = "copy GORVATH.SAV to GORVATH.BAK";
    struct Row {
        const char* what;
        std::optional<std::string> saved, backup;
        bool restoreFirst, backupUnwritable;
        Strings log;  // of two "Reg Countdown"s in a row (after the restore)
        std::optional<std::string> savedAfter, backupAfter;
        size_t problems;  // of each "Reg Countdown"
    };
    const Row rows[] = {
        {"not restored",
         "Amy\r\n",
         std::nullopt,
         false,
         false,
         {copy, "write GORVATH.SAV: ", "write GORVATH.SAV: "},
         "",
         "Amy\r\n",
         0},
        {"the older copy replaced",
         "Amy\r\nList2\r\nBo\r\n",
         "Old\r\n",
         false,
         false,
         {copy, "write GORVATH.SAV: ", "write GORVATH.SAV: "},
         "",
         "Amy\r\nList2\r\nBo\r\n",
         0},
        {"restored first",
         "Amy\r\n",
         "Old\r\n",
         true,
         false,
         {"write GORVATH.SAV: Amy\r\n", "write GORVATH.SAV: Amy\r\n"},
         "Amy\r\n",
         "Old\r\n",
         0},
        {"empty file", "", "Old\r\n", false, false, {"write GORVATH.SAV: ", "write GORVATH.SAV: "}, "", "Old\r\n", 0},
        {"no file",
         std::nullopt,
         std::nullopt,
         false,
         false,
         {"write GORVATH.SAV: ", "write GORVATH.SAV: "},
         "",
         std::nullopt,
         0},
        {"copy fails", "Amy\r\n", "Old\r\n", false, true, {}, "Amy\r\n", "Old\r\n", 1},
    };
    for (const auto& r : rows) {
        Fakes io;
        FakeClock clock({"10:20:30"});
        host::MixingGenerator random;
        host::Host host(io, io, clock, random);
        if (r.saved)
            io.files["GORVATH.SAV"] = *r.saved;
        if (r.backup)
            io.files["GORVATH.BAK"] = *r.backup;
        if (r.backupUnwritable)
            io.unwritable.insert("GORVATH.BAK");
        if (r.restoreFirst) {
            EXPECT_TRUE(host.RestorePlayers().problems.empty());
        }
        for (int i = 0; i < 2; ++i) {
            const host::Outcome outcome = host.RegCountdown();
            ASSERT_EQ(outcome.problems.size(), r.problems) << r.what;
            if (r.problems) {
                EXPECT_NE(outcome.problems[0].find("could not be copied to GORVATH.BAK"), std::string::npos);
            }
        }
        Strings files;
        for (const auto& e : io.log) {
            if (e.rfind("say ", 0) != 0)
                files.push_back(e);
        }
        EXPECT_EQ(files, r.log) << r.what;
        for (const auto& [file, after] : {std::pair{"GORVATH.SAV", r.savedAfter}, {"GORVATH.BAK", r.backupAfter}}) {
            EXPECT_EQ(io.Size(file).has_value(), after.has_value()) << r.what << " " << file;
            if (after) {
                EXPECT_EQ(io.files[file], *after) << r.what << " " << file;
            }
        }
    }
}

// Files far larger than any real one are not loaded: the reader says so once and the program goes on as if the
// file were missing (a saved game too large to restore leaves the lists alone). A file at the cap is read.
TEST(HostCommands, OversizedFilesAreRefusedWithAMessage) {
    using Command = std::function<host::Outcome(host::Host&)>;
    const auto startUp = [](host::Problems (host::Host::*step)()) {
        return [step](host::Host& h) { return host::Outcome{true, (h.*step)(), {}}; };
    };
    struct Row {
        const char* file;
        size_t cap;
        Command command;
        std::string message;  // the start of the one problem of an oversized file
    };
    const Row rows[] = {
        {"MACTITS.TXT", host::kMaxMacroTitlesBytes, startUp(&host::Host::LOAD_MACTITS),
         "MACTITS.TXT is larger than a macro title file can be (over 64 KB) and was not read"},
        {"GORVATH.TXT", host::kMaxCategoryFileBytes, startUp(&host::Host::LoadCategories),
         "GORVATH.TXT is larger than a category file can be (over 4 MB) and was not read"},
        {"MACRO2.TXT", host::kMaxMacroFileBytes, [](host::Host& h) { return h.PlayMacro(1); },
         "MACRO2.TXT is larger than a macro file can be (over 1 MB) and was not read"},
        {"GORVATH.SAV", host::kMaxSavedGameBytes, &host::Host::RestorePlayers,
         "GORVATH.SAV is larger than a saved game can be (over 16 MB) and was not read"},
        {host::kCaptureFile, host::kMaxCaptureBytes, &host::Host::GetPlayers,
         "The chat text is larger than Get_Players can scan (over 64 MB) and was not read"},
    };
    for (const auto& r : rows) {
        for (const bool over : {false, true}) {
            SCOPED_TRACE(std::string(r.file) + (over ? " over" : " at") + " the cap");
            Fakes io;
            FakeClock clock({"10:20:30"});
            host::MixingGenerator random;
            host::Host host(io, io, clock, random);
            host.Lists() = Lists({"Keep"}, {"Won"});
            // A category, a title, a macro line, a player and a "$" ESP at once, then a long line up to the cap.
            const std::string line = "ESP from Ann: $\r\n";
            io.files[r.file] = line + std::string(r.cap - line.size() + (over ? 1 : 0), 'x');
            const host::Outcome outcome = r.command(host);
            if (over) {
                ASSERT_EQ(outcome.problems.size(), 1u);
                EXPECT_EQ(outcome.problems[0].substr(0, r.message.size()), r.message);
            } else {
                EXPECT_TRUE(outcome.problems.empty());
            }
            const auto read = [&](const char* file) { return !over && r.file == std::string(file); };
            const auto& players = host.Lists().PlayersList;
            ASSERT_EQ(players.Count(), 2 - (read("GORVATH.SAV") || read(host::kCaptureFile) ? 0 : 1));
            EXPECT_EQ(players.At(0), read("GORVATH.SAV") ? "ESP from Ann: $" : "Keep");
            EXPECT_EQ(host.Lists().WinnersList.Count(), read("GORVATH.SAV") ? 0 : 1);
            if (read(host::kCaptureFile)) {
                EXPECT_EQ(players.At(1), "Ann");
            }
            EXPECT_EQ(host.CategoryList().Count(), read("GORVATH.TXT") ? 2 : 0);
            EXPECT_EQ(host.Titles()[0], read("MACTITS.TXT") ? "ESP from Ann: $" : "Macro1");
            int said = 0;
            for (const auto& e : io.log)
                said += e.rfind("say ", 0) == 0;
            EXPECT_EQ(said, read("MACRO2.TXT") ? 2 : 0);
        }
    }
}

// Each start-up step runs on its own: a reader that throws is reported by name, and the later steps (the link
// above all) still run.
TEST(HostCommands, StartUpGoesOnPastAFailingStep) {
    Fakes io;
    FakeClock clock({"10:20:30"});
    host::MixingGenerator random;
    host::Host host(io, io, clock, random);
    io.files = {{"GORVATH.TXT", "Fruits\r\n"}, {"MACTITS.TXT", std::string(host::kMaxMacroTitlesBytes + 1, 'x')}};
    io.throwing = {"GORVATH.TXT"};
    Strings ran;
    const auto step = [&](const char* name, std::function<host::Problems()> run) {
        return host::StartUpStep{name, [&ran, name, run] {
                                     ran.push_back(name);
                                     return run();
                                 }};
    };
    const host::StartUpStep steps[] = {
        step("loading the macro titles", [&] { return host.LOAD_MACTITS(); }),
        step("reading the link settings", [] { return host::Problems{}; }),
        step("loading the categories", [&] { return host.LoadCategories(); }),
        step("pinning the window on top", []() -> host::Problems { throw 42; }),
        step("opening the link",
             [] {
                 return host::Problems{"a", "a"};
             }),
    };
    const host::Problems problems = host::RunStartUp(steps);
    EXPECT_EQ(ran, (Strings{"loading the macro titles", "reading the link settings", "loading the categories",
                            "pinning the window on top", "opening the link"}));
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].substr(0, 30), "MACTITS.TXT is larger than a m");
    EXPECT_EQ(problems[1], "Start-up went on after a failure while loading the categories (std::bad_alloc).");
    EXPECT_EQ(problems[2], "Start-up went on after a failure while pinning the window on top (unknown failure).");
    EXPECT_EQ(problems[3], "a");
    EXPECT_EQ(host.Titles()[0], "Macro1");
    EXPECT_TRUE(host.CategoryList().Empty());
}

}  // namespace
