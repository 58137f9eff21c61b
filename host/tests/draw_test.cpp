// The draw: clock seed, position rounding, eligibility and the counts rule, and the re-seeding requirement.
#include "host/draw.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "host/tests/fakes.h"

namespace {

using hosttest::Names;
using Status = host::DrawResult::Status;

const float kLargestBelowOne = std::nextafter(1.0f, 0.0f);

TEST(Draw, SeedTakesHoursMinutesAndSecondsFromThreeReadings) {
    struct Row {
        std::vector<std::string> readings;
        int seed;
    };
    const Row rows[] = {
        {{"23:59:59"}, 141},
        {{"00:00:00"}, 0},
        {{"12:34:56", "01:02:03", "09:08:07"}, 12 + 2 + 7},
        {{"09:59:59", "10:00:00", "10:00:00"}, 9},
        {{"7:5:3"}, 7},
    };
    for (const auto& r : rows) {
        hosttest::FakeClock clock(r.readings);
        EXPECT_EQ(host::SeedFromClock(clock), r.seed) << r.readings[0];
    }
}

TEST(Draw, PositionStaysWithinTheList) {
    struct Row {
        int n;
        float r;
        int k;
    };
    const Row rows[] = {
        {1, 0.0f, 1},   {3, 0.0f, 1},     {3, 0.33f, 1},   {3, 0.34f, 2},  {3, 0.999f, 3},
        {1, kLargestBelowOne, 1},         {4, kLargestBelowOne, 4},        {16384, kLargestBelowOne, 16384},
        {32767, kLargestBelowOne, 32767}, {0, 0.5f, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(host::DrawPosition(r.n, r.r), r.k) << r.n << " " << r.r;
}

TEST(Draw, EligibilityAndTheCountsRule) {
    struct Row {
        const char* what;
        std::initializer_list<const char*> players, winners, waiting;
        Status status;
        std::set<std::string> drawn;
    };
    const Row rows[] = {
        {"single player", {"A"}, {}, {}, Status::kDrawn, {"A"}},
        {"winner skipped", {"A", "B"}, {"A"}, {}, Status::kDrawn, {"B"}},
        {"counts equal", {"A", "B"}, {"A", "C"}, {}, Status::kAsManyAsWinners, {}},
        {"waiting skipped", {"A", "B", "C"}, {}, {"B"}, Status::kDrawn, {"A", "C"}},
        {"case-sensitive", {"A", "B"}, {"a"}, {}, Status::kDrawn, {"A", "B"}},
        {"everyone out", {"A", "B", "C"}, {"A"}, {"B", "C"}, Status::kNoneEligible, {}},
        {"nobody", {}, {}, {}, Status::kNoPlayers, {}},
        {"nobody, with winners", {}, {"A"}, {}, Status::kNoPlayers, {}},
    };
    for (const auto& r : rows) {
        host::GameLists lists;
        lists.PlayersList = Names(r.players);
        lists.WinnersList = Names(r.winners, host::NameList::Order::kSortedIgnoreCase);
        lists.WaitList = Names(r.waiting);
        host::MixingGenerator random;
        std::set<std::string> drawn;
        for (int i = 0; i < 200; ++i) {
            hosttest::FakeClock clock({std::to_string(10 + i % 14) + ":" + std::to_string(10 + i % 50) + ":30"});
            const auto result = host::DrawPlayer(lists, clock, random);
            ASSERT_EQ(result.status, r.status) << r.what;
            if (result.status == Status::kDrawn)
                drawn.insert(result.name);
        }
        EXPECT_EQ(drawn, r.drawn) << r.what;
    }
}

TEST(Draw, EveryPassReadsTheClockAndReseeds) {
    host::GameLists lists;
    lists.PlayersList = Names({"A", "B"});
    lists.WaitList = Names({"A"});
    hosttest::FakeClock clock({"01:02:03", "04:05:06", "07:08:09", "10:11:12"});
    hosttest::ScriptedRandom random({0.0f, 0.9f});
    const auto result = host::DrawPlayer(lists, clock, random);
    EXPECT_EQ(result.name, "B");
    EXPECT_EQ(result.passes, 2);
    EXPECT_EQ(random.seeds, (std::vector<int32_t>{1 + 5 + 9, 10 + 2 + 6}));
}

TEST(Draw, ReseedingWithAnOldSeedDoesNotRestartTheSequence) {
    host::MixingGenerator g;
    std::set<float> seen;
    for (int seed = 0; seed <= 141; ++seed) {
        g.Reseed(seed);
        const float a = g.Next();
        g.Reseed(seed);
        const float b = g.Next();
        EXPECT_NE(a, b) << seed;
        EXPECT_TRUE(a >= 0.0f && a < 1.0f);
        seen.insert(a);
    }
    EXPECT_GT(seen.size(), 130u);

    // Within one clock second every pass has the same seed; one eligible name among fifty is still found.
    host::GameLists lists;
    for (int i = 0; i < 50; ++i) {
        lists.PlayersList.Add("P" + std::to_string(i));
        if (i != 37)
            lists.WaitList.Add("P" + std::to_string(i));
    }
    hosttest::FakeClock sameSecond({"10:20:30"});
    const auto result = host::DrawPlayer(lists, sameSecond, g);
    EXPECT_EQ(result.name, "P37");
    EXPECT_LT(result.passes, 2000);
}

TEST(Draw, NamesListedTwiceComeUpTwiceAsOften) {
    host::GameLists lists;
    lists.PlayersList = Names({"A", "B", "A"});
    host::MixingGenerator random;
    std::map<std::string, int> counts;
    for (int i = 0; i < 6000; ++i) {
        hosttest::FakeClock clock({"12:" + std::to_string(10 + i % 50) + ":" + std::to_string(10 + i / 50 % 50)});
        ++counts[host::DrawPlayer(lists, clock, random).name];
    }
    EXPECT_NEAR(counts["A"] / 6000.0, 2.0 / 3.0, 0.03);
}

TEST(Draw, AStuckGeneratorCannotHangTheHost) {
    host::GameLists lists;
    lists.PlayersList = Names({"A", "B", "C"});
    lists.WinnersList = Names({"A"});
    hosttest::FakeClock clock({"10:20:30"});
    hosttest::ScriptedRandom stuck({0.0f});
    const auto result = host::DrawPlayer(lists, clock, stuck, 50);
    EXPECT_EQ(result.status, Status::kDrawn);
    EXPECT_EQ(result.passes, 50);
    EXPECT_TRUE(result.name == "B" || result.name == "C");
}

}  // namespace
