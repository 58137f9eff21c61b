// Tests of the season rules: ROUNDS.CSV written and read back (quoting, torn and hand-edited lines, VOID and
// SEASON), the standings and their texts, the appends of the judging commands, and SEASON.HTM's escaping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_window_layout.h"
#include "host/season.h"
#include "host/season_layout.h"
#include "host/season_page.h"
#include "host/tests/fakes.h"

namespace {

using hosttest::Strings;

// ROUNDS.CSV in memory; every append is kept as it came.
class FakeRounds : public host::RoundsStore {
  public:
    std::string file;
    bool exists = false;
    host::ReadStatus status = host::ReadStatus::kOk;
    bool full = false;
    Strings appends;
    host::ReadResult Read(size_t maxBytes) override {
        if (status != host::ReadStatus::kOk)
            return {status, {}};
        if (!exists)
            return {};
        return file.size() > maxBytes ? host::ReadResult{host::ReadStatus::kTooLarge, {}}
                                      : host::ReadResult{host::ReadStatus::kOk, file};
    }
    host::WriteResult Append(std::string_view bytes) override {
        if (full)
            return {false, "disk full"};
        appends.emplace_back(bytes);
        file += bytes;
        exists = true;
        return {};
    }
    std::string Now() override { return "2026-12-10T21:14:03"; }
};

// Standings as "rank player wins/rounds", in order.
Strings Table(const host::SeasonStandings& s) {
    Strings rows;
    for (const auto& r : s.rows)
        rows.push_back(std::to_string(r.rank) + " " + r.player + " " + std::to_string(r.wins) + "/" +
                       std::to_string(r.rounds));
    return rows;
}

std::string Rec(const char* when, int season, const char* player, const char* category, const char* result) {
    return std::string(when) + "," + std::to_string(season) + "," + player + "," + category + "," + result + "\r\n";
}

constexpr char kT1[] = "2026-12-01T20:00:00";
constexpr char kT2[] = "2026-12-03T21:30:59";

TEST(Season, FileReadBack) {
    const std::string h = std::string(host::kRoundsHeader) + "\r\n";
    struct Row {
        const char* what;
        std::string file;
        int season, unread;
        Strings table;
    };
    const Row rows[] = {
        {"no file", "", 1, 0, {}},
        {"quoted names and categories kept exactly",
         h + Rec(kT1, 1, "\"<b>Ann</b>\"", "\"Fruits, red\"", "WINNER") +
             Rec(kT1, 1, "\"\"\"&amp;\"\"\"", "\"two\r\nlines\"", "WINNER") + Rec(kT2, 1, "Z\xE9lie", "x", "LOSER"),
         1,
         0,
         {"1 \"&amp;\" 1/1", "1 <b>Ann</b> 1/1", "3 Z\xE9lie 0/1"}},
        {"LF line ends and no line end at the end",
         "when,season,player,category,result\nx\n" + std::string(kT1) + ",1,Ann,,WINNER",
         1,
         1,
         {"1 Ann 1/1"}},
        {"torn last line counted, earlier records whole",
         h + Rec(kT1, 1, "Ann", "F", "WINNER") + kT2 + ",1,Bo",
         1,
         1,
         {"1 Ann 1/1"}},
        {"a stray or unclosed quote takes only its own line",
         h + kT1 + ",1,A\"nn,F,WINNER\r\n" + kT1 + ",1,\"Bob,F,WINNER\r\n" + Rec(kT2, 1, "Cy", "F", "LOSER"),
         1,
         2,
         {"1 Cy 0/1"}},
        {"hand edits that are no record",
         h + Rec("2026-13-01T20:00:00", 1, "A", "", "WINNER") + Rec("2026-12-01 20:00:00", 1, "A", "", "WINNER") +
             Rec(kT1, 0, "A", "", "WINNER") + Rec(kT1, 1000000, "A", "", "WINNER") + Rec(kT1, 1, "A", "", "winner") +
             Rec(kT1, 1, "", "F", "WINNER") + Rec(kT1, 1, "A", "", "VOID") + kT1 + ",1,A,F\r\n" + kT1 +
             ",1,A,F,WINNER,x\r\n" + Rec(kT1, 1, "A\x0c", "", "LOSER") + "\r\n\r\n" + h,
         1,
         10,
         {}},
        {"VOID takes back the latest rounds still counting, in its own season only",
         h + Rec(kT1, 1, "Ann", "F", "WINNER") + Rec(kT1, 1, "Bob", "F", "WINNER") + Rec(kT1, 1, "Bob", "F", "LOSER") +
             Rec(kT2, 1, "", "", "VOID") + Rec(kT2, 1, "", "", "VOID") + Rec(kT2, 2, "", "", "VOID"),
         2,
         0,
         {}},
        {"the season is the highest number; its standings alone",
         h + Rec(kT1, 1, "Ann", "F", "WINNER") + Rec(kT1, 3, "", "", "SEASON") + Rec(kT2, 3, "Bob", "F", "WINNER") +
             Rec(kT2, 2, "Ann", "F", "WINNER"),
         3,
         0,
         {"1 Bob 1/1"}},
        {"wins, then win rate, then name ignoring case; ties share a rank; Bob and bob are two",
         h + Rec(kT1, 1, "bob", "", "WINNER") + Rec(kT1, 1, "Bob", "", "WINNER") + Rec(kT1, 1, "ann", "", "WINNER") +
             Rec(kT1, 1, "ann", "", "LOSER") + Rec(kT1, 1, "Cy", "", "WINNER") + Rec(kT1, 1, "Cy", "", "WINNER") +
             Rec(kT1, 1, "Cy", "", "LOSER") + Rec(kT1, 1, "Dee", "", "LOSER"),
         1,
         0,
         {"1 Cy 2/3", "2 Bob 1/1", "2 bob 1/1", "4 ann 1/2", "5 Dee 0/1"}},
    };
    for (const auto& r : rows) {
        const host::SeasonBook book = host::ReadSeasonBook(r.file);
        const host::SeasonStandings s = host::ComputeStandings(book);
        EXPECT_EQ(book.CurrentSeason(), r.season) << r.what;
        EXPECT_EQ(book.UnreadLines(), r.unread) << r.what;
        EXPECT_EQ(Table(s), r.table) << r.what;
    }
}

TEST(Season, RecordsQuotedAsTheyNeed) {
    const host::SeasonRecord records[] = {
        {kT1, 1, "Ann", "Fruits", host::RecordKind::kWinner},
        {kT1, 12, "Bob \"the bold\", Jr", "  Animals  ", host::RecordKind::kLoser},
        {kT1, 999999, "", "", host::RecordKind::kSeason},
        {kT2, 2, "", "", host::RecordKind::kVoid},
        {kT2, 2, "Z\xE9lie", "a,b\r\nc\"d", host::RecordKind::kWinner},
    };
    EXPECT_EQ(host::FormatRecord(records[1]),
              std::string(kT1) + ",12,\"Bob \"\"the bold\"\", Jr\",\"  Animals  \",LOSER\r\n");
    for (const auto& r : records)
        EXPECT_EQ(host::ParseRecord(host::FormatRecord(r)), r) << host::FormatRecord(r);
}

TEST(Season, Appends) {
    const std::string h = std::string(host::kRoundsHeader) + "\r\n";
    const host::SeasonRecord win{"", 0, "Ann", "Fruits", host::RecordKind::kWinner};
    const host::SeasonRecord start{"", 0, "", "", host::RecordKind::kSeason};
    struct Row {
        const char* what;
        bool exists;
        std::string file;
        host::SeasonRecord record;
        host::ReadStatus status;
        std::string appended;  // empty: nothing may be written
    };
    const Row rows[] = {
        {"a new file gets the header", false, "", win, host::ReadStatus::kOk,
         h + "2026-12-10T21:14:03,1,Ann,Fruits,WINNER\r\n"},
        {"an empty file too", true, "", win, host::ReadStatus::kOk, h + "2026-12-10T21:14:03,1,Ann,Fruits,WINNER\r\n"},
        {"the current season", true, h + Rec(kT1, 4, "", "", "SEASON"), win, host::ReadStatus::kOk,
         "2026-12-10T21:14:03,4,Ann,Fruits,WINNER\r\n"},
        {"a torn line is closed first", true, h + kT1 + ",1,Bo", win, host::ReadStatus::kOk,
         "\r\n2026-12-10T21:14:03,1,Ann,Fruits,WINNER\r\n"},
        {"the next season", true, h + Rec(kT1, 2, "Ann", "F", "WINNER"), start, host::ReadStatus::kOk,
         "2026-12-10T21:14:03,3,,,SEASON\r\n"},
        {"no season after the last", true, h + Rec(kT1, host::kMaxSeason, "", "", "SEASON"), start,
         host::ReadStatus::kOk, ""},
        {"a file that cannot be read is not appended to", true, h, win, host::ReadStatus::kFailed, ""},
        {"nor one too large to be read", true, h, win, host::ReadStatus::kTooLarge, ""},
    };
    for (const auto& r : rows) {
        FakeRounds store;
        store.exists = r.exists;
        store.file = r.file;
        store.status = r.status;
        const host::WriteResult result = host::AppendRecord(store, r.record);
        EXPECT_EQ(result.ok, !r.appended.empty()) << r.what;
        EXPECT_EQ(store.appends, r.appended.empty() ? Strings{} : Strings{r.appended}) << r.what;
        if (result.ok) {  // and what was there still reads as before
            EXPECT_EQ(host::ReadSeasonBook(store.file).UnreadLines(), host::ReadSeasonBook(r.file).UnreadLines());
        }
    }
}

// The judging commands append after their own steps; judging nobody records nothing; a failed append only shows in
// the support log's line of the command.
TEST(Season, JudgingRecordsTheRound) {
    hosttest::Fakes io;
    hosttest::FakeClock clock({"10:20:30"});
    hosttest::ScriptedRandom random({0.5f});
    host::Host host(io, io, clock, random);
    FakeRounds rounds;
    host.SetRoundsStore(&rounds);
    host.Lists() = hosttest::Lists({"Amy", "Bob \"B\", Jr", "Cy"}, {});
    const auto play = [&](const char* category, bool win) {
        host.PickPlayer();
        host.SetSelectedCategory(category);
        host.GiveCategory();
        host.SetSelectedCategory("typed after the countdown");
        return win ? host.DeclareWinner() : host.DeclareLoser();
    };
    EXPECT_EQ(play(" Fruits ", false).summary, "round recorded in ROUNDS.CSV");
    host.SetSelectedCategory("Animals");
    host.GiveCategory();
    EXPECT_EQ(host.DeclareWinner().summary, "");  // nobody drawn
    host.Lists().WaitList.Clear();
    rounds.full = true;
    const host::Outcome failed = play("Animals", true);
    EXPECT_EQ(failed.summary, "round not recorded in ROUNDS.CSV: disk full");
    EXPECT_TRUE(failed.problems.empty());
    EXPECT_EQ(host.Lists().WinnersList.Names(), Strings{"Bob \"B\", Jr"});
    EXPECT_EQ(rounds.appends, (Strings{std::string(host::kRoundsHeader) + "\r\n" +
                                       "2026-12-10T21:14:03,1,\"Bob \"\"B\"\", Jr\",Fruits,LOSER\r\n"}));
}

TEST(Season, Texts) {
    const std::string h = std::string(host::kRoundsHeader) + "\r\n";
    std::string file = h + Rec(kT1, 2, "", "", "SEASON");
    const host::SeasonBook empty = host::ReadSeasonBook(file);
    EXPECT_EQ(host::SeasonSummary(host::ComputeStandings(empty)), "Season 2: no rounds yet, started 2026-12-01");
    EXPECT_EQ(host::TopFiveLines(host::ComputeStandings(empty)), Strings{"Tumbleroo Season 2: no rounds played yet."});
    EXPECT_FALSE(host::LastRound(empty));
    for (const char* name : {"Ann", "Ann", "Bob", "Cy", "Dee", "Eve", "Fay"})
        file += Rec(kT2, 2, name, "Fruits", "WINNER");
    file += Rec(kT2, 2, "Ann", "", "LOSER") + "torn";
    const host::SeasonBook book = host::ReadSeasonBook(file);
    const host::SeasonStandings s = host::ComputeStandings(book);
    EXPECT_EQ(host::SeasonSummary(s), "Season 2: 8 rounds, 2026-12-01 to 2026-12-03");
    EXPECT_EQ(host::UnreadLinesText(s.unreadLines), "1 line could not be read");
    EXPECT_EQ(host::UnreadLinesText(3), "3 lines could not be read");
    EXPECT_EQ(host::UnreadLinesText(0), "");
    EXPECT_EQ(host::TopFiveLines(s),
              (Strings{"Tumbleroo Season 2, the top players after 8 rounds:", "1. Ann - 2 wins of 3",
                       "2. Bob - 1 win of 1", "2. Cy - 1 win of 1", "2. Dee - 1 win of 1", "2. Eve - 1 win of 1"}));
    EXPECT_EQ(host::StandingRowText(s.rows[0]), "1\tAnn\t2\t3\t67%\t2026-12-03 21:30");
    EXPECT_EQ(host::WinRateText(1, 8), "13%");
    EXPECT_EQ(host::WinRateText(0, 0), "-");
    const auto last = host::LastRound(book);
    ASSERT_TRUE(last);
    EXPECT_EQ(host::VoidQuestion(book, *last).find("Void the last round of season 2: Ann, LOSER, 2026-12-03 21:30?\n"),
              0u);
    EXPECT_EQ(host::NewSeasonQuestion(book).find("Start season 3?\n"), 0u);
}

// Names are text on the page, never markup; the letters of the system's code page come out as UTF-8.
TEST(Season, PageEscapesEveryText) {
    std::string file = std::string(host::kRoundsHeader) + "\r\n";
    const Strings names = {"<b>Ann</b>", "\"&amp;\"", "<script>alert(1)</script>", "Z\xE9lie", "O'Neil"};
    for (const auto& n : names)
        file += host::FormatRecord({kT1, 1, n, "F", host::RecordKind::kWinner});
    for (int i = 0; i < 25; ++i)
        file += Rec(kT2, 1, ("P" + std::to_string(i)).c_str(), "F", "LOSER");
    const std::string page = host::SeasonPage(host::ComputeStandings(host::ReadSeasonBook(file)), host::Latin1ToUtf8);
    for (const char* expected :
         {"<meta charset=\"utf-8\">", "<td>&lt;b&gt;Ann&lt;/b&gt;</td>", "<td>&quot;&amp;amp;&quot;</td>",
          "&lt;script&gt;alert(1)&lt;/script&gt;", "<td>Z\xC3\xA9lie</td>", "<td>O&#39;Neil</td>",
          "top 20 of 30 players", ">&lt;script&gt;alert(1)&lt;/scrip\xE2\x80\xA6</text>"})
        EXPECT_NE(page.find(expected), std::string::npos) << expected;
    for (const char* absent : {"<b>", "<script", "\xE9l", " src=", " href=", "url("})
        EXPECT_EQ(page.find(absent), std::string::npos) << absent;
    size_t rows = 0, bars = 0;
    for (size_t at = page.find("<tr><td"); at != std::string::npos; at = page.find("<tr><td", at + 1))
        ++rows;
    for (size_t at = page.find("<rect"); at != std::string::npos; at = page.find("<rect", at + 1))
        ++bars;
    EXPECT_EQ(rows, 30u);
    EXPECT_EQ(bars, host::kChartPlayers);
    EXPECT_EQ(host::EscapeHtml("a\x01\x7f"), "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace

namespace {

// The Season window: every control inside the client area, the buttons side by side, the list's columns under
// their headings, and "Announce Top 5" running as a command of the host in the busy state.
TEST(Season, WindowLayout) {
    std::vector<common::ControlSpec> all(std::begin(host::kSeasonControls), std::end(host::kSeasonControls));
    all.push_back(host::kSeasonList);
    for (const auto& c : all) {
        EXPECT_GE(c.left, 0) << c.id;
        EXPECT_LE(c.left + c.width, host::kSeasonClientWidthTwips) << c.id;
        EXPECT_LE(c.top + c.height, host::kSeasonClientHeightTwips) << c.id;
    }
    for (size_t k = 0; k < 6; ++k)
        EXPECT_EQ(host::kSeasonControls[4 + 2 + k].left, host::kSeasonColumnLefts[k]) << k;
    for (size_t k = 1; k < 4; ++k)
        EXPECT_LT(host::kSeasonControls[k - 1].left + host::kSeasonControls[k - 1].width,
                  host::kSeasonControls[k].left);
    const auto announce = host::CommandFor(IDC_SEASON_ANNOUNCE);
    ASSERT_TRUE(announce);
    EXPECT_TRUE(host::UsesBusyState(announce->command));
    EXPECT_EQ(host::CommandCaption(IDC_SEASON_ANNOUNCE), "Announce Top 5");
}

}  // namespace
