// saved_game.cpp: the GORVATH.SAV format.
#include "host/saved_game.h"

#include <vector>

#include "host/text_lines.h"

namespace host {

// GORVATH.SAV, every line ended by CR LF, no header, no count, no end marker:
//
//   Amy          PlayersList, index 0 first, entries exactly as held
//   Bob
//   List2        only when WinnersList is not empty
//   Cara         WinnersList, index 0 first (alphabetical)
//
// Both lists empty give an empty file; an empty PlayersList gives a file that starts with "List2".
// The format has no escape, so an entry that is exactly "List2" would be read back as the section line and
// push every later player into WinnersList. Intake never takes such a name (see intake.cpp); should one reach a
// list all the same, it is left out of the file so that the entries after it keep their places.
std::string FormatSavedGame(const GameLists& lists) {
    std::vector<std::string> lines;
    for (const auto& name : lists.PlayersList.Names()) {
        if (name != kWinnersSectionLine)
            lines.push_back(name);
    }
    if (!lists.WinnersList.Empty()) {
        lines.emplace_back(kWinnersSectionLine);
        for (const auto& name : lists.WinnersList.Names()) {
            if (name != kWinnersSectionLine)
                lines.push_back(name);
        }
    }
    return JoinCrLf(lines);
}

// Reading: a line is the section line only when it is exactly "List2" (so "list2" and " List2" are entries);
// an empty line or a line of spaces is skipped wherever it stands; every other line is an entry, untrimmed.
// Lines end at CR or CR LF, as they are written; a lone LF stays inside an entry, so such a name read from the
// capture comes back unchanged.
void ParseSavedGame(std::string_view content, GameLists& lists) {
    lists.PlayersList.Clear();
    lists.WinnersList.Clear();
    NameList* target = &lists.PlayersList;
    for (auto& line : SplitLines(content, LineEnds::kCrOrCrLf)) {
        if (line == kWinnersSectionLine)
            target = &lists.WinnersList;
        else if (!TrimSpaces(line).empty())
            target->Add(std::move(line));  // a full list refuses the rest of its block
    }
}

WriteResult SaveGame(FileStore& files, const GameLists& lists) {
    return files.Replace(kSaveFile, FormatSavedGame(lists));
}

ReadStatus RestoreGame(FileStore& files, GameLists& lists) {
    ReadResult read = files.Read(kSaveFile, kMaxSavedGameBytes);
    const ReadStatus status = read.status;
    if (status == ReadStatus::kTooLarge)
        return status;
    const auto content = UsableContent(std::move(read));
    ParseSavedGame(content ? std::string_view(*content) : std::string_view(), lists);
    return status;
}

}  // namespace host
