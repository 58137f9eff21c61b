// intake.cpp: scanning the chat capture for players who ESP a single "$".
#include "host/intake.h"

#include "host/saved_game.h"
#include "host/text_lines.h"

namespace host {

namespace {

constexpr std::string_view kEspPrefix = "ESP from";

}  // namespace

// ESP line: the first 8 characters are exactly "ESP from" (case-sensitive, at the very start), then the sender,
// a colon and the message:
//   ESP from Bob: $        -> name "Bob", message "$"
//   ESP from  Bob :  $     -> name "Bob", message "$"
//   ESP from Bob           -> no colon: not an ESP line
// The name ends at the first colon, so a message may hold colons of its own.
std::optional<EspLine> ParseEspLine(std::string_view line) {
    if (line.substr(0, kEspPrefix.size()) != kEspPrefix)
        return std::nullopt;
    const std::string rest = TrimSpaces(line.substr(kEspPrefix.size()));
    const size_t colon = rest.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    return EspLine{TrimSpaces(std::string_view(rest).substr(0, colon)),
                   TrimSpaces(std::string_view(rest).substr(colon + 1))};
}

// Marker line: any line with a colon whose text after the first colon, trimmed, is the IntakeMarker, whoever
// said it and however it reached the chat ("Amy: <marker>", "ESP from Amy: <marker>").
bool IsMarkerLine(std::string_view line) {
    static const std::string marker = TrimSpaces(kIntakeMarker);
    const size_t colon = line.find(':');
    return colon != std::string_view::npos && TrimSpaces(line.substr(colon + 1)) == marker;
}

int CountIntakeMarkers(const std::vector<std::string>& lines) {
    int count = 0;
    for (const auto& line : lines) {
        if (IsMarkerLine(line))
            ++count;
    }
    return count;
}

// Taking starts at the last marker line (the marker count from the first pass), or at once without markers.
// Only a message of exactly "$" once trimmed joins: "$$", "$ please" and "esp from" in lower case do not.
std::optional<std::string> CaptureScanner::Take(std::string_view line) {
    if (IsMarkerLine(line)) {
        ++passed_;
        if (passed_ == markerCount_)
            taking_ = true;
    }
    if (!taking_)
        return std::nullopt;
    auto esp = ParseEspLine(line);
    if (!esp || esp->message != "$")
        return std::nullopt;
    return std::move(esp->name);
}

std::vector<std::string> JoinRequests(const std::vector<std::string>& lines) {
    CaptureScanner scanner(CountIntakeMarkers(lines));
    std::vector<std::string> names;
    for (const auto& line : lines) {
        if (auto name = scanner.Take(line))
            names.push_back(std::move(*name));
    }
    return names;
}

// Why each kind of name is refused:
// - empty ("ESP from : $"): no avatar to confirm to, and an empty entry would vanish from the saved game;
// - a control character: the form feed separates the fields of every record, so "Ev<FF>e" confirmed by ESP
//   would reach the world client as an ESP to "Ev"; a NUL ends the name for the link's C strings; CR and LF
//   would split the entry in GORVATH.SAV; tabs and the rest have no place in a name said in the chat;
// - longer than kMaxAvatarNameBytes: no avatar has such a name, and "Read List" would say all of it.
bool IsAcceptableAvatarName(std::string_view name) {
    if (name.empty() || name.size() > kMaxAvatarNameBytes)
        return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u == 127)
            return false;
    }
    return true;
}

// Refused as well: exactly "List2", which the saved game could not hold (it is the section line of GORVATH.SAV),
// and any name once PlayersList holds kMaxListEntries entries. The duplicate check trims each stored entry, as
// restored entries may carry spaces; the new name is trimmed already.
JoinResult TakeNewPlayer(NameList& players, const std::string& name) {
    if (!IsAcceptableAvatarName(name) || name == kWinnersSectionLine)
        return JoinResult::kRefused;
    for (const auto& entry : players.Names()) {
        if (TrimSpaces(entry) == name)
            return JoinResult::kAlreadyListed;
    }
    return players.Add(name) ? JoinResult::kAdded : JoinResult::kRefused;
}

}  // namespace host
