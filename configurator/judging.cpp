// judging.cpp: the rules that turn a recorded test into a verdict.
#include "configurator/judging.h"

namespace config {

bool SpeakingHeard(const ConfiguratorFields& f) {
    return f.SeqNumbers[kFirstSlot] != 0;
}

// Every slot from 2 on is filled and no number appears twice. Slot 1 is the speaking check's, and the
// order of the numbers is not judged here.
bool CompleteWithoutDuplicates(const ConfiguratorFields& f) {
    for (int i = kFirstSlot + 1; i <= kLastSlot; ++i) {
        if (f.SeqNumbers[i] == 0) {
            return false;
        }
        for (int j = kFirstSlot; j < i; ++j) {
            if (f.SeqNumbers[j] == f.SeqNumbers[i]) {
                return false;
            }
        }
    }
    return true;
}

namespace {

// Two characters of a stamp as a number: blanks skipped, an optional sign, then digits; anything else ends
// it, and no digits give 0. A stamp cut short or full of junk still gives a number, never a fault.
int StampField(std::string_view stamp, size_t pos) {
    const std::string_view field = pos < stamp.size() ? stamp.substr(pos, 2) : std::string_view{};
    int value = 0;
    int sign = 1;
    bool started = false;
    for (char c : field) {
        if (c == ' ' || c == '\t' || c == '\n') {
            continue;
        }
        if (!started && (c == '-' || c == '+')) {
            sign = c == '-' ? -1 : 1;
            started = true;
        } else if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            started = true;
        } else {
            break;
        }
    }
    return sign * value;
}

}  // namespace

int StampSeconds(std::string_view stamp) {
    return StampField(stamp, 0) * 3600 + StampField(stamp, 3) * 60 + StampField(stamp, 6);
}

// Consecutive recorded lines may be at most 2 seconds apart. The whole time of day is compared, so a
// change of minute (14:05:59 to 14:06:01 is 2 seconds) or of day is crossed correctly, and lines a whole
// minute apart (14:05:01 to 14:06:01) are lag, not a pass.
bool WithinLagLimit(const ConfiguratorFields& f) {
    constexpr int kDay = 24 * 3600;
    for (int i = kFirstSlot; i < kLastSlot; ++i) {
        const int a = StampSeconds(f.TimeStamps[i]);
        const int b = StampSeconds(f.TimeStamps[i + 1]);
        const int apart = ((b - a) % kDay + kDay) % kDay;
        if (apart > 2) {
            return false;
        }
    }
    return true;
}

DdeVerdict JudgeDdeRecord(ConfiguratorFields& f) {
    f.TestFailed = true;
    if (!SpeakingHeard(f)) {
        return DdeVerdict::SpeakingFailed;
    }
    if (!CompleteWithoutDuplicates(f)) {
        return DdeVerdict::MethodFailed;
    }
    if (!WithinLagLimit(f)) {
        return DdeVerdict::Lag;
    }
    f.TestFailed = false;
    return DdeVerdict::Passed;
}

// Lines 2 to 9 must sit in slots 2 to 9: they came back once each, in order, after exactly one earlier
// test line. Slot 1 is not compared, so a stray line recorded first still passes; a lost or extra line
// later on shifts the rest and fails.
bool JudgeDllRecord(ConfiguratorFields& f) {
    f.TestFailed = false;
    for (int i = kFirstSlot + 1; i <= kLastSlot; ++i) {
        if (f.SeqNumbers[i] != i) {
            f.TestFailed = true;
        }
    }
    return !f.TestFailed;
}

}  // namespace config
