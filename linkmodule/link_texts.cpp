// link_texts.cpp: acknowledgement messages, the received-data text and the console link's four requests.
#include "linkmodule/link_texts.h"

#include <array>
#include <utility>

namespace linkmodule {
namespace {

// The world client's refusal codes and what the user is told. The texts are shown as they stand.
constexpr std::array<std::pair<std::string_view, std::string_view>, 17> kAckMessages{{
    //  code   message
    {"1", "1- Target avatar is not logged on"},
    {"2", "2 - Your avatar not allowed to send/receive API messages"},
    {"3", "3 - Target avatar is not allowed to send/receive API messages"},
    {"4", "4 - You are in a region that does not allow API messages"},
    {"5", "5 - Target avatar is in a region that does not allow API messages"},
    {"6", "6 - Your avatar is currently busy"},
    {"7", "7 - Target avatar is currently busy"},
    {"8", "8 - Too many names already registered"},
    {"9", "9 - App.Title already registered"},
    {"10", "10 - App.Title was not registered"},
    {"11", "11 - No text was specified"},
    {"12", "12 - Mode was ESP but no avatar name was specified"},
    {"13", "13 - Mode was speak or think but your avatar is a ghost"},
    {"14", "14 - One or more arguments are missing"},
    {"15", "15 - Data length below zero"},
    {"16", "16 - No data was specified"},
    {"17", "17 - You are not logged in yet"},
}};

}  // namespace

// Exact comparison: " 5", "05" and "-1" (world client unreachable) are all unknown codes.
std::optional<std::string_view> AckMessage(std::string_view code) {
    if (code == "0")
        return std::nullopt;
    for (const auto& [known, message] : kAckMessages)
        if (code == known)
            return message;
    return kUnknownAckMessage;
}

std::string ReceivedDataMessage(std::string_view sender, std::string_view data) {
    std::string text = "Data received from ";
    text.append(sender).append(": ").append(data);
    return text;
}

bool HoldsFieldSeparator(std::string_view text) {
    return text.find(kFieldSeparator) != std::string_view::npos;
}

// "Tumbleroo" FF "2" FF "Ann" FF "You are on the List."
std::string CommunicateText(std::string_view appTitle,
                            std::string_view commMode,
                            std::string_view avatarName,
                            std::string_view commText) {
    std::string text;
    text.reserve(appTitle.size() + commMode.size() + avatarName.size() + commText.size() + 3);
    text.append(appTitle).push_back(kFieldSeparator);
    text.append(commMode).push_back(kFieldSeparator);
    text.append(avatarName).push_back(kFieldSeparator);
    text.append(commText);
    return text;
}

// request      link topic                        link item                text of Text1          operation
// Register     Zelmarink|Zelmarink_Register      Zelmarink_Register       application title      poke
// Unregister   Zelmarink|Zelmarink_Unregister    Zelmarink_Unregister     application title      poke
// Communicate  Zelmarink|Zelmarink_Communicate   Zelmarink_Communicate    communicate record     poke
// GetAllText   Zelmarink|Zelmarink_GetAllText    application title        empty                  request
ConsoleLinkSpec ConsoleLinkFor(ConsoleRequest request,
                               std::string_view appTitle,
                               std::string_view commMode,
                               std::string_view avatarName,
                               std::string_view commText) {
    const auto topic = [](std::string_view name) { return std::string(kService) + "|" + std::string(name); };
    switch (request) {
        case ConsoleRequest::Register:
            return {topic("Zelmarink_Register"), "Zelmarink_Register", std::string(appTitle), true};
        case ConsoleRequest::Unregister:
            return {topic("Zelmarink_Unregister"), "Zelmarink_Unregister", std::string(appTitle), true};
        case ConsoleRequest::Communicate:
            return {topic("Zelmarink_Communicate"), "Zelmarink_Communicate",
                    CommunicateText(appTitle, commMode, avatarName, commText), true};
        case ConsoleRequest::GetAllText:
            return {topic("Zelmarink_GetAllText"), std::string(appTitle), std::string(), false};
    }
    return {};
}

ServiceTopic SplitLinkTopic(std::string_view linkTopic) {
    const size_t bar = linkTopic.find('|');
    if (bar == std::string_view::npos)
        return {std::string(linkTopic), std::string()};
    return {std::string(linkTopic.substr(0, bar)), std::string(linkTopic.substr(bar + 1))};
}

std::string MissingLibraryMessage(std::string_view libraryName, const std::vector<std::string>& missingExports) {
    std::string text = "The link library ";
    text.append(libraryName).append(".dll ");
    if (missingExports.empty()) {
        text += "could not be loaded.";
    } else {
        text += missingExports.size() == 1 ? "lacks the function " : "lacks the functions ";
        for (size_t i = 0; i < missingExports.size(); ++i) {
            if (i > 0)
                text += ", ";
            text += missingExports[i];
        }
        text += ".";
    }
    text += " Nothing will reach the world client by the library method until the program is started again.";
    return text;
}

}  // namespace linkmodule
