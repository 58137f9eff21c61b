// link_rights.cpp: the notice about a world client that runs with other rights than this program. A program may
// not send messages to one of a higher integrity level, and DDE needs messages both ways: started one as
// administrator and the other not, the two cannot talk, and every request fails as if the world client were
// absent or silent although its window is open.
#include "linkmodule/link_rights.h"

#include <cstdio>

namespace linkmodule {
namespace {

// How an operator knows the way a program was started.
const char* Started(unsigned long level) {
    if (level >= kIntegritySystem)
        return "as a system service";
    if (level >= kIntegrityHigh)
        return "as administrator";
    if (level >= kIntegrityMedium)
        return "without administrator rights";
    if (level >= kIntegrityLow)
        return "with low rights";
    return "with no rights";
}

std::string Level(unsigned long level) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", level);
    return text;
}

}  // namespace

// "The world client's window is open, but the world client runs with higher rights than this program (as
// administrator; this program without administrator rights). ..."
std::optional<RightsNotice> DifferentRightsNotice(const RightsFacts& facts) {
    if (!facts.worldWindowOpen || !facts.worldLevel || !facts.ownLevel || *facts.worldLevel == *facts.ownLevel)
        return std::nullopt;
    const unsigned long world = *facts.worldLevel, own = *facts.ownLevel;
    RightsNotice notice;
    notice.message = std::string("The world client's window is open, but the world client runs with ") +
                     (world > own ? "higher" : "lower") + " rights than this program (" + Started(world) +
                     "; this program " + Started(own) +
                     "), and Windows keeps such programs from sending each other messages, so the link cannot "
                     "work. Close both and start both programs the same way (both as administrator, or neither), "
                     "then try again.";
    notice.logText = "the world client runs at integrity level " + Level(world) + " (" + Started(world) +
                     "), this program at " + Level(own) + " (" + Started(own) +
                     "): their messages are blocked; the operator is asked to start both programs the same way";
    return notice;
}

}  // namespace linkmodule
