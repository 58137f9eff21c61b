// season.cpp: ROUNDS.CSV written and read, and the standings of the current season.
//
// The file, CSV with CR LF line ends and fields quoted with doubled quotes where they need it:
//
//     when,season,player,category,result
//     2026-12-10T21:14:03,1,Ann,Fruits,WINNER
//     2026-12-10T21:16:40,1,"Bob ""the bold"", Jr",  Animals,LOSER
//     2026-12-10T21:17:02,1,,,VOID                   the latest round of season 1 not voided yet no longer counts
//     2026-12-11T20:00:00,2,,,SEASON                 season 2 starts; the current season is the highest number
//
// It is only ever appended to. A crash or a full disk in the middle of an append leaves a torn last line; the reader
// counts it among the lines it could not read, and the next append closes it with a line end first.
#include "host/season.h"

#include <algorithm>
#include <utility>

#include "host/intake.h"

namespace host {
namespace {

constexpr std::string_view kKindNames[] = {"WINNER", "LOSER", "VOID", "SEASON"};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int Digits(std::string_view text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i]))
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "2026-12-10T21:14:03", with each part in its range.
bool IsLocalTime(std::string_view t) {
    if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':')
        return false;
    const int year = Digits(t, 0, 4), month = Digits(t, 5, 2), day = Digits(t, 8, 2);
    const int hour = Digits(t, 11, 2), minute = Digits(t, 14, 2), second = Digits(t, 17, 2);
    return year >= 0 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour >= 0 && hour <= 23 && minute >= 0 &&
           minute <= 59 && second >= 0 && second <= 60;
}

std::optional<int> SeasonNumber(std::string_view text) {
    if (text.empty() || text.size() > 6)
        return std::nullopt;
    const int value = Digits(text, 0, text.size());
    if (value < 1 || value > kMaxSeason)
        return std::nullopt;
    return value;
}

void AppendField(std::string& out, std::string_view field) {
    const bool quoted = field.find_first_of(",\"\r\n") != std::string_view::npos ||
                        (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!quoted) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Past the line end at `at` (CR LF, CR or LF).
size_t SkipLineEnd(std::string_view file, size_t at) {
    if (at < file.size() && file[at] == '\r')
        ++at;
    if (at < file.size() && file[at] == '\n')
        ++at;
    return at;
}

// Up to kFields + 1 fields of one record, each viewing the file or, when quoted, its own scratch string (reused
// from record to record, so that reading allocates nothing once warm).
constexpr size_t kFields = 5;
struct Fields {
    std::array<std::string_view, kFields + 1> view;
    std::array<std::string, kFields + 1> scratch;
    size_t count = 0;
};

// The fields of the record that starts at `at`; a quoted field may hold line ends. Returns where the record ends
// (at its line end or the end of the file), or npos when it is malformed: a quote inside an unquoted field, text
// after a closing quote, a quote never closed, or more fields than a record has.
size_t SplitRecord(std::string_view file, size_t at, Fields& fields) {
    fields.count = 0;
    size_t i = at;
    while (true) {
        if (fields.count == fields.view.size())
            return std::string_view::npos;
        const size_t k = fields.count++;
        if (i < file.size() && file[i] == '"') {
            std::string& field = fields.scratch[k];
            field.clear();
            ++i;
            while (true) {
                const size_t quote = file.find('"', i);
                if (quote == std::string_view::npos)
                    return std::string_view::npos;
                field.append(file.substr(i, quote - i));
                i = quote + 1;
                if (i < file.size() && file[i] == '"') {
                    field += '"';
                    ++i;
                    continue;
                }
                break;
            }
            fields.view[k] = field;
            if (i < file.size() && file[i] != ',' && !IsLineEnd(file[i]))
                return std::string_view::npos;
        } else {
            size_t end = i;
            while (end < file.size() && file[end] != ',' && !IsLineEnd(file[end]) && file[end] != '"')
                ++end;
            if (end < file.size() && file[end] == '"')
                return std::string_view::npos;
            fields.view[k] = file.substr(i, end - i);
            i = end;
        }
        if (i >= file.size() || IsLineEnd(file[i]))
            return i;
        ++i;  // the comma
    }
}

std::optional<RecordView> RecordOfFields(const Fields& fields) {
    if (fields.count != kFields || !IsLocalTime(fields.view[0]))
        return std::nullopt;
    const auto season = SeasonNumber(fields.view[1]);
    if (!season)
        return std::nullopt;
    const auto kind = std::find(std::begin(kKindNames), std::end(kKindNames), fields.view[4]);
    if (kind == std::end(kKindNames))
        return std::nullopt;
    const RecordView r{fields.view[0], *season, fields.view[2], fields.view[3],
                       static_cast<RecordKind>(kind - std::begin(kKindNames))};
    const bool isRound = r.kind == RecordKind::kWinner || r.kind == RecordKind::kLoser;
    // A round names an avatar as intake would take it; VOID and SEASON name nobody.
    if (isRound ? !IsAcceptableAvatarName(r.player) : !(r.player.empty() && r.category.empty()))
        return std::nullopt;
    return r;
}

std::string Plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string DateOf(std::string_view when) {
    return std::string(when.substr(0, 10));
}

// "2026-12-10 21:14"
std::string MinuteOf(const std::array<char, 19>& when) {
    std::string text(when.data(), 16);
    text[10] = ' ';
    return text;
}

}  // namespace

std::string FormatRecord(const SeasonRecord& record) {
    std::string line = record.when + "," + std::to_string(record.season) + ",";
    AppendField(line, record.player);
    line += ',';
    AppendField(line, record.category);
    line += ',';
    line += kKindNames[static_cast<int>(record.kind)];
    line += "\r\n";
    return line;
}

std::optional<SeasonRecord> ParseRecord(std::string_view line) {
    Fields fields;
    const size_t end = SplitRecord(line, 0, fields);
    if (end == std::string_view::npos || SkipLineEnd(line, end) != line.size())
        return std::nullopt;
    const auto r = RecordOfFields(fields);
    if (!r)
        return std::nullopt;
    return SeasonRecord{std::string(r->when), r->season, std::string(r->player), std::string(r->category), r->kind};
}

const std::vector<SeasonBook::Round>& SeasonBook::Rounds(int season) const {
    static const std::vector<Round> kNone;
    const auto it = rounds_.find(season);
    return it == rounds_.end() ? kNone : it->second;
}

std::string SeasonBook::SeasonStart(int season) const {
    const auto it = starts_.find(season);
    return it == starts_.end() ? std::string() : it->second;
}

std::int32_t SeasonBook::Intern(std::deque<std::string>& texts, Index& index, std::string_view text) {
    if (const auto it = index.find(text); it != index.end())
        return it->second;
    const auto id = static_cast<std::int32_t>(texts.size());
    texts.emplace_back(text);
    index.emplace(texts.back(), id);
    return id;
}

// A VOID takes back the latest round of its season that still counts; one with nothing left to void does nothing.
void SeasonBook::Add(const RecordView& record) {
    current_ = std::max(current_, record.season);
    std::vector<Round>& season = rounds_[record.season];
    switch (record.kind) {
        case RecordKind::kWinner:
        case RecordKind::kLoser: {
            Round round{};
            std::copy_n(record.when.begin(), round.when.size(), round.when.begin());
            round.player = Intern(players_, playerIndex_, record.player);
            round.category = Intern(categories_, categoryIndex_, record.category);
            round.won = record.kind == RecordKind::kWinner;
            season.push_back(round);
            break;
        }
        case RecordKind::kVoid:
            if (!season.empty())
                season.pop_back();
            break;
        case RecordKind::kSeason:
            starts_.try_emplace(record.season, std::string(record.when));
            break;
    }
}

// A line that is not a record counts as one unread line, and reading goes on at the next line, so that a stray
// quote cannot swallow the records after it. Blank lines and the header are not counted.
SeasonBook ReadSeasonBook(std::string_view file) {
    SeasonBook book;
    Fields fields;
    size_t at = 0;
    while (at < file.size()) {
        size_t lineEnd = at;
        while (lineEnd < file.size() && !IsLineEnd(file[lineEnd]))
            ++lineEnd;
        if (lineEnd == at) {
            at = SkipLineEnd(file, at);
            continue;
        }
        if (file.substr(at, lineEnd - at) == kRoundsHeader) {
            at = SkipLineEnd(file, lineEnd);
            continue;
        }
        const size_t end = SplitRecord(file, at, fields);
        std::optional<RecordView> record;
        if (end != std::string_view::npos)
            record = RecordOfFields(fields);
        if (record) {
            book.Add(*record);
            at = SkipLineEnd(file, end);
        } else {
            book.CountUnread();
            at = SkipLineEnd(file, lineEnd);
        }
    }
    return book;
}

SeasonStandings ComputeStandings(const SeasonBook& book, NameCollation less) {
    if (!less)
        less = LessIgnoringCase;
    SeasonStandings s;
    s.season = book.CurrentSeason();
    s.unreadLines = book.UnreadLines();
    const auto& rounds = book.Rounds(s.season);
    s.rounds = static_cast<int>(rounds.size());
    struct Tally {
        int wins = 0, rounds = 0;
        const std::array<char, 19>* last = nullptr;
    };
    std::vector<Tally> tally(book.Players().size());
    std::string_view first, last;
    for (const auto& r : rounds) {
        Tally& t = tally[static_cast<size_t>(r.player)];
        t.wins += r.won ? 1 : 0;
        ++t.rounds;
        const std::string_view when(r.when.data(), r.when.size());
        if (!t.last || when > std::string_view(t.last->data(), t.last->size()))
            t.last = &r.when;
        if (first.empty() || when < first)
            first = when;
        if (last.empty() || when > last)
            last = when;
    }
    const std::string start = book.SeasonStart(s.season);
    if (!start.empty() && (first.empty() || start < first))
        first = start;
    s.firstDate = first.empty() ? "" : DateOf(first);
    s.lastDate = last.empty() ? "" : DateOf(last);

    std::vector<size_t> order;
    for (size_t i = 0; i < tally.size(); ++i) {
        if (tally[i].rounds > 0)
            order.push_back(i);
    }
    const auto& names = book.Players();
    // Win rates compared as fractions, without rounding: wins(a) / rounds(a) > wins(b) / rounds(b).
    const auto ahead = [&](size_t a, size_t b) {
        const Tally &ta = tally[a], &tb = tally[b];
        if (ta.wins != tb.wins)
            return ta.wins > tb.wins;
        const std::int64_t rateA = std::int64_t{ta.wins} * tb.rounds, rateB = std::int64_t{tb.wins} * ta.rounds;
        if (rateA != rateB)
            return rateA > rateB;
        if (less(names[a], names[b]))
            return true;
        if (less(names[b], names[a]))
            return false;
        return names[a] < names[b];
    };
    std::sort(order.begin(), order.end(), ahead);
    s.rows.reserve(order.size());
    for (size_t k = 0; k < order.size(); ++k) {
        const Tally& t = tally[order[k]];
        Standing row{static_cast<int>(k) + 1, names[order[k]], t.wins, t.rounds, MinuteOf(*t.last)};
        if (k > 0 && row.wins == s.rows.back().wins &&
            std::int64_t{row.wins} * s.rows.back().rounds == std::int64_t{s.rows.back().wins} * row.rounds)
            row.rank = s.rows.back().rank;
        s.rows.push_back(std::move(row));
    }
    return s;
}

std::string WinRateText(int wins, int rounds) {
    if (rounds <= 0)
        return "-";
    const std::int64_t percent = (std::int64_t{wins} * 200 + rounds) / (std::int64_t{rounds} * 2);
    return std::to_string(percent) + "%";
}

std::string SeasonSummary(const SeasonStandings& s) {
    std::string text = "Season " + std::to_string(s.season) + ": ";
    if (s.rounds == 0)
        return text + "no rounds yet" + (s.firstDate.empty() ? "" : ", started " + s.firstDate);
    text += Plural(s.rounds, "round", "rounds") + ", " + s.firstDate;
    if (s.lastDate != s.firstDate)
        text += " to " + s.lastDate;
    return text;
}

std::string UnreadLinesText(int lines) {
    if (lines <= 0)
        return "";
    return Plural(lines, "line", "lines") + " could not be read";
}

std::string StandingRowText(const Standing& row) {
    return std::to_string(row.rank) + "\t" + row.player + "\t" + std::to_string(row.wins) + "\t" +
           std::to_string(row.rounds) + "\t" + WinRateText(row.wins, row.rounds) + "\t" + row.lastPlayed;
}

std::vector<std::string> TopFiveLines(const SeasonStandings& s) {
    const std::string season = "Tumbleroo Season " + std::to_string(s.season);
    if (s.rows.empty())
        return {season + ": no rounds played yet."};
    std::vector<std::string> lines{season + ", the top players after " + Plural(s.rounds, "round", "rounds") + ":"};
    for (size_t k = 0; k < s.rows.size() && k < 5; ++k) {
        const Standing& r = s.rows[k];
        lines.push_back(std::to_string(r.rank) + ". " + r.player + " - " + Plural(r.wins, "win", "wins") + " of " +
                        std::to_string(r.rounds));
    }
    return lines;
}

SeasonRead ReadRounds(RoundsStore& store) {
    ReadResult file = store.Read(kMaxRoundsFileBytes);
    SeasonRead read;
    switch (file.status) {
        case ReadStatus::kOk:
        case ReadStatus::kMissing:
            read.content = std::move(file.content);
            read.book = ReadSeasonBook(read.content);
            break;
        case ReadStatus::kTooLarge:
            read.problem = std::string(kRoundsFile) + " is larger than a round history can be (over " +
                           std::to_string(kMaxRoundsFileBytes >> 20) + " MB) and was not read.";
            break;
        case ReadStatus::kFailed:
            read.problem = std::string(kRoundsFile) + " could not be read.";
            break;
    }
    return read;
}

// The file is read first, for the season number and for how it ends. Nothing is written when it cannot be read:
// appending blind could tear a record in the middle.
WriteResult AppendRecord(RoundsStore& store, SeasonRecord record) {
    const SeasonRead read = ReadRounds(store);
    if (!read.book)
        return {false, read.problem};
    const int current = read.book->CurrentSeason();
    if (record.kind == RecordKind::kSeason && current >= kMaxSeason)
        return {false, "season " + std::to_string(kMaxSeason) + " is the last one"};
    record.season = record.kind == RecordKind::kSeason ? current + 1 : current;
    if (record.when.empty())
        record.when = store.Now();
    std::string bytes;
    if (read.content.empty())
        bytes = std::string(kRoundsHeader) + "\r\n";
    else if (!IsLineEnd(read.content.back()))
        bytes = "\r\n";
    bytes += FormatRecord(record);
    return store.Append(bytes);
}

std::optional<SeasonBook::Round> LastRound(const SeasonBook& book) {
    const auto& rounds = book.Rounds(book.CurrentSeason());
    if (rounds.empty())
        return std::nullopt;
    return rounds.back();
}

std::string VoidQuestion(const SeasonBook& book, const SeasonBook::Round& round) {
    const std::string& category = book.Categories()[static_cast<size_t>(round.category)];
    return "Void the last round of season " + std::to_string(book.CurrentSeason()) + ": " +
           book.Players()[static_cast<size_t>(round.player)] + ", " + (round.won ? "WINNER" : "LOSER") +
           (category.empty() ? "" : ", " + category) + ", " + MinuteOf(round.when) + "?\n\nThe round stays in " +
           kRoundsFile + " but no longer counts in the standings.";
}

std::string NewSeasonQuestion(const SeasonBook& book) {
    const int current = book.CurrentSeason();
    return "Start season " + std::to_string(current + 1) + "?\n\nThe standings begin again at nothing; the rounds of " +
           "season " + std::to_string(current) + " stay in " + kRoundsFile + ".";
}

}  // namespace host
