// transcript.cpp: formatting and reading transcript lines.
//
// One event per line, fields separated by TAB, the line itself ended by "\n" (added by the writer):
//   RECV     topic    item                fg|bg   <exact poked block>
//   REQ      topic    item                fg|bg   <reply without its NUL, or "-" when there was none>
//   ACK      service  delivered|failed    <code text>
//   RECEIVE  service  delivered|failed    <exact poked block>
//   SENT     avatar   <data a program sent to an avatar in the room>
//   CONNECT  topic    accepted|refused
//   CHAT     <chat line>
//   MARK     <text>
//   CTRL     ok|error <command>
//   POKE     service  topic   delivered|failed   size   <the block's first 4096 bytes>
//   PEER     service  topic   accepted|refused   (empty service or topic: any)
//   DIE      topic    (the world ends right after this line, the transaction unanswered)
//   REJECT   topic    (the transaction just logged was refused on its accepted conversation)
// Every field is written with common::EscapeBytes, so the last (free) field cannot break the line and a
// plain name stays as it is. Example: "RECV\tZelmarink_Register\tZelmarink_Register\tbg\tTumbleroo\x00".
#include "worldsim/transcript.h"

#include "common/escape.h"

#include <initializer_list>

namespace worldsim {
namespace {

std::string Line(std::string_view kind, std::initializer_list<std::string_view> fields) {
    std::string line(kind);
    for (std::string_view field : fields) {
        line += '\t';
        line += common::EscapeBytes(field);
    }
    return line;
}

std::string_view FgBg(bool foreground) {
    return foreground ? "fg" : "bg";
}

std::string_view Delivered(bool delivered) {
    return delivered ? "delivered" : "failed";
}

}  // namespace

std::string FormatRecv(std::string_view topic, std::string_view item, bool foreground, std::string_view block) {
    return Line("RECV", {topic, item, FgBg(foreground), block});
}

std::string FormatReq(std::string_view topic, std::string_view item, bool foreground,
                      const std::optional<std::string>& reply) {
    return Line("REQ", {topic, item, FgBg(foreground), reply ? std::string_view(*reply) : std::string_view("-")});
}

std::string FormatAck(std::string_view service, bool delivered, std::string_view codeText) {
    return Line("ACK", {service, Delivered(delivered), codeText});
}

std::string FormatReceive(std::string_view service, bool delivered, std::string_view block) {
    return Line("RECEIVE", {service, Delivered(delivered), block});
}

std::string FormatSent(std::string_view avatar, std::string_view data) {
    return Line("SENT", {avatar, data});
}

std::string FormatConnect(std::string_view topic, bool accepted) {
    return Line("CONNECT", {topic, accepted ? "accepted" : "refused"});
}

std::string FormatChat(std::string_view line) {
    return Line("CHAT", {line});
}

std::string FormatMark(std::string_view text) {
    return Line("MARK", {text});
}

std::string FormatCtrl(bool ok, std::string_view command) {
    return Line("CTRL", {ok ? "ok" : "error", command});
}

std::string FormatPoke(std::string_view service, std::string_view topic, bool delivered, std::string_view block) {
    return Line("POKE",
                {service, topic, Delivered(delivered), std::to_string(block.size()), block.substr(0, kPokeShownBytes)});
}

std::string FormatPeer(std::string_view service, std::string_view topic, bool accepted) {
    return Line("PEER", {service, topic, accepted ? "accepted" : "refused"});
}

std::string FormatDie(std::string_view topic) {
    return Line("DIE", {topic});
}

std::string FormatReject(std::string_view topic) {
    return Line("REJECT", {topic});
}

std::string FormatHold(std::string_view topic) {
    return Line("HOLD", {topic});
}

std::optional<TranscriptEntry> ParseTranscriptLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const size_t tab = line.find('\t');
    if (tab == 0 || tab == std::string_view::npos)
        return std::nullopt;
    TranscriptEntry entry;
    entry.kind = std::string(line.substr(0, tab));
    size_t start = tab + 1;
    for (;;) {
        const size_t next = line.find('\t', start);
        auto field = common::UnescapeBytes(line.substr(start, next == std::string_view::npos ? next : next - start));
        if (!field)
            return std::nullopt;
        entry.fields.push_back(std::move(*field));
        if (next == std::string_view::npos)
            break;
        start = next + 1;
    }
    return entry;
}

}  // namespace worldsim
