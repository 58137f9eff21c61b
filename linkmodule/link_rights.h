// link_rights.h: whether the world client and this program run with different rights (integrity levels), which
// keeps their messages apart so that no link can work, and what the operator and the support log are told.
#pragma once

#include <optional>
#include <string>

namespace linkmodule {

// Integrity levels as the system numbers them (the last part of a token's integrity label).
inline constexpr unsigned long kIntegrityLow = 0x1000;
inline constexpr unsigned long kIntegrityMedium = 0x2000;
inline constexpr unsigned long kIntegrityHigh = 0x3000;
inline constexpr unsigned long kIntegritySystem = 0x4000;

// What is known when a request did not reach the world client: whether a window with the world client's title is
// open (of another program), and each program's integrity level where it could be read.
struct RightsFacts {
    bool worldWindowOpen = false;
    std::optional<unsigned long> worldLevel;
    std::optional<unsigned long> ownLevel;
};

struct RightsNotice {
    std::string message;  // for the operator
    std::string logText;  // for the support log
};

// A notice only when the world's window is open and both levels are known and differ; nothing is said about a
// level that could not be read.
std::optional<RightsNotice> DifferentRightsNotice(const RightsFacts& facts);

}  // namespace linkmodule
