// transcript.h: the world's transcript lines, one event each, which tests read back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace worldsim {

std::string FormatRecv(std::string_view topic, std::string_view item, bool foreground, std::string_view block);
std::string FormatReq(std::string_view topic, std::string_view item, bool foreground,
                      const std::optional<std::string>& reply);
std::string FormatAck(std::string_view service, bool delivered, std::string_view codeText);
std::string FormatReceive(std::string_view service, bool delivered, std::string_view block);
std::string FormatSent(std::string_view avatar, std::string_view data);
std::string FormatConnect(std::string_view topic, bool accepted);
std::string FormatChat(std::string_view line);
std::string FormatMark(std::string_view text);
std::string FormatCtrl(bool ok, std::string_view command);
std::string FormatPoke(std::string_view service, std::string_view topic, bool delivered, std::string_view block);
std::string FormatPeer(std::string_view service, std::string_view topic, bool accepted);
std::string FormatDie(std::string_view topic);
std::string FormatReject(std::string_view topic);
std::string FormatHold(std::string_view topic);

inline constexpr size_t kPokeShownBytes = 4096;  // a POKE line shows at most this much of its block

struct TranscriptEntry {
    std::string kind;
    std::vector<std::string> fields;
};
// nullopt for a line without a kind and at least one field, or with a malformed escape.
std::optional<TranscriptEntry> ParseTranscriptLine(std::string_view line);

}  // namespace worldsim
