// The draw: clock seed, position rounding, eligibility and the counts rule, and the re-seeding requirement.
#include "host/draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "host/tests/fakes.h"

namespace {

using namespace hosttest;
using Status = host::DrawResult::Status;

TEST(Draw, SeedAndPosition) {
    const std::pair<Strings, int> seeds[] = {
        {{"23:59:59"}, 141}, {{"00:00:00"}, 0}, {{"12:34:56", "01:02:03", "09:08:07"}, 12 + 2 + 7}, {{"7:5:3"}, 7}};
    for (const auto& [readings, seed] : seeds) {
        FakeClock clock(readings);
        EXPECT_EQ(host::SeedFromClock(clock), seed) << readings[0];
    }
    // The largest value below 1 makes n * r + 1 round up to n + 1 for n = 1, 2, 4 ... 16384.
    const float top = std::nextafter(1.0f, 0.0f);
    const std::tuple<int, float, int> positions[] = {{1, 0.0f, 1},        {3, 0.33f, 1},      {3, 0.34f, 2},
                                                     {3, 0.999f, 3},      {1, top, 1},        {4, top, 4},
                                                     {16384, top, 16384}, {32767, top, 32767}};
    for (const auto& [n, r, k] : positions)
        EXPECT_EQ(host::DrawPosition(n, r), k) << n << " " << r;
}

TEST(Draw, EligibilityAndTheCountsRule) {
    struct Row {
        Strings players, winners, waiting;
        Status status;
        std::map<std::string, double> share;  // of 3000 draws
    };
    const Row rows[] = {
        {{"A"}, {}, {}, Status::kDrawn, {{"A", 1.0}}},
        {{"A", "B"}, {"A"}, {}, Status::kDrawn, {{"B", 1.0}}},
        {{"A", "B"}, {"A", "C"}, {}, Status::kAsManyAsWinners, {}},
        {{"A", "B", "C"}, {}, {"B"}, Status::kDrawn, {{"A", 0.5}, {"C", 0.5}}},
        {{"A", "B"}, {"a"}, {}, Status::kDrawn, {{"A", 0.5}, {"B", 0.5}}},
        {{"A", "B", "A"}, {}, {}, Status::kDrawn, {{"A", 2.0 / 3}, {"B", 1.0 / 3}}},
        {{"A", "B", "C"}, {"A"}, {"B", "C"}, Status::kNoneEligible, {}},
        {{}, {"A"}, {}, Status::kNoPlayers, {}},
    };
    for (const auto& r : rows) {
        const host::GameLists lists = Lists(r.players, r.winners, r.waiting);
        host::MixingGenerator random;
        std::map<std::string, double> share;
        for (int i = 0; i < 3000; ++i) {
            FakeClock clock({std::to_string(10 + i % 14) + ":" + std::to_string(10 + i % 50) + ":30"});
            const auto result = host::DrawPlayer(lists, clock, random);
            ASSERT_EQ(result.status, r.status) << r.players.size();
            if (result.status == Status::kDrawn)
                share[result.name] += 1.0 / 3000;
        }
        ASSERT_EQ(share.size(), r.share.size());
        for (const auto& [name, expected] : r.share)
            EXPECT_NEAR(share[name], expected, 0.04) << name;
    }
}

TEST(Draw, EveryPassReadsTheClockThriceAndReseeds) {
    const host::GameLists lists = Lists({"A", "B"}, {}, {"A"});
    FakeClock clock({"01:02:03", "04:05:06", "07:08:09", "10:11:12"});
    ScriptedRandom random({0.0f, 0.9f});
    const auto result = host::DrawPlayer(lists, clock, random);
    EXPECT_EQ(result.name, "B");
    EXPECT_EQ(random.seeds, (std::vector<int32_t>{1 + 5 + 9, 10 + 2 + 6}));

    ScriptedRandom stuck({0.0f});  // a source that never leaves A cannot hang the host
    const auto bounded = host::DrawPlayer(lists, clock, stuck, 50);
    EXPECT_EQ(bounded.name, "B");
    EXPECT_EQ(bounded.passes, 50);
}

TEST(Draw, ReseedingWithAnOldSeedDoesNotRestartTheSequence) {
    host::MixingGenerator g;
    for (int seed = 0; seed <= 141; ++seed) {
        g.Reseed(seed);
        const float a = g.Next();
        g.Reseed(seed);
        EXPECT_NE(a, g.Next()) << seed;
    }
    // Within one clock second every pass has the same seed; the one eligible name of fifty is still found.
    host::GameLists lists;
    for (int i = 0; i < 50; ++i) {
        lists.PlayersList.Add("P" + std::to_string(i));
        if (i != 37)
            lists.WaitList.Add("P" + std::to_string(i));
    }
    FakeClock sameSecond({"10:20:30"});
    const auto result = host::DrawPlayer(lists, sameSecond, g);
    EXPECT_EQ(result.name, "P37");
    EXPECT_LT(result.passes, 2000);
}

}  // namespace
