// text_lines.h: the host's plain-text files as lists of lines, and the one trimming rule the game uses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

// Which bytes end a line when a file is read.
enum class LineEnds {
    kCrOrCrLf,    // CR, or CR LF taken as one end; a lone LF stays inside the line
    kCrCrLfOrLf,  // as above, and a lone LF also ends a line
};

std::vector<std::string> SplitLines(std::string_view text, LineEnds ends);

// Each line followed by CR LF, the way every file of the host is written.
std::string JoinCrLf(const std::vector<std::string>& lines);

// Leading and trailing space characters removed; tabs and all other bytes stay.
std::string TrimSpaces(std::string_view text);

}  // namespace host
