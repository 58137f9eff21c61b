// world_faults.cpp: the stand-in world's faults (see world.h's Faults): setting and clearing them (SetFault), the
// lag and slow faults' delays, the hold and die faults as a transaction comes in, and the status line, which
// is mostly the faults in force. It changes the faults only (the status line reads the rest of the world); what
// the refuse, reject, notext, ack and line faults do to a transaction is in world.cpp and world_chat.cpp.
#include "worldsim/world.h"

#include "worldsim/protocol.h"
#include "worldsim/transcript.h"

#include <algorithm>

namespace worldsim {
namespace {

constexpr std::string_view kPokeTopics[] = {kTopicRegister, kTopicUnregister, kTopicCommunicate, kTopicSend};

constexpr std::string_view kAllTopics[] = {kTopicRegister, kTopicUnregister, kTopicCommunicate, kTopicSend,
                                           kTopicGetAllText};

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items)
        out += (out.empty() ? "" : ", ") + item;
    return out.empty() ? "-" : out;
}

}  // namespace

// While a person has the world window in front, the world takes requests at once; the slow fault holds every
// transaction on its topic, in front or not.
int World::LagMs(std::string_view topic, bool foreground) const {
    const auto canonical = CanonicalTopic(topic);
    if (!canonical)
        return 0;
    const auto slow = faults_.slowMs.find(*canonical);
    const int slowMs = slow == faults_.slowMs.end() ? 0 : slow->second;
    const int lagMs = !foreground && *canonical == kTopicCommunicate ? faults_.lagMs : 0;
    return std::max(slowMs, lagMs);
}

bool World::Holds(std::string_view topic, Effects& fx) const {
    const auto canonical = CanonicalTopic(topic);
    if (!canonical || !faults_.held.count(*canonical))
        return false;
    fx.transcript.push_back(FormatHold(*canonical));
    return true;
}

// Counts the transaction against the die fault; true (with the DIE line) when this is the one to die at.
bool World::DiesAt(const std::string& canonicalTopic, Effects& fx) {
    auto& die = faults_.die;
    if (!die.active || (die.topic != "all" && die.topic != canonicalTopic) || --die.remaining > 0)
        return false;
    die.active = false;
    fx.transcript.push_back(FormatDie(canonicalTopic));
    fx.die = true;
    return true;
}

// e.g. "me Marla | room Ann, Bob | programs Tumbleroo | faults ghost, lag 300 ms | 1 trigger, 0 pending"
std::string World::StatusText() const {
    std::vector<std::string> faults;
    if (faults_.noText)
        faults.push_back("notext");
    for (const auto& topic : faults_.refused)
        faults.push_back("refuse " + topic);
    for (const auto& topic : faults_.rejected)
        faults.push_back("reject " + topic);
    for (const auto& [topic, ms] : faults_.slowMs)
        faults.push_back("slow " + topic + " " + std::to_string(ms) + " ms");
    for (const auto& topic : faults_.held)
        faults.push_back("hold " + topic);
    if (faults_.die.active)
        faults.push_back("die " + faults_.die.topic + " in " + std::to_string(faults_.die.remaining));
    for (const auto& [topic, code] : faults_.ackCode)
        faults.push_back("ackcode " + topic + "=\"" + code + "\"");
    if (faults_.ackDelayMs)
        faults.push_back("ackdelay " + std::to_string(faults_.ackDelayMs) + " ms");
    if (faults_.noAck)
        faults.push_back("noack");
    for (const auto* f : {&faults_.drop, &faults_.dup})
        if (f->active)
            faults.push_back((f == &faults_.drop ? "drop \"" : "dup \"") + f->match + "\" " +
                             (f->remaining ? std::to_string(f->remaining) : std::string("all")));
    if (faults_.lagMs)
        faults.push_back("lag " + std::to_string(faults_.lagMs) + " ms");
    if (faults_.ghost)
        faults.push_back("ghost");
    if (faults_.loggedOut)
        faults.push_back("loggedout");
    return "me " + own_ + " | room " + Join(room_) + " | programs " + Join(registered_) + " | faults " + Join(faults) +
           " | " + std::to_string(triggers_.size()) + " triggers, " + std::to_string(scheduled_.size()) + " pending";
}

void World::SetFault(const Command& c) {
    switch (c.fault) {
        case FaultKind::NoText:
            faults_.noText = c.on;
            break;
        case FaultKind::Refuse:
            if (c.topic != "all")
                c.on ? void(faults_.refused.insert(c.topic)) : void(faults_.refused.erase(c.topic));
            else if (c.on)
                for (auto topic : kAllTopics)
                    faults_.refused.insert(std::string(topic));
            else
                faults_.refused.clear();
            break;
        case FaultKind::AckCode:
            for (std::string_view topic : kPokeTopics) {
                if (c.topic != "all" && c.topic != topic)
                    continue;
                if (c.on)
                    faults_.ackCode[std::string(topic)] = c.code;
                else
                    faults_.ackCode.erase(std::string(topic));
            }
            break;
        case FaultKind::AckDelay:
            faults_.ackDelayMs = c.number;
            break;
        case FaultKind::NoAck:
            faults_.noAck = c.on;
            break;
        case FaultKind::Drop:
        case FaultKind::Dup:
            (c.fault == FaultKind::Drop ? faults_.drop : faults_.dup) =
                c.on ? LineFault{true, c.text, c.number} : LineFault{};
            break;
        case FaultKind::Lag:
            faults_.lagMs = c.number;
            break;
        case FaultKind::Ghost:
            faults_.ghost = c.on;
            break;
        case FaultKind::LoggedOut:
            faults_.loggedOut = c.on;
            break;
        case FaultKind::Clear:
            faults_ = Faults{};
            break;
        case FaultKind::Die:
            faults_.die.active = c.on;
            faults_.die.topic = c.topic;
            faults_.die.remaining = c.number;
            break;
        case FaultKind::Reject:
        case FaultKind::Slow:
        case FaultKind::Hold:
            for (std::string_view topic : kAllTopics) {
                if (c.topic != "all" && c.topic != topic)
                    continue;
                if (c.fault == FaultKind::Reject || c.fault == FaultKind::Hold) {
                    auto& topics = c.fault == FaultKind::Reject ? faults_.rejected : faults_.held;
                    c.on ? void(topics.insert(std::string(topic))) : void(topics.erase(std::string(topic)));
                }
                else if (c.on)
                    faults_.slowMs[std::string(topic)] = c.number;
                else
                    faults_.slowMs.erase(std::string(topic));
            }
            break;
    }
}

}  // namespace worldsim
