// draw.cpp: clock-seeded draws of a player and of a category.
#include "host/draw.h"

#include <chrono>
#include <ctime>
#include <vector>

namespace host {

std::string SystemClock::TimeText() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);  // one UI thread: the shared buffer is safe here
    char text[16] = "00:00:00";
    if (local)
        std::strftime(text, sizeof text, "%H:%M:%S", local);
    return text;
}

namespace {

uint64_t Scramble(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// The number that the two characters at pos (0-based) begin with: "07" -> 7, "7:" -> 7, "x7" -> 0.
int TwoDigitsAt(const std::string& text, size_t pos) {
    int value = 0;
    for (size_t i = pos; i < pos + 2 && i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

}  // namespace

// The draw re-seeds with H + M + S before every pass, and that number stays the same for a whole second. A
// generator that restarted from the seed would give the same value on every pass within the second and loop
// on an ineligible name; folding the seed into the running state (and scrambling the result) gives fresh values.
void MixingGenerator::Reseed(int32_t seed) {
    state_ = Scramble(state_ ^ Scramble(static_cast<uint64_t>(static_cast<uint32_t>(seed)) + 0x9E3779B97F4A7C15ull));
}

// 24 random bits over 2^24: exact in single precision and always below 1.
float MixingGenerator::Next() {
    state_ += 0x9E3779B97F4A7C15ull;
    return static_cast<float>(Scramble(state_) >> 40) / 16777216.0f;
}

uint64_t StartupEntropy() {
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    return Scramble(static_cast<uint64_t>(now) ^ (static_cast<uint64_t>(tick) << 1));
}

// Readings "hh:mm:ss": H from characters 1-2 of the first, M from 4-5 of the second, S from 7-8 of the third;
// the seed lies between 0 and 23 + 59 + 59 = 141.
int SeedFromClock(Clock& clock) {
    const int h = TwoDigitsAt(clock.TimeText(), 0);
    const int m = TwoDigitsAt(clock.TimeText(), 3);
    const int s = TwoDigitsAt(clock.TimeText(), 6);
    return h + m + s;
}

// n * r + 1 is computed in single precision, and its rounding can reach n + 1: for the largest r below 1
// (1 - 2^-24) and n a power of two up to 16384, the sum is exactly n + 1 (n = 1 gives 1.99999994, which rounds
// to 2), naming an entry past the end of the list. The position is therefore kept within 1..n.
int DrawPosition(int n, float r) {
    if (n < 1)
        return 0;
    const float product = static_cast<float>(n) * r;
    const float sum = product + 1.0f;
    int k = static_cast<int>(sum);
    if (k < 1)
        k = 1;
    if (k > n)
        k = n;
    return k;
}

int ClockSeededPosition(int n, Clock& clock, RandomSource& random) {
    random.Reseed(SeedFromClock(clock));
    return DrawPosition(n, random.Next());
}

// The checks run in this order and stop the draw silently: an empty PlayersList; as many PlayersList entries as
// WinnersList entries (the counts alone, before any name is looked at, so Players {A, B} with Winners {A, C}
// draws nothing); no eligible name. Then positions are drawn, each pass re-reading the clock and re-seeding,
// until the name at the position is on neither WinnersList nor WaitList. A name listed twice is twice as
// likely. Should the generator keep missing (a broken or faked source), the draw ends after maxPasses
// with an eligible name chosen by the last value instead of hanging the host.
DrawResult DrawPlayer(const GameLists& lists, Clock& clock, RandomSource& random, int maxPasses) {
    DrawResult result;
    const NameList& players = lists.PlayersList;
    if (players.Empty()) {
        result.status = DrawResult::Status::kNoPlayers;
        return result;
    }
    if (players.Count() == lists.WinnersList.Count()) {
        result.status = DrawResult::Status::kAsManyAsWinners;
        return result;
    }
    std::vector<int> eligible;
    for (int i = 0; i < players.Count(); ++i) {
        if (IsDrawable(lists, players.At(i)))
            eligible.push_back(i);
    }
    if (eligible.empty()) {
        result.status = DrawResult::Status::kNoneEligible;
        return result;
    }
    result.status = DrawResult::Status::kDrawn;
    float r = 0.0f;
    while (result.passes < maxPasses) {
        ++result.passes;
        random.Reseed(SeedFromClock(clock));
        r = random.Next();
        const std::string& candidate = players.At(DrawPosition(players.Count(), r) - 1);
        if (IsDrawable(lists, candidate)) {
            result.name = candidate;
            return result;
        }
    }
    result.name = players.At(eligible[static_cast<size_t>(DrawPosition(static_cast<int>(eligible.size()), r) - 1)]);
    return result;
}

}  // namespace host
