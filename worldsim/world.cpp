// world.cpp: the stand-in world client as programs meet it over DDE (see world.h): a conversation accepted or
// refused (Connect), a poke on one of the four poke topics (Poke) and the register, unregister and send records
// with their acknowledgements, the getalltext request (Request), and who is in the room or registered. It touches
// the registered programs and reads the room and the faults; the chat and what a communicate record says are in
// world_chat.cpp, the control commands in world_commands.cpp, the faults and the status line in world_faults.cpp.
#include "worldsim/world.h"

#include "worldsim/protocol.h"
#include "worldsim/records.h"
#include "worldsim/transcript.h"
#include "worldsim/world_effects.h"

#include <algorithm>

namespace worldsim {

World::World(std::string ownAvatar, Clock clock) : own_(std::move(ownAvatar)), clock_(std::move(clock)) {}

// Conversations are accepted on the five world topics unless a refuse fault covers the topic.
ConnectResult World::Connect(std::string_view topic) {
    ConnectResult out;
    const auto canonical = CanonicalTopic(topic);
    out.accepted = canonical && !faults_.refused.count(*canonical);
    out.effects.transcript.push_back(FormatConnect(topic, out.accepted));
    return out;
}

PokeResult World::Poke(std::string_view topic, std::string_view item, std::string_view block, bool foreground) {
    PokeResult out;
    out.effects.transcript.push_back(FormatRecv(topic, item, foreground, block));
    const auto canonical = CanonicalTopic(topic);
    if (!canonical || DiesAt(*canonical, out.effects) || !IsPokeTopic(*canonical))
        return out;
    if (faults_.rejected.count(*canonical)) {
        out.effects.transcript.push_back(FormatReject(*canonical));
        return out;
    }
    out.handled = true;
    if (*canonical == kTopicRegister)
        PokeRegister(block, out.effects);
    else if (*canonical == kTopicUnregister)
        PokeUnregister(block, out.effects);
    else if (*canonical == kTopicCommunicate)
        PokeCommunicate(block, out.effects);
    else
        PokeSend(block, out.effects);
    return out;
}

// The whole chat, oldest line first, every line ended by CR LF; nothing at all under the notext fault.
RequestResult World::Request(std::string_view topic, std::string_view item, bool foreground) {
    RequestResult out;
    const auto canonical = CanonicalTopic(topic);
    Effects early;
    if (canonical && DiesAt(*canonical, early)) {
        out.effects.transcript.push_back(FormatReq(topic, item, foreground, std::nullopt));
        Append(out.effects, std::move(early));
        return out;
    }
    const bool rejected = canonical && faults_.rejected.count(*canonical);
    if (canonical == std::optional<std::string>(kTopicGetAllText) && !faults_.noText && !rejected)
        out.reply = ChatText();
    out.effects.transcript.push_back(FormatReq(topic, item, foreground, out.reply));
    if (rejected)
        out.effects.transcript.push_back(FormatReject(*canonical));
    return out;
}

// The acknowledgement goes to the service named by the record's first field, whether or not that name
// was registered: a program with its own plain DDE link registers nothing, and its ack is then undeliverable.
void World::Ack(const std::string& topic, std::string_view block, int code, Effects& fx) {
    if (faults_.noAck)
        return;
    auto fixed = faults_.ackCode.find(topic);
    std::string text = fixed != faults_.ackCode.end() ? fixed->second : std::to_string(code);
    fx.pokes.push_back({OutgoingPoke::Kind::Ack, CallerName(block), AckBlock(text), text, faults_.ackDelayMs, {}});
}

void World::PokeRegister(std::string_view block, Effects& fx) {
    const auto name = ParseNameRecord(block);
    int code = name.code;
    if (code == kAckOk && IsRegistered(name.record))
        code = kAckAlreadyRegistered;
    else if (code == kAckOk && registered_.size() >= kMaxRegistered)
        code = kAckTooManyNames;
    if (code == kAckOk)
        registered_.push_back(name.record);
    Ack(std::string(kTopicRegister), block, code, fx);
}

void World::PokeUnregister(std::string_view block, Effects& fx) {
    const auto name = ParseNameRecord(block);
    int code = name.code;
    auto it = std::find(registered_.begin(), registered_.end(), name.record);
    if (code == kAckOk && it == registered_.end())
        code = kAckNotRegistered;
    if (code == kAckOk)
        registered_.erase(it);
    Ack(std::string(kTopicUnregister), block, code, fx);
}

// Data sent to the own avatar reaches every other registered program; data for another avatar in the room
// leaves the machine, which the transcript notes.
void World::PokeSend(std::string_view block, Effects& fx) {
    const auto parsed = ParseSend(block);
    const SendRecord& r = parsed.record;
    int code = parsed.code;
    if (code == kAckOk && r.target != own_ && !InRoom(r.target))
        code = kAckTargetNotLoggedOn;
    Ack(std::string(kTopicSend), block, code, fx);
    if (code != kAckOk)
        return;
    if (r.target != own_) {
        fx.transcript.push_back(FormatSent(r.target, r.data));
        return;
    }
    const std::string receive = ReceiveBlock(own_, r.data);
    for (const auto& program : registered_)
        if (program != r.name)
            fx.pokes.push_back({OutgoingPoke::Kind::Receive, program, receive, receive, 0, {}});
}

bool World::InRoom(std::string_view name) const {
    return std::find(room_.begin(), room_.end(), name) != room_.end();
}

bool World::IsRegistered(std::string_view name) const {
    return std::find(registered_.begin(), registered_.end(), name) != registered_.end();
}

}  // namespace worldsim
