// draw.h: the random draw of a player and of a category, with the clock and the generator injectable.
#pragma once

#include <cstdint>
#include <string>

#include "host/player_lists.h"

namespace host {

class Clock {
  public:
    virtual ~Clock() = default;
    // Local time of day as "hh:mm:ss", 24-hour clock.
    virtual std::string TimeText() = 0;
};

class SystemClock : public Clock {
  public:
    std::string TimeText() override;
};

class RandomSource {
  public:
    virtual ~RandomSource() = default;
    // Mixes the number into the running state; a number used before must not restart the sequence.
    virtual void Reseed(int32_t seed) = 0;
    // The next value r, 0 <= r < 1.
    virtual float Next() = 0;
};

// A 64-bit state stepped and scrambled the splitmix64 way; Reseed folds the seed into the current state.
class MixingGenerator : public RandomSource {
  public:
    explicit MixingGenerator(uint64_t initialState = 0x2545F4914F6CDD1Dull) : state_(initialState) {}
    void Reseed(int32_t seed) override;
    float Next() override;

  private:
    uint64_t state_;
};

// Something different for every run, to start a MixingGenerator with.
uint64_t StartupEntropy();

// H + M + S from three readings of the clock: hours of the first, minutes of the second, seconds of the third.
int SeedFromClock(Clock& clock);

// k = integer part of (n * r + 1) in single precision, kept within 1..n.
int DrawPosition(int n, float r);

// Re-seeds from the clock, takes one value and returns a position 1..n.
int ClockSeededPosition(int n, Clock& clock, RandomSource& random);

struct DrawResult {
    enum class Status {
        kDrawn,
        kNoPlayers,        // PlayersList empty
        kAsManyAsWinners,  // PlayersList and WinnersList hold the same number of entries
        kNoneEligible,     // every player is on WinnersList or WaitList
    };
    Status status = Status::kNoPlayers;
    std::string name;
    int passes = 0;  // clock-seeded draws made until an eligible name came up
};

// Bound on redraws; only a generator stuck on ineligible names reaches it.
inline constexpr int kMaxDrawPasses = 1000000;

DrawResult DrawPlayer(const GameLists& lists, Clock& clock, RandomSource& random, int maxPasses = kMaxDrawPasses);

}  // namespace host
