// Fuzz target: scanning a chat capture for the test lines after a start marker, and for the returned ESP.
// Input: one byte picks the marker, then the own avatar name (a length byte and the bytes), then the capture.
// Invariants, each checked with abort():
//   - scanning is deterministic, and the slots it fills are well formed: NextSlot 1 to 10, the filled slots hold
//     a digit value 0 to 9 and an 8-character stamp taken from the capture, the others stay empty; slots 0 and 10
//     and (when nothing is recorded) OwnAvatarName are never touched;
//   - a capture without the marker's text records nothing;
//   - only lines after the first marker line count: test lines and ESPs put before the capture change nothing;
//   - the ESP check is deterministic, never true for an empty name, stays true with older chat before it, and is
//     always true once the reply line is appended for a name a chat line can carry;
//   - judging the scanned record gives one of the defined verdicts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "configurator/capture.h"
#include "configurator/judging.h"
#include "configurator/texts.h"

namespace {

using config::ConfiguratorFields;

void Check(bool ok) {
    if (!ok)
        std::abort();
}

ConfiguratorFields Sentinels() {
    ConfiguratorFields f;
    f.SeqNumbers[0] = 77;
    f.SeqNumbers[10] = 88;
    f.TimeStamps[0] = "slot 0";
    f.TimeStamps[10] = "slot 10";
    f.OwnAvatarName = "<before>";
    return f;
}

ConfiguratorFields Scan(std::string_view capture, std::string_view marker) {
    ConfiguratorFields f = Sentinels();
    config::ClearRecord(f);
    config::RecordTestLines(capture, marker, f);
    return f;
}

bool SameRecord(const ConfiguratorFields& a, const ConfiguratorFields& b) {
    return a.SeqNumbers == b.SeqNumbers && a.TimeStamps == b.TimeStamps && a.NextSlot == b.NextSlot &&
           a.OwnAvatarName == b.OwnAvatarName;
}

void CheckWellFormed(const ConfiguratorFields& f, std::string_view capture) {
    const ConfiguratorFields s = Sentinels();
    Check(f.SeqNumbers[0] == s.SeqNumbers[0] && f.SeqNumbers[10] == s.SeqNumbers[10]);
    Check(f.TimeStamps[0] == s.TimeStamps[0] && f.TimeStamps[10] == s.TimeStamps[10]);
    Check(f.NextSlot >= 1 && f.NextSlot <= 10);
    for (int k = 1; k <= 9; ++k) {
        if (k < f.NextSlot) {
            Check(f.SeqNumbers[k] >= 0 && f.SeqNumbers[k] <= 9);
            Check(f.TimeStamps[k].size() == 8 && capture.find(f.TimeStamps[k]) != std::string_view::npos);
        } else {
            Check(f.SeqNumbers[k] == 0 && f.TimeStamps[k].empty());
        }
    }
    if (f.NextSlot == 1) {
        Check(f.OwnAvatarName == s.OwnAvatarName);
    } else {
        const std::string& name = f.OwnAvatarName;
        Check(name.find(':') == std::string::npos && name.find('\r') == std::string::npos);
        Check(name.empty() || (name.front() != ' ' && name.back() != ' '));
        Check(capture.find(name) != std::string_view::npos);
    }
}

// A name that a line "ESP from <name>: text" gives back unchanged.
bool CarriedByAChatLine(std::string_view name) {
    return !name.empty() && name.find(':') == std::string_view::npos && name.find('\r') == std::string_view::npos &&
           name.front() != ' ' && name.back() != ' ';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t pick = data[0];
    std::string marker;
    switch (pick % 4) {
        case 0:
            marker = config::DdeMarker(false);
            break;
        case 1:
            marker = config::DdeMarker(true);
            break;
        case 2:
            marker = config::DllMarker(static_cast<int16_t>(pick / 4 % 5));
            break;
        default:
            marker = config::DllMarker(static_cast<int16_t>(pick / 4 * 517 - 32768));
            break;
    }
    const size_t nameLength = std::min<size_t>(data[1], size - 2);
    const std::string name(reinterpret_cast<const char*>(data) + 2, nameLength);
    const std::string capture(reinterpret_cast<const char*>(data) + 2 + nameLength, size - 2 - nameLength);

    const ConfiguratorFields f = Scan(capture, marker);
    Check(SameRecord(f, Scan(capture, marker)));
    CheckWellFormed(f, capture);
    if (capture.find(marker) == std::string::npos)
        Check(f.NextSlot == 1);

    // Older chat before the capture: test lines of another speaker, an ESP reply, a line without a colon.
    std::string older = "Zed: 1 -- Configuration Test -- 11:11:11\r\nno colon here\r\n";
    if (name.find('\r') == std::string::npos)
        older += "ESP from " + name + ": Configuration Test!\r\n";
    Check(SameRecord(f, Scan(older + capture, marker)));

    const bool esp = config::FindEspReply(capture, name);
    Check(esp == config::FindEspReply(capture, name));
    Check(!config::FindEspReply(capture, ""));
    if (esp)
        Check(capture.find(config::kEspTestText) != std::string::npos && capture.find(name) != std::string::npos);
    if (esp)
        Check(config::FindEspReply(older + capture, name));
    if (CarriedByAChatLine(name))
        Check(config::FindEspReply(capture + "\r\nESP from " + name + ": Configuration Test!\r\n", name));

    ConfiguratorFields judged = f;
    switch (config::JudgeDdeRecord(judged)) {
        case config::DdeVerdict::SpeakingFailed:
        case config::DdeVerdict::MethodFailed:
        case config::DdeVerdict::Lag:
        case config::DdeVerdict::Passed:
            break;
        default:
            std::abort();
    }
    return 0;
}
