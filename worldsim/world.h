// world.h: the stand-in world client's rules: avatars, registered programs, the chat, faults and triggers.
//
// Every entry point returns the effects for the Win32 shell to carry out (transcript lines to write, blocks
// to poke to programs, quitting); the model itself never touches the platform. World's members are defined in
// world.cpp (conversations, pokes, registration, the request), world_chat.cpp (the chat, communicated lines,
// triggers firing), world_commands.cpp (the control commands) and world_faults.cpp (faults, the status line).
#pragma once

#include "worldsim/command.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace worldsim {

inline constexpr size_t kMaxRegistered = 16;
inline constexpr int kMaxTriggerDepth = 8;

// What the world does to another program's DDE service: acknowledge, forward received data, poke any block
// on any topic (Raw, the poke and pokefill commands), or only connect and hang up (Peer).
struct OutgoingPoke {
    enum class Kind { Ack, Receive, Raw, Peer };
    Kind kind = Kind::Ack;
    std::string service;  // the program's registered name (Raw, Peer: any name; Peer: empty = any service)
    std::string block;    // exactly the bytes to poke (AckBlock / ReceiveBlock)
    std::string text;     // the code text of an ack, the block of a receive: what the transcript shows
    int delayMs = 0;
    std::string topic;  // Raw, Peer: the topic (Peer: empty = any topic); Ack and Receive have their own
};

struct Effects {
    std::vector<std::string> transcript;  // formatted lines, without "\n"
    std::vector<OutgoingPoke> pokes;
    bool quit = false;
    bool die = false;  // end the process at once, before answering the transaction in hand
};

struct ConnectResult {
    bool accepted = false;
    Effects effects;
};

struct PokeResult {
    bool handled = false;  // false: not a poke topic of the world
    Effects effects;
};

struct RequestResult {
    std::optional<std::string> reply;  // the chat text (without the NUL), or nothing
    Effects effects;
};

struct CommandResult {
    bool accepted = false;
    std::string error;
    Effects effects;
};

// Lines produced by communicate requests that are dropped or doubled.
struct LineFault {
    bool active = false;
    std::string match;  // empty: any text
    int remaining = 0;  // 0: no limit
};

struct Faults {
    bool noText = false;
    std::set<std::string> refused;               // canonical topics
    std::map<std::string, std::string> ackCode;  // canonical poke topic -> code text
    int ackDelayMs = 0;
    bool noAck = false;
    LineFault drop;
    LineFault dup;
    int lagMs = 0;
    bool ghost = false;
    bool loggedOut = false;
    // The world ends abruptly when the `remaining`-th transaction on `topic` (or on any, "all") comes in.
    struct {
        bool active = false;
        std::string topic;
        int remaining = 0;
    } die;
    std::set<std::string> rejected;     // canonical topics: conversation accepted, transactions refused
    std::map<std::string, int> slowMs;  // canonical topic -> every transaction taken this late
    std::set<std::string> held;         // canonical topics: transactions taken but never answered
};

class World {
public:
    using Clock = std::function<std::uint64_t()>;  // monotonic milliseconds

    World(std::string ownAvatar, Clock clock);

    ConnectResult Connect(std::string_view topic);
    PokeResult Poke(std::string_view topic, std::string_view item, std::string_view block, bool foreground);
    RequestResult Request(std::string_view topic, std::string_view item, bool foreground);
    int LagMs(std::string_view topic, bool foreground) const;
    // Whether a transaction on the topic is to be held unanswered (the hold fault); its HOLD line is in `fx`.
    bool Holds(std::string_view topic, Effects& fx) const;

    CommandResult Run(std::string_view command);
    Effects RunDue();
    std::optional<std::uint64_t> NextDue() const;

    const std::string& OwnAvatar() const { return own_; }
    const std::vector<std::string>& Room() const { return room_; }
    const std::vector<std::string>& Registered() const { return registered_; }
    const std::vector<std::string>& Chat() const { return chat_; }
    std::uint64_t ChatGeneration() const { return chatGeneration_; }  // changes when the chat is emptied
    const Faults& ActiveFaults() const { return faults_; }
    std::string ChatText() const;
    std::string StatusText() const;

private:
    struct Trigger {
        std::uint64_t id;
        std::string substring;
        std::string command;
        bool once;
    };
    struct Scheduled {
        std::uint64_t due;
        std::uint64_t seq;
        std::string command;
        int depth;
    };

    bool RunAt(std::string_view text, int depth, Effects& fx, std::string* error);
    std::string Execute(const Command& c, int depth, Effects& fx);
    void SetFault(const Command& c);
    void AddLine(std::string line, int depth, Effects& fx);
    void AddCommunicated(const std::string& text, std::string line, Effects& fx);
    void Ack(const std::string& topic, std::string_view block, int code, Effects& fx);
    void PokeRegister(std::string_view block, Effects& fx);
    void PokeUnregister(std::string_view block, Effects& fx);
    void PokeCommunicate(std::string_view block, Effects& fx);
    void PokeSend(std::string_view block, Effects& fx);
    bool InRoom(std::string_view name) const;
    bool IsRegistered(std::string_view name) const;
    bool DiesAt(const std::string& canonicalTopic, Effects& fx);

    std::string own_;
    Clock clock_;
    std::vector<std::string> room_;
    std::vector<std::string> registered_;
    std::vector<std::string> chat_;
    std::uint64_t chatGeneration_ = 0;
    Faults faults_;
    std::vector<Trigger> triggers_;
    std::vector<Scheduled> scheduled_;
    std::uint64_t nextId_ = 1;
};

}  // namespace worldsim
