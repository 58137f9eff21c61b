// Judging a recorded test: speaking, completeness and duplicates, lag, and the DLL method's order check.
#include "configurator/judging.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using config::ConfiguratorFields;
using config::DdeVerdict;

// Nine stamps one second apart, from 14:05:41.
std::vector<std::string> Steady() {
    std::vector<std::string> out;
    for (int n = 1; n <= 9; ++n) {
        out.push_back("14:05:4" + std::to_string(n));
    }
    return out;
}

// Steady stamps with the given slots (1 to 9) replaced.
std::vector<std::string> StampsWith(std::vector<std::pair<int, std::string>> changes) {
    auto out = Steady();
    for (auto& [slot, stamp] : changes) {
        out[slot - 1] = stamp;
    }
    return out;
}

ConfiguratorFields Record(const std::vector<int>& seq, const std::vector<std::string>& stamps) {
    ConfiguratorFields f;
    for (size_t i = 0; i < seq.size(); ++i) {
        f.SeqNumbers[i + 1] = static_cast<int16_t>(seq[i]);
    }
    for (size_t i = 0; i < stamps.size(); ++i) {
        f.TimeStamps[i + 1] = stamps[i];
    }
    return f;
}

const char* Name(DdeVerdict v) {
    switch (v) {
        case DdeVerdict::SpeakingFailed:
            return "speaking failed";
        case DdeVerdict::MethodFailed:
            return "method failed";
        case DdeVerdict::Lag:
            return "lag";
        case DdeVerdict::Passed:
            return "passed";
    }
    return "?";
}

TEST(Judging, DdeRecord) {
    struct Row {
        const char* what;
        std::vector<int> seq;
        std::vector<std::string> stamps;
        DdeVerdict verdict;
    };
    const std::vector<int> all = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const Row rows[] = {
        {"all nine, steady", all, Steady(), DdeVerdict::Passed},
        {"nothing heard", {0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, DdeVerdict::SpeakingFailed},
        {"slot 1 empty wins over everything else", {0, 2, 2, 4, 0, 6, 7, 8, 9}, {"junk"},
         DdeVerdict::SpeakingFailed},
        {"only seven lines", {1, 2, 3, 4, 5, 6, 7, 0, 0}, Steady(), DdeVerdict::MethodFailed},
        {"line 9 lost", {1, 2, 3, 4, 5, 6, 7, 8, 0}, Steady(), DdeVerdict::MethodFailed},
        {"a duplicate", {1, 2, 3, 3, 4, 5, 6, 7, 8}, Steady(), DdeVerdict::MethodFailed},
        {"slot 9 repeats slot 1", {1, 2, 3, 4, 5, 6, 7, 8, 1}, Steady(), DdeVerdict::MethodFailed},
        {"a duplicate beats lag", {1, 2, 3, 4, 5, 6, 7, 8, 8}, StampsWith({{5, "14:05:55"}}),
         DdeVerdict::MethodFailed},
        {"order is not judged here", {2, 1, 3, 4, 5, 6, 7, 9, 8}, Steady(), DdeVerdict::Passed},
        {"a non-digit line (0) after slot 1 is missing", {1, 0, 3, 4, 5, 6, 7, 8, 9}, Steady(),
         DdeVerdict::MethodFailed},
        {"three seconds between lines 4 and 5", all, StampsWith({{5, "14:05:47"}, {6, "14:05:48"}, {7, "14:05:49"},
                                                                 {8, "14:05:50"}, {9, "14:05:51"}}),
         DdeVerdict::Lag},
        {"two seconds between every line", all,
         {"14:05:41", "14:05:43", "14:05:45", "14:05:47", "14:05:49", "14:05:51", "14:05:53", "14:05:55",
          "14:05:57"},
         DdeVerdict::Passed},
        {"14:05:59 to 14:06:01 across the minute", all,
         {"14:05:53", "14:05:54", "14:05:55", "14:05:56", "14:05:57", "14:05:58", "14:05:59", "14:06:01",
          "14:06:02"},
         DdeVerdict::Passed},
        {"14:05:58 to 14:06:01 across the minute", all,
         {"14:05:52", "14:05:53", "14:05:54", "14:05:55", "14:05:56", "14:05:57", "14:05:58", "14:06:01",
          "14:06:02"},
         DdeVerdict::Lag},
        {"across midnight", all,
         {"23:59:55", "23:59:56", "23:59:57", "23:59:58", "23:59:59", "00:00:00", "00:00:01", "00:00:02",
          "00:00:03"},
         DdeVerdict::Passed},
        {"a whole minute between two lines is lag", all,
         {"14:05:01", "14:06:01", "14:06:02", "14:06:03", "14:06:04", "14:06:05", "14:06:06", "14:06:07",
          "14:06:08"},
         DdeVerdict::Lag},
        {"a whole hour between two lines is lag", all, StampsWith({{9, "15:05:48"}}), DdeVerdict::Lag},
        {"time running backwards", all, StampsWith({{3, "14:05:41"}}), DdeVerdict::Lag},
        {"a junk stamp among good ones", all, StampsWith({{4, "xx:yy:zz"}}), DdeVerdict::Lag},
        {"stamps cut short do not fault", all, {"14", "", "1", "14:05", "14:0", "", "", "", ""}, DdeVerdict::Lag},
    };
    for (const auto& r : rows) {
        auto f = Record(r.seq, r.stamps);
        f.TestFailed = r.verdict == DdeVerdict::Passed;  // the judge must overwrite what was there
        const auto got = config::JudgeDdeRecord(f);
        EXPECT_STREQ(Name(got), Name(r.verdict)) << r.what;
        EXPECT_EQ(f.TestFailed, r.verdict != DdeVerdict::Passed) << r.what;
    }
}

TEST(Judging, StampSeconds) {
    const std::pair<std::string, int> rows[] = {
        {"00:00:00", 0},        {"14:05:09", 50709}, {"23:59:59", 86399}, {" 1: 2: 3", 3723},
        {"14:05:5x", 50705},    {"", 0},             {"ab:cd:ef", 0},     {"-1:00:00", -3600},
        {"14:05:09 more", 50709},
    };
    for (const auto& [stamp, seconds] : rows) {
        EXPECT_EQ(config::StampSeconds(stamp), seconds) << '"' << stamp << '"';
    }
}

TEST(Judging, DllOrder) {
    struct Row {
        const char* what;
        std::vector<int> seq;
        bool passes;
    };
    const Row rows[] = {
        {"in order", {1, 2, 3, 4, 5, 6, 7, 8, 9}, true},
        {"slot 1 is not compared: 7 first", {7, 2, 3, 4, 5, 6, 7, 8, 9}, true},
        {"slot 1 not a digit", {0, 2, 3, 4, 5, 6, 7, 8, 9}, true},
        {"line 2 lost shifts the rest", {1, 3, 4, 5, 6, 7, 8, 9, 0}, false},
        {"line 9 lost", {1, 2, 3, 4, 5, 6, 7, 8, 0}, false},
        {"line 1 lost", {2, 3, 4, 5, 6, 7, 8, 9, 0}, false},
        {"line 2 twice", {1, 2, 2, 3, 4, 5, 6, 7, 8}, false},
        {"lines 3 and 4 swapped", {1, 2, 4, 3, 5, 6, 7, 8, 9}, false},
        {"nothing heard", {0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
    };
    for (const auto& r : rows) {
        auto f = Record(r.seq, {});
        f.TestFailed = r.passes;
        EXPECT_EQ(config::JudgeDllRecord(f), r.passes) << r.what;
        EXPECT_EQ(f.TestFailed, !r.passes) << r.what;
    }
}

}  // namespace
