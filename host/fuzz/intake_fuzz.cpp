// Fuzz target: "Get_Players" over any chat capture, through the real command with recording fakes.
// The input gives a few players already listed, then the capture. Invariants: every name taken (appended and
// confirmed by ESP) has no control character, is not empty, is at most kMaxAvatarNameBytes and is not "List2";
// it was the sender of a "$" ESP after the last marker line; it was not listed before, trimmed, and is taken once;
// the confirmations go out in the order the names were appended; PlayersList keeps within its bound and keeps the
// entries it had, in order; the game is saved before and after, and the last save restores to the lists.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/intake.h"
#include "host/saved_game.h"
#include "host/tests/fakes.h"
#include "host/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    hosttest::Fakes io;
    hosttest::FakeClock clock({"10:20:30"});
    host::MixingGenerator random;
    host::Host host(io, io, clock, random);
    const int listed = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < listed; ++i) {
        // Entries as a restore leaves them: untrimmed, never blank, never holding a CR.
        std::string entry = in.ConsumeRandomLengthString(20);
        if (!host::TrimSpaces(entry).empty() && entry.find('\r') == std::string::npos)
            host.Lists().PlayersList.Add(std::move(entry));
    }
    const std::vector<std::string> before = host.Lists().PlayersList.Names();
    const std::string capture = in.ConsumeRemainingBytesAsString();
    io.onFetch = [&] { io.files[host::kCaptureFile] = capture; };

    const host::Outcome outcome = host.GetPlayers();
    if (!outcome.problems.empty())
        std::abort();

    const std::vector<std::string> requests = host::JoinRequests(host::SplitLines(capture, host::LineEnds::kCrOrCrLf));
    const std::set<std::string> requested(requests.begin(), requests.end());
    std::set<std::string> listedTrimmed;
    for (const auto& name : before)
        listedTrimmed.insert(host::TrimSpaces(name));

    const auto& players = host.Lists().PlayersList.Names();
    if (players.size() > static_cast<size_t>(host::kMaxListEntries) || players.size() < before.size() ||
        !std::equal(before.begin(), before.end(), players.begin()))
        std::abort();
    std::vector<std::string> confirmed;
    for (const auto& e : io.log) {
        if (e.rfind("esp ", 0) != 0)
            continue;
        const std::string suffix = ": You are on the List.";
        if (e.size() < 4 + suffix.size() || e.compare(e.size() - suffix.size(), suffix.size(), suffix) != 0)
            std::abort();
        confirmed.push_back(e.substr(4, e.size() - 4 - suffix.size()));
    }
    const std::vector<std::string> taken(players.begin() + static_cast<long>(before.size()), players.end());
    if (confirmed != taken)
        std::abort();
    std::set<std::string> seen;
    for (const auto& name : taken) {
        if (!host::IsAcceptableAvatarName(name) || name == host::kWinnersSectionLine)
            std::abort();
        for (const char c : name) {
            const auto u = static_cast<unsigned char>(c);
            if (u < 32 || u == 127)
                std::abort();
        }
        if (name.size() > host::kMaxAvatarNameBytes || !requested.count(name) || listedTrimmed.count(name) ||
            !seen.insert(name).second)
            std::abort();
    }
    // Everyone who asked and could be taken was taken (the list cannot fill up from three entries here).
    for (const auto& name : requested) {
        if (host::IsAcceptableAvatarName(name) && name != host::kWinnersSectionLine && !listedTrimmed.count(name) &&
            !seen.count(name))
            std::abort();
    }

    if (io.log.size() < 3 || io.log.front().rfind("write GORVATH.SAV: ", 0) != 0 || io.log[1] != "fetch" ||
        io.log.back() != "write GORVATH.SAV: " + host::FormatSavedGame(host.Lists()))
        std::abort();
    host::GameLists restored;
    host::ParseSavedGame(io.files[host::kSaveFile], restored);
    const auto& back = restored.PlayersList.Names();
    if (back.size() < taken.size() ||
        !std::equal(taken.begin(), taken.end(), back.end() - static_cast<long>(taken.size())))
        std::abort();
    return 0;
}
