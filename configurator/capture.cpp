// capture.cpp: scanning the chat capture that FetchAllText wrote.
//
// The world client's chat lines, oldest first:
//   Ann: Configuration Test: SetFocus - off      spoken line: speaker, colon, text
//   Ann: 3 -- Configuration Test -- 14:05:09     a test line
//   ESP from Ann: Configuration Test!            an ESP received from Ann
// Lines are trimmed of spaces before they are looked at; every comparison is exact and case-sensitive.
// The capture may hold anything (NULs, 8-bit bytes, lines of any length): it is only ever viewed, never
// indexed past its end.
#include "configurator/capture.h"

#include "configurator/texts.h"

namespace config {

bool CaptureLines::Next(std::string_view& line) {
    if (rest_.empty()) {
        return false;
    }
    const size_t end = rest_.find('\r');
    if (end == std::string_view::npos) {
        line = rest_;
        rest_ = {};
        return true;
    }
    line = rest_.substr(0, end);
    size_t next = end + 1;
    if (next < rest_.size() && rest_[next] == '\n') {
        ++next;
    }
    rest_.remove_prefix(next);
    return true;
}

std::string_view TrimSpaces(std::string_view s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = s.find_last_not_of(' ');
    return s.substr(first, last - first + 1);
}

void ClearRecord(ConfiguratorFields& f) {
    for (int k = kFirstSlot; k <= kLastSlot; ++k) {
        f.SeqNumbers[k] = 0;
        f.TimeStamps[k].clear();
    }
    f.NextSlot = kFirstSlot;
}

namespace {

// A spoken line split at its first colon, both halves trimmed. False for a line without a colon.
bool SplitSpokenLine(std::string_view line, std::string_view& speaker, std::string_view& text) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    speaker = TrimSpaces(line.substr(0, colon));
    text = TrimSpaces(line.substr(colon + 1));
    return true;
}

}  // namespace

// Capture after a DDE test with focus control off (Bob's line counts like Ann's own):
//   Ann: Configuration Test: SetFocus - off
//   Ann: 1 -- Configuration Test -- 14:05:09     -> slot 1: 1, "14:05:09"
//   Bob: hello                                   -> skipped
//   Bob: 2 -- Configuration Test -- 14:05:10     -> slot 2: 2, "14:05:10"; OwnAvatarName "Bob"
// The first marker in the capture wins, even one left from an earlier run.
void RecordTestLines(std::string_view capture, std::string_view marker, ConfiguratorFields& f) {
    CaptureLines lines(capture);
    std::string_view line, speaker, text;
    bool found = false;
    while (!found && lines.Next(line)) {
        found = SplitSpokenLine(TrimSpaces(line), speaker, text) && text == marker;
    }
    if (!found) {
        return;
    }
    while (f.NextSlot <= kLastSlot && lines.Next(line)) {
        if (!SplitSpokenLine(TrimSpaces(line), speaker, text) || text.find(kTestLineTag) == std::string_view::npos) {
            continue;
        }
        // The text holds the tag, so it is longer than the eight characters of the time.
        f.OwnAvatarName = std::string(speaker);
        const char first = text.front();
        f.SeqNumbers[f.NextSlot] = (first >= '0' && first <= '9') ? static_cast<int16_t>(first - '0') : 0;
        f.TimeStamps[f.NextSlot] = std::string(text.substr(text.size() - 8));
        ++f.NextSlot;
    }
}

// "ESP from" must be the first eight characters of the trimmed line; the rest up to its first colon is
// the sender, the rest after it the message, both trimmed. A line without a colon proves nothing.
// An empty own name means no ESP was sent (EspText sends nothing without a target), so a line such as
// "ESP from : Configuration Test!" must not count as its return.
bool FindEspReply(std::string_view capture, std::string_view ownAvatarName) {
    if (ownAvatarName.empty()) {
        return false;
    }
    constexpr std::string_view kEspPrefix = "ESP from";
    CaptureLines lines(capture);
    std::string_view line, sender, message;
    while (lines.Next(line)) {
        line = TrimSpaces(line);
        if (line.substr(0, kEspPrefix.size()) != kEspPrefix) {
            continue;
        }
        if (SplitSpokenLine(TrimSpaces(line.substr(kEspPrefix.size())), sender, message) && sender == ownAvatarName &&
            message == kEspTestText) {
            return true;
        }
    }
    return false;
}

}  // namespace config
