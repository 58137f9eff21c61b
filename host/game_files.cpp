// game_files.cpp: reading the category and macro files and writing the macro titles.
#include "host/game_files.h"

#include "host/text_lines.h"

namespace host {

// GORVATH.TXT: one category per line, no header or comments.
//   Fruits          -> "Fruits"
//   (empty line)    -> skipped
//     Animals       -> "  Animals", stored with its spaces ("GIVE CATEGORY" trims what it says)
// A line that is empty once spaces are removed is skipped. Lines end at CR, CR LF, or a lone LF: the file is
// edited by hand, and one written on another system would otherwise become a single category. Binary bytes stay
// in their line. Entries beyond kMaxListEntries are dropped.
NameList ParseCategories(std::string_view content) {
    NameList categories(NameList::Order::kArrival);
    for (auto& line : SplitLines(content, LineEnds::kCrCrLfOrLf)) {
        if (!TrimSpaces(line).empty() && !categories.Add(std::move(line)))
            break;
    }
    return categories;
}

// MACTITS.TXT: line k is the title of macro k, read trimmed; lines after the ninth are ignored; a file with
// fewer lines leaves the rest at "Macro" + k. A lone LF ends a line too: a file edited on another system would
// otherwise be one title holding every line, and a title holding a line break would come back changed from the
// next "Save" (which writes each title on one line).
MacroTitles ParseMacroTitles(const std::optional<std::string>& content) {
    MacroTitles titles;
    for (int k = 1; k <= kMacroCount; ++k)
        titles[static_cast<size_t>(k - 1)] = "Macro" + std::to_string(k);
    if (!content)
        return titles;
    const auto lines = SplitLines(*content, LineEnds::kCrCrLfOrLf);
    for (size_t i = 0; i < titles.size() && i < lines.size(); ++i)
        titles[i] = TrimSpaces(lines[i]);
    return titles;
}

// Titles are kept exactly as typed, except that a line break inside one would split MACTITS.TXT and shift every
// later title by a line.
std::string OneLineTitle(std::string_view typed) {
    std::string title(typed);
    for (char& c : title) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return title;
}

std::string FormatMacroTitles(const MacroTitles& titles) {
    std::string text;
    for (const auto& title : titles) {
        text += OneLineTitle(title);
        text += "\r\n";
    }
    return text;
}

std::string MacroFileName(int macro) {
    return "MACRO" + std::to_string(macro + 1) + ".TXT";
}

// Every line is said verbatim, untrimmed; lines end at CR or CR LF.
Script MacroScript(std::string_view content) {
    Script s;
    for (auto& line : SplitLines(content, LineEnds::kCrOrCrLf)) {
        if (!line.empty())
            s.push_back(Step::Say(std::move(line)));
    }
    return s;
}

}  // namespace host
