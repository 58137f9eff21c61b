// Fuzz target: what SaveGame writes, RestoreGame reads back equal.
// The input is cut into names; PlayersList and WinnersList get every name the game can hold (not blank once
// spaces are trimmed, no CR; intake's names and restored entries are all of this kind), in input order, a few
// exactly "List2" among them. Invariants: the restored PlayersList is the saved one without its "List2" entries,
// in the same order; the restored WinnersList is the saved one likewise (still in alphabetical order); the file
// has no header or count: restoring an empty game gives empty lists from an empty file.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/saved_game.h"
#include "host/tests/fakes.h"
#include "host/text_lines.h"

namespace {

std::vector<std::string> WithoutSectionLine(const std::vector<std::string>& names) {
    std::vector<std::string> kept;
    for (const auto& n : names) {
        if (n != host::kWinnersSectionLine)
            kept.push_back(n);
    }
    return kept;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    host::GameLists lists;
    while (in.remaining_bytes() > 0) {
        const bool winner = in.ConsumeBool();
        std::string name = in.ConsumeBool() ? std::string(host::kWinnersSectionLine) : in.ConsumeRandomLengthString(80);
        if (host::TrimSpaces(name).empty() || name.find('\r') != std::string::npos)
            continue;
        (winner ? lists.WinnersList : lists.PlayersList).Add(std::move(name));
    }

    hosttest::Fakes files;
    if (!host::SaveGame(files, lists).ok)
        std::abort();
    const std::string& written = files.files[host::kSaveFile];
    if (lists.PlayersList.Empty() && lists.WinnersList.Empty() && !written.empty())
        std::abort();
    host::GameLists restored;
    restored.PlayersList.Add("stale");
    restored.WinnersList.Add("stale");
    if (host::RestoreGame(files, restored) != host::ReadStatus::kOk)
        std::abort();
    if (restored.PlayersList.Names() != WithoutSectionLine(lists.PlayersList.Names()))
        std::abort();
    if (restored.WinnersList.Names() != WithoutSectionLine(lists.WinnersList.Names()))
        std::abort();
    return 0;
}
