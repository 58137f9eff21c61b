// Judging a record: speaking, completeness and duplicates, lag, and the DLL method's order check.
#include "configurator/judging.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using config::DdeVerdict;
using Gaps = std::vector<int>;
const Gaps kSteady = {1, 1, 1, 1, 1, 1, 1, 1};

// seq: slots 1 to 9 as digits; stamps: slot 1 at start (seconds of the day), then the gaps between slots.
config::ConfiguratorFields Record(const std::string& seq, int start = 50741, const Gaps& gaps = kSteady) {
    config::ConfiguratorFields f;
    int t = start;
    for (int k = 1; k <= 9; ++k) {
        f.SeqNumbers[k] = static_cast<int16_t>(seq[k - 1] - '0');
        const int d = (t % 86400 + 86400) % 86400;
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", d / 3600 % 100, d / 60 % 60, d % 60);
        f.TimeStamps[k] = stamp;
        t += k <= 8 ? gaps[k - 1] : 0;
    }
    return f;
}

constexpr int At(int h, int m, int s) {
    return h * 3600 + m * 60 + s;
}

TEST(Judging, DdeRecord) {
    const struct {
        const char* what;
        config::ConfiguratorFields f;
        DdeVerdict verdict;
    } rows[] = {
        {"all nine, steady", Record("123456789"), DdeVerdict::Passed},
        {"nothing heard", Record("000000000"), DdeVerdict::SpeakingFailed},
        {"slot 1 empty comes first", Record("022045678", 0, {9, 9, 9, 9, 9, 9, 9, 9}), DdeVerdict::SpeakingFailed},
        {"only seven lines", Record("123456700"), DdeVerdict::MethodFailed},
        {"a duplicate", Record("123345678"), DdeVerdict::MethodFailed},
        {"slot 9 repeats slot 1", Record("123456781"), DdeVerdict::MethodFailed},
        {"a duplicate beats lag", Record("123456788", 50741, {5, 5, 5, 5, 5, 5, 5, 5}), DdeVerdict::MethodFailed},
        {"order is not judged", Record("213456798"), DdeVerdict::Passed},
        {"two seconds apart", Record("123456789", 50741, {2, 2, 2, 2, 2, 2, 2, 2}), DdeVerdict::Passed},
        {"three seconds apart once", Record("123456789", 50741, {1, 1, 1, 3, 1, 1, 1, 1}), DdeVerdict::Lag},
        {"14:05:59 to 14:06:01", Record("123456789", At(14, 5, 53), {1, 1, 1, 1, 1, 1, 2, 1}), DdeVerdict::Passed},
        {"14:05:58 to 14:06:01", Record("123456789", At(14, 5, 52), {1, 1, 1, 1, 1, 1, 3, 1}), DdeVerdict::Lag},
        {"across midnight", Record("123456789", At(23, 59, 55)), DdeVerdict::Passed},
        {"a whole minute apart", Record("123456789", At(14, 5, 1), {60, 1, 1, 1, 1, 1, 1, 1}), DdeVerdict::Lag},
        {"a whole hour apart", Record("123456789", At(14, 5, 1), {1, 1, 3600, 1, 1, 1, 1, 1}), DdeVerdict::Lag},
        {"time running backwards", Record("123456789", 50741, {1, 1, -1, 1, 1, 1, 1, 1}), DdeVerdict::Lag},
    };
    for (auto r : rows) {
        r.f.TestFailed = r.verdict == DdeVerdict::Passed;  // the judge must overwrite it
        EXPECT_EQ(config::JudgeDdeRecord(r.f), r.verdict) << r.what;
        EXPECT_EQ(r.f.TestFailed, r.verdict != DdeVerdict::Passed) << r.what;
    }
    // Junk or short stamps are read as numbers as far as they go, never past their end.
    auto f = Record("123456789");
    f.TimeStamps[4] = "xx:yy:zz";
    f.TimeStamps[7] = "1";
    EXPECT_EQ(config::JudgeDdeRecord(f), DdeVerdict::Lag);
    EXPECT_EQ(config::StampSeconds(" 1: 2: 3"), 3723);
    EXPECT_EQ(config::StampSeconds("14:05:5x"), At(14, 5, 5));
    EXPECT_EQ(config::StampSeconds(""), 0);
}

TEST(Judging, DllOrder) {
    const std::pair<std::string, bool> rows[] = {
        {"123456789", true},  {"723456789", true},   // slot 1 is not compared
        {"023456789", true},  {"134567890", false},  // line 2 lost shifts the rest
        {"123456780", false}, {"234567890", false}, {"122345678", false}, {"124356789", false}, {"000000000", false},
    };
    for (const auto& [seq, passes] : rows) {
        auto f = Record(seq);
        f.TestFailed = passes;
        EXPECT_EQ(config::JudgeDllRecord(f), passes) << seq;
        EXPECT_EQ(f.TestFailed, !passes) << seq;
    }
}

}  // namespace
