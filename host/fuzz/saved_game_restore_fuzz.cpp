// Fuzz target: restoring GORVATH.SAV from any bytes.
// Invariants: both lists within the 16-bit bound; no restored entry is blank, holds a CR or is exactly the section
// line; WinnersList in order ignoring case; and saving what was restored, then restoring that, gives the same
// lists (the saved file is a fixed point). WaitList is never touched.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "host/saved_game.h"
#include "host/text_lines.h"

namespace {

void CheckEntries(const host::NameList& list) {
    if (list.Count() > host::kMaxListEntries)
        std::abort();
    for (const auto& name : list.Names()) {
        if (host::TrimSpaces(name).empty() || name.find('\r') != std::string::npos || name == host::kWinnersSectionLine)
            std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    host::GameLists lists;
    lists.WaitList.Add("Waiting");
    host::ParseSavedGame(file, lists);
    CheckEntries(lists.PlayersList);
    CheckEntries(lists.WinnersList);
    const auto& winners = lists.WinnersList.Names();
    for (size_t i = 1; i < winners.size(); ++i) {
        if (host::LessIgnoringCase(winners[i], winners[i - 1]))
            std::abort();
    }
    if (lists.WaitList.Names() != std::vector<std::string>{"Waiting"})
        std::abort();

    const std::string saved = host::FormatSavedGame(lists);
    host::GameLists again;
    host::ParseSavedGame(saved, again);
    if (again.PlayersList.Names() != lists.PlayersList.Names() || again.WinnersList.Names() != winners)
        std::abort();
    if (host::FormatSavedGame(again) != saved)
        std::abort();
    return 0;
}
