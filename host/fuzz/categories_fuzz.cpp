// Fuzz target: GORVATH.TXT read into CategoryList.
// Invariants: at most kMaxListEntries categories; none is blank once spaces are trimmed; none holds a line end;
// each is a whole line of the file, kept with its spaces, and they come in file order, so that joining them with
// CR LF and reading that again gives the same list.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/game_files.h"
#include "host/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const host::NameList categories = host::ParseCategories(file);
    if (categories.Count() > host::kMaxListEntries)
        std::abort();
    size_t bytes = 0;
    size_t from = 0;
    for (const auto& c : categories.Names()) {
        if (host::TrimSpaces(c).empty() || c.find_first_of("\r\n") != std::string::npos)
            std::abort();
        // A whole line: found at or after the previous one, with a line end (or the file's edge) on both sides.
        size_t at = file.find(c, from);
        while (at != std::string_view::npos) {
            const bool startsLine = at == 0 || file[at - 1] == '\r' || file[at - 1] == '\n';
            const size_t end = at + c.size();
            const bool endsLine = end == file.size() || file[end] == '\r' || file[end] == '\n';
            if (startsLine && endsLine)
                break;
            at = file.find(c, at + 1);
        }
        if (at == std::string_view::npos)
            std::abort();
        from = at + c.size();
        bytes += c.size();
    }
    if (bytes > size)
        std::abort();
    if (host::ParseCategories(host::JoinCrLf(categories.Names())).Names() != categories.Names())
        std::abort();
    return 0;
}
