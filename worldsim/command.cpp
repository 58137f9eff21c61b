// command.cpp: parsing control commands.
//
// Fields are separated by '|'. Every name and text field is unescaped with common::UnescapeBytes, so a field
// can carry "\x7c" for '|', "\x0c" for a form feed and "\\" for a backslash; plain text needs nothing. The
// last field of after/when/once is itself a command and is taken whole, '|' included.
//
//   me|NAME              avatar|NAME            leave|NAME
//   say|NAME|TEXT        think|NAME|TEXT        esp|NAME|TEXT        espall|TEXT
//   send|AVATAR|PROGRAM|DATA
//   after|SECONDS|CMD    when|SUBSTRING|CMD     once|SUBSTRING|CMD
//   clear                mark|TEXT              quit
//   fault|notext|on|off            fault|refuse|TOPIC|on|off      fault|ackcode|TOPIC|CODETEXT|off
//   fault|ackdelay|MS              fault|noack|on|off             fault|drop|MATCH|COUNT   fault|drop|off
//   fault|dup|MATCH|COUNT          fault|dup|off                  fault|lag|MS
//   fault|ghost|on|off             fault|loggedout|on|off         fault|clear
//   fault|die|TOPIC|N              fault|die|off                  fault|reject|TOPIC|on|off
//   fault|slow|TOPIC|MS            fault|hold|TOPIC|on|off
//   poke|SERVICE|DDETOPIC|COUNT|BLOCK      pokefill|SERVICE|DDETOPIC|SIZE|HEAD      peer|SERVICE|DDETOPIC
// TOPIC is a full topic name of the world (any letter case) or "all"; ackcode takes the four poke topics only.
// SERVICE and DDETOPIC name a conversation the world opens as a peer, any names (peer: empty = any).
#include "worldsim/command.h"

#include "common/escape.h"
#include "worldsim/protocol.h"

#include <algorithm>
#include <cmath>

namespace worldsim {
namespace {

constexpr int kMaxMs = 24 * 60 * 60 * 1000;
constexpr std::string_view kTopics[] = {kTopicRegister, kTopicUnregister, kTopicCommunicate, kTopicSend,
                                        kTopicGetAllText};

std::vector<std::string_view> Split(std::string_view line, size_t maxFields) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (fields.size() + 1 < maxFields) {
        const size_t bar = line.find('|', start);
        if (bar == std::string_view::npos)
            break;
        fields.push_back(line.substr(start, bar - start));
        start = bar + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::optional<int> ParseCount(std::string_view text) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) {
            return c >= '0' && c <= '9';
        }))
        return std::nullopt;
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

// Builds a Command field by field; the first failure sticks and becomes the error.
CommandParse ParseNested(std::string_view line, int nesting);

// Commands inside after/when/once may nest, but not without end: a line sent by another program must not
// be able to exhaust the stack.
constexpr int kMaxNesting = 16;

class Reader {
public:
    Reader(std::vector<std::string_view> fields, int nesting) : fields_(std::move(fields)), nesting_(nesting) {}

    bool Count(size_t n) {
        if (fields_.size() != n)
            Fail("expected " + std::to_string(n) + " fields, got " + std::to_string(fields_.size()));
        return ok();
    }
    std::string Text(size_t i) {
        if (!ok())
            return {};
        auto text = common::UnescapeBytes(fields_[i]);
        if (!text)
            Fail("bad escape in field " + std::to_string(i + 1));
        return text.value_or("");
    }
    // Avatar and program names end up inside records and chat lines: no separators, no line breaks.
    std::string Name(size_t i) {
        std::string name = Text(i);
        if (ok() && (name.empty() || name.find_first_of(std::string_view("\x0c\r\n\0", 4)) != std::string::npos))
            Fail("bad name in field " + std::to_string(i + 1));
        return name;
    }
    // A DDE service or topic name the world connects to: no NUL, no line breaks, at most 255 bytes (the
    // longest string handle). Empty only where a wildcard is meant.
    std::string DdeName(size_t i, bool emptyMeansAny) {
        std::string name = Text(i);
        if (ok() && ((name.empty() && !emptyMeansAny) || name.size() > 255 ||
                     name.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos))
            Fail("bad DDE name in field " + std::to_string(i + 1));
        return name;
    }
    // A whole number within [low, high].
    int Bounded(size_t i, int low, int high) {
        const int n = Number(i);
        if (ok() && (n < low || n > high))
            Fail("field " + std::to_string(i + 1) + " must lie between " + std::to_string(low) + " and " +
                 std::to_string(high));
        return n;
    }
    bool OnOff(size_t i) {
        if (ok() && fields_[i] != "on" && fields_[i] != "off")
            Fail("expected on or off");
        return ok() && fields_[i] == "on";
    }
    int Number(size_t i) {
        std::optional<int> n = ok() ? ParseCount(fields_[i]) : std::optional<int>(0);
        if (!n)
            Fail("expected a whole number, not \"" + std::string(fields_[i]) + "\"");
        return n.value_or(0);
    }
    std::string Topic(size_t i, bool pokesOnly) {
        if (!ok())
            return {};
        if (fields_[i] == "all")
            return "all";
        auto topic = CanonicalTopic(fields_[i]);
        if (!topic || (pokesOnly && !IsPokeTopic(*topic)))
            Fail("unknown topic \"" + std::string(fields_[i]) + "\"");
        return topic.value_or("");
    }
    // The command carried by after/when/once must itself be a good command.
    std::string Inner(size_t i) {
        if (!ok())
            return {};
        if (nesting_ >= kMaxNesting) {
            Fail("commands nested too deep");
            return {};
        }
        CommandParse inner = ParseNested(fields_[i], nesting_ + 1);
        if (!inner.command)
            Fail("inner command: " + inner.error);
        return std::string(fields_[i]);
    }
    void Fail(std::string why) {
        if (error_.empty())
            error_ = std::move(why);
    }
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    std::string_view Field(size_t i) const { return i < fields_.size() ? fields_[i] : std::string_view(); }
    size_t size() const { return fields_.size(); }

private:
    std::vector<std::string_view> fields_;
    int nesting_;
    std::string error_;
};

void ParseFault(Reader& r, Command& c) {
    const std::string_view what = r.Field(1);
    if (what == "clear") {
        c.fault = FaultKind::Clear;
        r.Count(2);
    } else if (what == "notext" || what == "noack" || what == "ghost" || what == "loggedout") {
        c.fault = what == "notext" ? FaultKind::NoText
                  : what == "noack" ? FaultKind::NoAck
                  : what == "ghost" ? FaultKind::Ghost
                                    : FaultKind::LoggedOut;
        if (r.Count(3))
            c.on = r.OnOff(2);
    } else if (what == "refuse") {
        c.fault = FaultKind::Refuse;
        if (r.Count(4)) {
            c.topic = r.Topic(2, false);
            c.on = r.OnOff(3);
        }
    } else if (what == "ackcode") {
        c.fault = FaultKind::AckCode;
        if (r.Count(4)) {
            c.topic = r.Topic(2, true);
            c.on = r.Field(3) != "off";
            if (c.on)
                c.code = r.Text(3);
        }
    } else if (what == "ackdelay" || what == "lag") {
        c.fault = what == "lag" ? FaultKind::Lag : FaultKind::AckDelay;
        if (r.Count(3)) {
            c.number = r.Number(2);
            if (r.ok() && c.number > kMaxMs)
                r.Fail("more than a day");
        }
    } else if (what == "drop" || what == "dup") {
        c.fault = what == "drop" ? FaultKind::Drop : FaultKind::Dup;
        if (r.size() == 3 && r.Field(2) == "off") {
            c.on = false;
        } else if (r.Count(4)) {
            c.on = true;
            c.text = r.Text(2);
            c.number = r.Number(3);
        }
    } else if (what == "die") {
        c.fault = FaultKind::Die;
        if (r.size() == 3 && r.Field(2) == "off") {
            c.on = false;
        } else if (r.Count(4)) {
            c.on = true;
            c.topic = r.Topic(2, false);
            c.number = r.Bounded(3, 1, 1000000);
        }
    } else if (what == "reject" || what == "hold") {
        c.fault = what == "reject" ? FaultKind::Reject : FaultKind::Hold;
        if (r.Count(4)) {
            c.topic = r.Topic(2, false);
            c.on = r.OnOff(3);
        }
    } else if (what == "slow") {
        c.fault = FaultKind::Slow;
        if (r.Count(4)) {
            c.topic = r.Topic(2, false);
            c.number = r.Bounded(3, 0, 60000);
            c.on = c.number > 0;
        }
    } else {
        r.Fail("unknown fault \"" + std::string(what) + "\"");
    }
}

CommandParse ParseNested(std::string_view line, int nesting) {
    const size_t bar = line.find('|');
    const std::string_view keyword = line.substr(0, bar);
    const bool carriesCommand = keyword == "after" || keyword == "when" || keyword == "once";
    Reader r(Split(line, carriesCommand ? 3 : std::string_view::npos), nesting);
    Command c;
    if (keyword == "me" || keyword == "avatar" || keyword == "leave") {
        c.kind = keyword == "me" ? CommandKind::Me : keyword == "avatar" ? CommandKind::Avatar : CommandKind::Leave;
        if (r.Count(2))
            c.name = r.Name(1);
    } else if (keyword == "say" || keyword == "think" || keyword == "esp") {
        c.kind = keyword == "say" ? CommandKind::Say : keyword == "think" ? CommandKind::Think : CommandKind::Esp;
        if (r.Count(3)) {
            c.name = r.Name(1);
            c.text = r.Text(2);
        }
    } else if (keyword == "espall" || keyword == "mark") {
        c.kind = keyword == "espall" ? CommandKind::EspAll : CommandKind::Mark;
        if (r.Count(2))
            c.text = r.Text(1);
    } else if (keyword == "send") {
        c.kind = CommandKind::Send;
        if (r.Count(4)) {
            c.name = r.Name(1);
            c.program = r.Name(2);
            c.text = r.Text(3);
        }
    } else if (keyword == "after") {
        c.kind = CommandKind::After;
        if (r.Count(3)) {
            const auto ms = ParseSeconds(r.Field(1));
            if (!ms)
                r.Fail("bad number of seconds \"" + std::string(r.Field(1)) + "\"");
            c.delayMs = ms.value_or(0);
            c.inner = r.Inner(2);
        }
    } else if (keyword == "when" || keyword == "once") {
        c.kind = keyword == "when" ? CommandKind::When : CommandKind::Once;
        if (r.Count(3)) {
            c.text = r.Text(1);
            c.inner = r.Inner(2);
        }
    } else if (keyword == "clear" || keyword == "quit") {
        c.kind = keyword == "clear" ? CommandKind::Clear : CommandKind::Quit;
        r.Count(1);
    } else if (keyword == "poke" || keyword == "pokefill") {
        c.kind = keyword == "poke" ? CommandKind::Poke : CommandKind::PokeFill;
        if (r.Count(5)) {
            c.program = r.DdeName(1, false);
            c.peerTopic = r.DdeName(2, false);
            c.count = c.kind == CommandKind::Poke ? r.Bounded(3, 1, kMaxPokeCount) : r.Bounded(3, 0, kMaxPokeFillBytes);
            c.text = r.Text(4);
            if (r.ok() && c.kind == CommandKind::PokeFill && c.text.size() > static_cast<size_t>(c.count))
                r.Fail("the head is longer than the block");
        }
    } else if (keyword == "peer") {
        c.kind = CommandKind::Peer;
        if (r.Count(3)) {
            c.program = r.DdeName(1, true);
            c.peerTopic = r.DdeName(2, true);
        }
    } else if (keyword == "fault") {
        c.kind = CommandKind::Fault;
        if (r.size() < 2)
            r.Fail("fault needs a kind");
        else
            ParseFault(r, c);
    } else {
        r.Fail("unknown command \"" + std::string(keyword) + "\"");
    }
    CommandParse out;
    if (r.ok())
        out.command = std::move(c);
    else
        out.error = r.error();
    return out;
}

}  // namespace

CommandParse ParseCommand(std::string_view line) {
    return ParseNested(line, 0);
}

std::vector<std::string> ScenarioCommands(std::string_view content) {
    std::vector<std::string> commands;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string_view::npos)
            end = content.size();
        std::string_view line = content.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#')
            continue;
        commands.emplace_back(line);
    }
    return commands;
}

std::optional<int> ParseSeconds(std::string_view text) {
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    auto digits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (whole.size() + fraction.size() == 0 || !digits(whole) || !digits(fraction) || whole.size() > 6 ||
        (dot != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    double seconds = 0;
    for (char c : whole)
        seconds = seconds * 10 + (c - '0');
    double scale = 0.1;
    for (char c : fraction) {
        seconds += (c - '0') * scale;
        scale /= 10;
    }
    const double ms = std::round(seconds * 1000);
    if (ms > kMaxMs)
        return std::nullopt;
    return static_cast<int>(ms);
}

std::optional<std::string> CanonicalTopic(std::string_view topic) {
    for (std::string_view known : kTopics)
        if (EqualsNoCase(topic, known))
            return std::string(known);
    return std::nullopt;
}

bool IsPokeTopic(std::string_view canonicalTopic) {
    return canonicalTopic != kTopicGetAllText && CanonicalTopic(canonicalTopic).has_value();
}

}  // namespace worldsim
