// world.cpp: the rules of the stand-in world client (see world.h).
#include "worldsim/world.h"

#include "worldsim/protocol.h"
#include "worldsim/records.h"
#include "worldsim/transcript.h"

#include <algorithm>

namespace worldsim {
namespace {

constexpr std::string_view kPokeTopics[] = {kTopicRegister, kTopicUnregister, kTopicCommunicate, kTopicSend};

// True when the fault takes this line; counts it down and retires the fault after its last line.
bool Consume(LineFault& fault, std::string_view text) {
    if (!fault.active || text.find(fault.match) == std::string_view::npos)
        return false;
    if (fault.remaining > 0 && --fault.remaining == 0)
        fault.active = false;
    return true;
}

void Append(Effects& to, Effects&& from) {
    to.transcript.insert(to.transcript.end(), std::make_move_iterator(from.transcript.begin()),
                         std::make_move_iterator(from.transcript.end()));
    to.pokes.insert(to.pokes.end(), std::make_move_iterator(from.pokes.begin()),
                    std::make_move_iterator(from.pokes.end()));
    to.quit = to.quit || from.quit;
    to.die = to.die || from.die;
}

constexpr std::string_view kAllTopics[] = {kTopicRegister, kTopicUnregister, kTopicCommunicate, kTopicSend,
                                           kTopicGetAllText};

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const auto& item : items)
        out += (out.empty() ? "" : ", ") + item;
    return out.empty() ? "-" : out;
}

}  // namespace

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

std::string World::ChatText() const {
    std::string text;
    for (const auto& line : chat_)
        text += line + "\r\n";
    return text;
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

// A new chat line fires the triggers whose substring it holds. Commands run by a trigger are one level
// deeper than the line; beyond kMaxTriggerDepth they are refused (CTRL error), which ends loops such as
// when|x|say|Ann|x. A once-trigger refused that way stays armed.
void World::AddLine(std::string line, int depth, Effects& fx) {
    chat_.push_back(line);
    fx.transcript.push_back(FormatChat(line));
    const bool tooDeep = depth + 1 > kMaxTriggerDepth;
    std::vector<std::string> fire;
    for (auto it = triggers_.begin(); it != triggers_.end();) {
        if (line.find(it->substring) == std::string::npos) {
            ++it;
        } else if (tooDeep) {
            fx.transcript.push_back(FormatCtrl(false, it->command));
            ++it;
        } else {
            fire.push_back(it->command);
            it = it->once ? triggers_.erase(it) : it + 1;
        }
    }
    for (const auto& command : fire)
        RunAt(command, depth + 1, fx, nullptr);
}

void World::AddCommunicated(const std::string& text, std::string line, Effects& fx) {
    if (Consume(faults_.drop, text))
        return;
    const int copies = Consume(faults_.dup, text) ? 2 : 1;
    for (int i = 0; i < copies; ++i)
        AddLine(line, 0, fx);
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

// Record faults (14, 11, 12) come first, then the state of the own avatar (17, 13) and of the target (1).
void World::PokeCommunicate(std::string_view block, Effects& fx) {
    const std::string topic(kTopicCommunicate);
    const auto parsed = ParseCommunicate(block);
    const CommunicateRecord& r = parsed.record;
    int code = parsed.code;
    if (code == kAckOk && faults_.loggedOut)
        code = kAckNotLoggedIn;
    else if (code == kAckOk && r.mode != Mode::Esp && faults_.ghost)
        code = kAckGhost;
    else if (code == kAckOk && r.mode == Mode::Esp && r.target != own_ && !InRoom(r.target))
        code = kAckTargetNotLoggedOn;
    Ack(topic, block, code, fx);
    if (code != kAckOk)
        return;
    switch (r.mode) {
        case Mode::Speak:
            AddCommunicated(r.text, own_ + ": " + r.text, fx);
            break;
        case Mode::Think:
            AddCommunicated(r.text, own_ + " thinks: " + r.text, fx);
            break;
        case Mode::Esp:
            // An ESP to oneself comes back as a received one.
            AddCommunicated(r.text, (r.target == own_ ? "ESP from " : "ESP to ") + r.target + ": " + r.text, fx);
            break;
    }
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
