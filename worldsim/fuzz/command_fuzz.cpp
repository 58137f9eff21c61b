// Fuzz target: the stand-in world's control command language, as a line from WM_COPYDATA, the input line or a
// scenario file would bring it, and the same line run by a world.
// Invariants: parsing is deterministic; an accepted command holds only values its kind allows (names without
// separators or line breaks, delays and counts within their caps, carried commands that parse again); a refused
// one says why, and a world refuses it with the same reason; scenario lines are single, non-blank, non-comment
// lines; seconds and topics stay within range and spell themselves again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "worldsim/command.h"
#include "worldsim/world.h"

namespace {

using worldsim::Command;
using worldsim::CommandKind;
using worldsim::CommandParse;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

bool Same(const CommandParse& a, const CommandParse& b) {
    if (a.error != b.error || a.command.has_value() != b.command.has_value())
        return false;
    if (!a.command)
        return true;
    const Command& x = *a.command;
    const Command& y = *b.command;
    return x.kind == y.kind && x.name == y.name && x.program == y.program && x.text == y.text && x.inner == y.inner &&
           x.delayMs == y.delayMs && x.peerTopic == y.peerTopic && x.count == y.count && x.fault == y.fault &&
           x.on == y.on && x.topic == y.topic && x.code == y.code && x.number == y.number;
}

bool CleanName(const std::string& name) {
    return !name.empty() && name.find_first_of(std::string_view("\x0c\r\n\0", 4)) == std::string::npos;
}

bool CleanDdeName(const std::string& name, bool mayBeEmpty) {
    return (mayBeEmpty || !name.empty()) && name.size() <= 255 &&
           name.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

void CheckAccepted(const Command& c) {
    constexpr int kDayMs = 24 * 60 * 60 * 1000;
    switch (c.kind) {
        case CommandKind::Me:
        case CommandKind::Avatar:
        case CommandKind::Leave:
        case CommandKind::Say:
        case CommandKind::Think:
        case CommandKind::Esp:
            Check(CleanName(c.name));
            break;
        case CommandKind::Send:
            Check(CleanName(c.name) && CleanName(c.program));
            break;
        case CommandKind::After:
            Check(c.delayMs >= 0 && c.delayMs <= kDayMs);
            [[fallthrough]];
        case CommandKind::When:
        case CommandKind::Once:
            Check(worldsim::ParseCommand(c.inner).command.has_value());
            break;
        case CommandKind::Poke:
            Check(CleanDdeName(c.program, false) && CleanDdeName(c.peerTopic, false));
            Check(c.count >= 1 && c.count <= worldsim::kMaxPokeCount);
            break;
        case CommandKind::PokeFill:
            Check(CleanDdeName(c.program, false) && CleanDdeName(c.peerTopic, false));
            Check(c.count >= 0 && c.count <= worldsim::kMaxPokeFillBytes &&
                  c.text.size() <= static_cast<size_t>(c.count));
            break;
        case CommandKind::Peer:
            Check(CleanDdeName(c.program, true) && CleanDdeName(c.peerTopic, true));
            break;
        case CommandKind::Fault:
            Check(c.number >= 0 && c.number <= kDayMs);
            if (!c.topic.empty() && c.topic != "all")
                Check(worldsim::CanonicalTopic(c.topic) == c.topic);
            break;
        default:
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const CommandParse first = worldsim::ParseCommand(input);
    Check(Same(first, worldsim::ParseCommand(input)));
    if (first.command)
        CheckAccepted(*first.command);
    else
        Check(!first.error.empty());

    // A world that refuses a malformed line gives the parser's reason; one that takes it parsed it too. Big
    // fills are left out: they only cost memory.
    if (!(first.command && first.command->kind == CommandKind::PokeFill && first.command->count > 65536)) {
        worldsim::World world("Marla", [] { return std::uint64_t{1000}; });
        const worldsim::CommandResult run = world.Run(input);
        if (!first.command)
            Check(!run.accepted && run.error == first.error);
        if (run.accepted)
            Check(first.command.has_value());
    }

    for (const std::string& line : worldsim::ScenarioCommands(input)) {
        Check(line.find('\n') == std::string::npos);
        const size_t start = line.find_first_not_of(" \t");
        Check(start != std::string::npos && line[start] != '#');
    }

    if (const auto ms = worldsim::ParseSeconds(input))
        Check(*ms >= 0 && *ms <= 24 * 60 * 60 * 1000);
    if (const auto topic = worldsim::CanonicalTopic(input))
        Check(topic->size() == input.size() && worldsim::CanonicalTopic(*topic) == topic);
    return 0;
}
