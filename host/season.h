// season.h: the round history kept across evenings in ROUNDS.CSV, and what is read from it: the current season,
// its standings, the lines that could not be read, the texts the Season window shows and speaks. Portable; the
// file itself is reached through RoundsStore, which the window implements and the tests fake.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/file_store.h"
#include "host/player_lists.h"

namespace host {

inline constexpr char kRoundsFile[] = "ROUNDS.CSV";
inline constexpr char kRoundsHeader[] = "when,season,player,category,result";
// Far above any real history (100,000 rounds take about 5 MB); a larger file is refused, not loaded.
inline constexpr size_t kMaxRoundsFileBytes = size_t{64} << 20;
inline constexpr int kMaxSeason = 999999;

enum class RecordKind { kWinner, kLoser, kVoid, kSeason };

struct SeasonRecord {
    std::string when;  // local time, "2026-12-10T21:14:03"
    int season = 1;
    std::string player;    // empty for VOID and SEASON
    std::string category;  // as given; empty for VOID and SEASON
    RecordKind kind = RecordKind::kWinner;
    bool operator==(const SeasonRecord&) const = default;
};

// One record as a CSV line with its CR LF.
std::string FormatRecord(const SeasonRecord& record);

// One line of the file read as a record; nullopt when it is not one (the header included).
std::optional<SeasonRecord> ParseRecord(std::string_view line);

// A record as read, its texts viewing the file (or the reader's scratch for quoted fields).
struct RecordView {
    std::string_view when;
    int season = 1;
    std::string_view player, category;
    RecordKind kind = RecordKind::kWinner;
};

// Everything ROUNDS.CSV says, kept small: names and categories once each, every round that still counts.
class SeasonBook {
  public:
    struct Round {
        std::array<char, 19> when;
        std::int32_t player;    // index into Players()
        std::int32_t category;  // index into Categories()
        bool won;
    };

    int CurrentSeason() const { return current_; }
    // Lines that are neither the header nor a record (a torn last line among them).
    int UnreadLines() const { return unread_; }
    const std::deque<std::string>& Players() const { return players_; }
    const std::deque<std::string>& Categories() const { return categories_; }
    // The rounds of a season that were not voided, in file order.
    const std::vector<Round>& Rounds(int season) const;
    // When the season's SEASON record was written ("" when it has none).
    std::string SeasonStart(int season) const;

    void Add(const RecordView& record);
    void CountUnread() { ++unread_; }

  private:
    // Texts are kept in deques, which never move them, so that the index may view them.
    using Index = std::unordered_map<std::string_view, std::int32_t>;
    static std::int32_t Intern(std::deque<std::string>& texts, Index& index, std::string_view text);

    int current_ = 1;
    int unread_ = 0;
    std::deque<std::string> players_, categories_;
    Index playerIndex_, categoryIndex_;
    std::map<int, std::vector<Round>> rounds_;
    std::map<int, std::string> starts_;
};

// Reads the whole file: CR LF or LF line ends, quoted fields across lines, an unfinished last line.
SeasonBook ReadSeasonBook(std::string_view file);

struct Standing {
    int rank = 0;  // players with as many wins at the same rate share a rank
    std::string player;
    int wins = 0;
    int rounds = 0;
    std::string lastPlayed;  // "2026-12-10 21:14"
    bool operator==(const Standing&) const = default;
};

struct SeasonStandings {
    int season = 1;
    int rounds = 0;
    std::string firstDate, lastDate;  // "2026-12-10"; empty when the season has no round yet
    int unreadLines = 0;
    std::vector<Standing> rows;  // by wins, then win rate, then name
};

SeasonStandings ComputeStandings(const SeasonBook& book, NameCollation less = LessIgnoringCase);

// "78%": wins of rounds, to the nearest whole percent.
std::string WinRateText(int wins, int rounds);
// "Season 3: 42 rounds, 2026-12-01 to 2026-12-10"
std::string SeasonSummary(const SeasonStandings& standings);
// "3 lines could not be read", or "" when every line was read.
std::string UnreadLinesText(int lines);
// A row of the window's list: rank, player, wins, rounds, win rate, last played, separated by tabs.
std::string StandingRowText(const Standing& row);
// What "Announce Top 5" speaks: a heading and up to five lines, "1. Ann - 7 wins of 9".
std::vector<std::string> TopFiveLines(const SeasonStandings& standings);

// ROUNDS.CSV, appended to and never rewritten.
class RoundsStore {
  public:
    virtual ~RoundsStore() = default;
    virtual ReadResult Read(size_t maxBytes) = 0;
    // Adds the bytes at the end of the file, creating it when there is none.
    virtual WriteResult Append(std::string_view bytes) = 0;
    // The local date and time, "2026-12-10T21:14:03".
    virtual std::string Now() = 0;
};

struct SeasonRead {
    std::optional<SeasonBook> book;  // nullopt when the file could not be read at all
    std::string problem;             // why not, for the operator
    std::string content;             // the bytes read, for appending after them
};
SeasonRead ReadRounds(RoundsStore& store);

// Appends one record of the current season (its season number is set here), with the header before it in a new
// file. A torn last line is closed first, so that it never swallows the new record.
WriteResult AppendRecord(RoundsStore& store, SeasonRecord record);

// The round to be voided by "Void Last Round": the current season's last round that still counts.
std::optional<SeasonBook::Round> LastRound(const SeasonBook& book);
// "Void the last round of season 3 (Ann, WINNER, Fruits, 2026-12-10 21:14)? ..."
std::string VoidQuestion(const SeasonBook& book, const SeasonBook::Round& round);
// "Start season 4? ..."
std::string NewSeasonQuestion(const SeasonBook& book);

}  // namespace host
