// world_chat.cpp: the stand-in world's chat (see world.h): the whole text a request gets, a communicate record
// spoken, thought or sent by ESP as the own avatar, the drop and dup faults taking such lines, and a new line
// firing the triggers whose substring it holds. It touches the chat, the triggers and the drop and dup faults'
// counts; the commands a trigger runs go through world_commands.cpp.
#include "worldsim/world.h"

#include "worldsim/protocol.h"
#include "worldsim/records.h"
#include "worldsim/transcript.h"

#include <string>

namespace worldsim {
namespace {

// True when the fault takes this line; counts it down and retires the fault after its last line.
bool Consume(LineFault& fault, std::string_view text) {
    if (!fault.active || text.find(fault.match) == std::string_view::npos)
        return false;
    if (fault.remaining > 0 && --fault.remaining == 0)
        fault.active = false;
    return true;
}

}  // namespace

std::string World::ChatText() const {
    std::string text;
    for (const auto& line : chat_)
        text += line + "\r\n";
    return text;
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

}  // namespace worldsim
