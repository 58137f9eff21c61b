// Fuzz target: MACTITS.TXT read into the nine macro titles, and the titles as "Save" writes them.
// Invariants: always nine titles; none holds a line end or has a space at either end; a file without a ninth line
// leaves "Macro" + k for the missing ones; and nine titles typed in the boxes (taken from the input) are written as
// nine lines that read back as the typed titles with line breaks turned into spaces and spaces trimmed.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/game_files.h"
#include "host/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    const host::MacroTitles titles = host::ParseMacroTitles(file);
    const size_t lines = host::SplitLines(file, host::LineEnds::kCrCrLfOrLf).size();
    for (size_t i = 0; i < titles.size(); ++i) {
        const std::string& t = titles[i];
        if (t.find_first_of("\r\n") != std::string::npos || host::TrimSpaces(t) != t)
            std::abort();
        if (i >= lines && t != "Macro" + std::to_string(i + 1))
            std::abort();
    }
    if (host::ParseMacroTitles(host::FormatMacroTitles(titles)) != titles)
        std::abort();

    // The input as nine typed titles, cut at NUL bytes.
    host::MacroTitles typed;
    size_t from = 0;
    for (auto& t : typed) {
        const size_t nul = file.find('\0', from);
        t = file.substr(from, nul == std::string::npos ? std::string::npos : nul - from);
        from = nul == std::string::npos ? file.size() : nul + 1;
    }
    const std::string written = host::FormatMacroTitles(typed);
    if (host::SplitLines(written, host::LineEnds::kCrCrLfOrLf).size() != typed.size())
        std::abort();
    const host::MacroTitles back = host::ParseMacroTitles(written);
    for (size_t i = 0; i < typed.size(); ++i) {
        if (back[i] != host::TrimSpaces(host::OneLineTitle(typed[i])))
            std::abort();
    }
    return 0;
}
