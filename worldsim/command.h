// command.h: the control command language of the stand-in world (scenario files, WM_COPYDATA, input line).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace worldsim {

enum class CommandKind {
    Me,
    Avatar,
    Leave,
    Say,
    Think,
    Esp,
    EspAll,
    Send,
    After,
    When,
    Once,
    Clear,
    Mark,
    Quit,
    Fault,
    Poke,
    PokeFill,
    Peer
};

enum class FaultKind {
    NoText,
    Refuse,
    AckCode,
    AckDelay,
    NoAck,
    Drop,
    Dup,
    Lag,
    Ghost,
    LoggedOut,
    Clear,
    Die,
    Reject,
    Slow,
    Hold
};

struct Command {
    CommandKind kind = CommandKind::Clear;
    std::string name;       // avatar: me, avatar, leave, say, think, esp, send
    std::string program;    // send: the registered program; poke/pokefill/peer: the DDE service (peer: may be empty)
    std::string text;       // say/think/esp/espall/mark text, send data, when/once substring, drop/dup match,
                            // poke block, pokefill head
    std::string inner;      // after/when/once: the command to run, as written
    int delayMs = 0;        // after
    std::string peerTopic;  // poke/pokefill/peer: the DDE topic, any name (peer: may be empty)
    int count = 0;          // poke: how many times; pokefill: the block's size in bytes

    FaultKind fault = FaultKind::Clear;
    bool on = false;    // on|off switches; ackcode/drop/dup: false = "off"
    std::string topic;  // refuse/ackcode/die/reject/slow/hold: a full topic name, or "all"
    std::string code;   // ackcode: the code text to acknowledge with
    int number = 0;     // ackdelay/lag/slow: milliseconds; drop/dup: count (0 = no limit); die: the Nth transaction
};

struct CommandParse {
    std::optional<Command> command;
    std::string error;  // why the command was refused, for a person
};

CommandParse ParseCommand(std::string_view line);

inline constexpr int kMaxPokeCount = 1000;                  // poke|...|COUNT|...
inline constexpr int kMaxPokeFillBytes = 16 * 1024 * 1024;  // pokefill|...|SIZE|...

// The commands of a scenario file: one per line, blank lines and '#' comment lines skipped.
std::vector<std::string> ScenarioCommands(std::string_view content);

// "2", "0.25", ".5": seconds as milliseconds (rounded), at most one day.
std::optional<int> ParseSeconds(std::string_view text);

// Canonical spelling of a topic named case-insensitively; nullopt when it is none of the world's topics.
std::optional<std::string> CanonicalTopic(std::string_view topic);
bool IsPokeTopic(std::string_view canonicalTopic);

}  // namespace worldsim
