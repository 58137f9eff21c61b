// world_commands.cpp: the stand-in world's control commands (see world.h, command.h): one run now (Run), those
// scheduled by `after` once due (RunDue, NextDue), and what each command does (Execute): avatars, chat lines,
// blocks to poke to programs, triggers, marks, quitting and faults. It touches the room, the own avatar, the chat,
// the triggers and the scheduled commands; faults are set through world_faults.cpp.
#include "worldsim/world.h"

#include "worldsim/records.h"
#include "worldsim/transcript.h"
#include "worldsim/world_effects.h"

#include <algorithm>

namespace worldsim {

CommandResult World::Run(std::string_view command) {
    CommandResult out;
    out.accepted = RunAt(command, 0, out.effects, &out.error);
    return out;
}

Effects World::RunDue() {
    Effects fx;
    const std::uint64_t now = clock_();
    for (;;) {
        auto due = std::min_element(scheduled_.begin(), scheduled_.end(), [](const auto& a, const auto& b) {
            return a.due != b.due ? a.due < b.due : a.seq < b.seq;
        });
        if (due == scheduled_.end() || due->due > now)
            break;
        Scheduled item = std::move(*due);
        scheduled_.erase(due);
        RunAt(item.command, item.depth, fx, nullptr);
    }
    return fx;
}

std::optional<std::uint64_t> World::NextDue() const {
    std::optional<std::uint64_t> next;
    for (const auto& item : scheduled_)
        if (!next || item.due < *next)
            next = item.due;
    return next;
}

// Writes the CTRL line before the command's own effects, so that the transcript reads in causal order.
bool World::RunAt(std::string_view text, int depth, Effects& fx, std::string* error) {
    CommandParse parse = ParseCommand(text);
    std::string why = parse.error;
    Effects own;
    if (parse.command)
        why = Execute(*parse.command, depth, own);
    fx.transcript.push_back(FormatCtrl(why.empty(), text));
    if (!why.empty()) {
        if (error)
            *error = why;
        return false;
    }
    Append(fx, std::move(own));
    return true;
}

// Checks first, then changes the world: a refused command leaves no trace but its CTRL line.
std::string World::Execute(const Command& c, int depth, Effects& fx) {
    switch (c.kind) {
        case CommandKind::Me:
            if (InRoom(c.name))
                return c.name + " is an avatar in the room";
            own_ = c.name;
            return {};
        case CommandKind::Avatar:
            if (c.name == own_ || InRoom(c.name))
                return c.name + " is already there";
            room_.push_back(c.name);
            return {};
        case CommandKind::Leave: {
            auto it = std::find(room_.begin(), room_.end(), c.name);
            if (it == room_.end())
                return c.name + " is not in the room";
            room_.erase(it);
            return {};
        }
        case CommandKind::Say:
            AddLine(c.name + ": " + c.text, depth, fx);
            return {};
        case CommandKind::Think:
            AddLine(c.name + " thinks: " + c.text, depth, fx);
            return {};
        case CommandKind::Esp:
            if (c.name != own_ && !InRoom(c.name))
                return c.name + " is not in the room";
            AddLine("ESP from " + c.name + ": " + c.text, depth, fx);
            return {};
        case CommandKind::EspAll: {
            const auto room = room_;  // triggers may change the room meanwhile
            for (const auto& avatar : room)
                AddLine("ESP from " + avatar + ": " + c.text, depth, fx);
            return {};
        }
        case CommandKind::Send: {
            if (c.name != own_ && !InRoom(c.name))
                return c.name + " is not in the room";
            if (!IsRegistered(c.program))
                return c.program + " is not registered";
            std::string block = ReceiveBlock(c.name, c.text);
            fx.pokes.push_back({OutgoingPoke::Kind::Receive, c.program, block, block, 0, {}});
            return {};
        }
        case CommandKind::Poke:
            for (int i = 0; i < c.count; ++i)
                fx.pokes.push_back({OutgoingPoke::Kind::Raw, c.program, c.text, c.text, 0, c.peerTopic});
            return {};
        case CommandKind::PokeFill: {
            std::string block = c.text;
            block.resize(static_cast<size_t>(c.count), 'x');
            fx.pokes.push_back({OutgoingPoke::Kind::Raw, c.program, block, {}, 0, c.peerTopic});
            return {};
        }
        case CommandKind::Peer:
            fx.pokes.push_back({OutgoingPoke::Kind::Peer, c.program, {}, {}, 0, c.peerTopic});
            return {};
        case CommandKind::After:
            scheduled_.push_back({clock_() + static_cast<std::uint64_t>(c.delayMs), nextId_++, c.inner, depth});
            return {};
        case CommandKind::When:
        case CommandKind::Once:
            triggers_.push_back({nextId_++, c.text, c.inner, c.kind == CommandKind::Once});
            return {};
        case CommandKind::Clear:
            chat_.clear();
            ++chatGeneration_;
            return {};
        case CommandKind::Mark:
            fx.transcript.push_back(FormatMark(c.text));
            return {};
        case CommandKind::Quit:
            fx.quit = true;
            return {};
        case CommandKind::Fault:
            SetFault(c);
            return {};
    }
    return "unhandled command";
}

}  // namespace worldsim
