// text_lines.cpp: line splitting and space trimming shared by every reader of the host.
#include "host/text_lines.h"

namespace host {

// "A\r\nB\rC" gives A, B, C. A final line end does not open an empty last line, so "A\r\n" is one line and
// "" is none; "\r\n" is one empty line. Any byte other than the line ends (NUL and 8-bit bytes included) is
// kept as it stands, so junk in a file reaches the caller as text and never stops the reading.
std::vector<std::string> SplitLines(std::string_view text, LineEnds ends) {
    std::vector<std::string> lines;
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const bool cr = c == '\r';
        const bool lf = c == '\n' && ends == LineEnds::kCrCrLfOrLf;
        if (!cr && !lf) {
            ++i;
            continue;
        }
        lines.emplace_back(text.substr(start, i - start));
        ++i;
        if (cr && i < text.size() && text[i] == '\n')
            ++i;
        start = i;
    }
    if (start < text.size())
        lines.emplace_back(text.substr(start));
    return lines;
}

std::string JoinCrLf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::string TrimSpaces(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace host
