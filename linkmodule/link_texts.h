// link_texts.h: the fixed texts the link module shows or sends: acknowledgement messages, the received-data
// box, the console link's requests and the message about a missing link library.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linkmodule {

inline constexpr char kAckCaption[] = "ProcessAckData Response Message";
inline constexpr char kUnknownAckMessage[] = "99 - Unknown error occured";
inline constexpr char kService[] = "Zelmarink";
inline constexpr char kFieldSeparator = '\x0c';

// The message for an acknowledgement code text, compared exactly; nullopt for "0" (success: no message).
std::optional<std::string_view> AckMessage(std::string_view code);

// "Data received from Bob: hello"
std::string ReceivedDataMessage(std::string_view sender, std::string_view data);

enum class ConsoleRequest { Register, Unregister, Communicate, GetAllText };

// One console link request: where it goes, what Text1 holds before it, and whether Text1 is poked (true) or
// the item requested into Text1 (false).
struct ConsoleLinkSpec {
    std::string linkTopic;  // service '|' topic
    std::string linkItem;
    std::string text;
    bool poke = true;

    bool operator==(const ConsoleLinkSpec&) const = default;
};

// Whether a text holds the record separator FF. A communicate request whose title, mode or avatar holds one is
// dropped, as the link library drops it: the fields would read differently at the world client. The text, the
// last field, goes verbatim.
bool HoldsFieldSeparator(std::string_view text);

// The communicate record of the console method: title FF mode FF avatar FF text.
std::string CommunicateText(std::string_view appTitle,
                            std::string_view commMode,
                            std::string_view avatarName,
                            std::string_view commText);

// commMode, avatarName and commText are read for Communicate only.
ConsoleLinkSpec ConsoleLinkFor(ConsoleRequest request,
                               std::string_view appTitle,
                               std::string_view commMode,
                               std::string_view avatarName,
                               std::string_view commText);

struct ServiceTopic {
    std::string service;
    std::string topic;
    bool operator==(const ServiceTopic&) const = default;
};
// "Zelmarink|Zelmarink_Register" -> {"Zelmarink", "Zelmarink_Register"}; without a bar the whole text is the
// service and the topic is empty.
ServiceTopic SplitLinkTopic(std::string_view linkTopic);

// The one message shown when the link library cannot be used: the file is missing (no exports listed) or it
// lacks the listed exports.
std::string MissingLibraryMessage(std::string_view libraryName, const std::vector<std::string>& missingExports);

}  // namespace linkmodule
