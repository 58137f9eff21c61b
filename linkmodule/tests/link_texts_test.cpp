// Acknowledgement messages, the console link's requests and the console window's control table.
#include "linkmodule/link_texts.h"

#include <gtest/gtest.h>

#include <set>

#include "linkmodule/console_layout.h"

namespace linkmodule {
namespace {

TEST(LinkTexts, AckCodesAreComparedExactly) {
    const struct {
        std::string code;
        std::optional<std::string> message;
    } rows[] = {
        {"0", std::nullopt},
        {"1", "1- Target avatar is not logged on"},
        {"12", "12 - Mode was ESP but no avatar name was specified"},
        {"17", "17 - You are not logged in yet"},
        {"18", "99 - Unknown error occured"},
        {"-1", "99 - Unknown error occured"},
        {" 5", "99 - Unknown error occured"},
        {"5 ", "99 - Unknown error occured"},
        {"05", "99 - Unknown error occured"},
        {"00", "99 - Unknown error occured"},
        {"", "99 - Unknown error occured"},
        {std::string("1\0", 2), "99 - Unknown error occured"},
    };
    for (const auto& r : rows) {
        const auto got = AckMessage(r.code);
        EXPECT_EQ(got.has_value(), r.message.has_value()) << "[" << r.code << "]";
        if (got && r.message) {
            EXPECT_EQ(*got, *r.message) << "[" << r.code << "]";
        }
    }
}

TEST(LinkTexts, EveryRefusalCodeHasItsOwnNumberedMessage) {
    std::set<std::string_view> seen;
    for (int code = 1; code <= 17; ++code) {
        const std::string text = std::to_string(code);
        const auto message = AckMessage(text);
        ASSERT_TRUE(message) << code;
        // Each message begins with its own code, then a dash (code 1 has no blank before it).
        const std::string prefix = code == 1 ? "1-" : text + " - ";
        EXPECT_EQ(message->substr(0, prefix.size()), prefix) << code;
        EXPECT_TRUE(seen.insert(*message).second) << "duplicate message for " << code;
    }
}

TEST(LinkTexts, ConsoleRequests) {
    const std::string ff(1, '\f');
    const struct {
        ConsoleRequest request;
        const char *mode, *avatar, *text;
        ConsoleLinkSpec expected;
    } rows[] = {
        {ConsoleRequest::Register, "9", "x", "y",
         {"Zelmarink|Zelmarink_Register", "Zelmarink_Register", "Tumbleroo", true}},
        {ConsoleRequest::Unregister, "", "", "",
         {"Zelmarink|Zelmarink_Unregister", "Zelmarink_Unregister", "Tumbleroo", true}},
        {ConsoleRequest::Communicate, "0", "", "hello",
         {"Zelmarink|Zelmarink_Communicate", "Zelmarink_Communicate", "Tumbleroo" + ff + "0" + ff + ff + "hello", true}},
        {ConsoleRequest::Communicate, "2", "Ann", "You are on the List.",
         {"Zelmarink|Zelmarink_Communicate", "Zelmarink_Communicate",
          "Tumbleroo" + ff + "2" + ff + "Ann" + ff + "You are on the List.", true}},
        {ConsoleRequest::Communicate, "2", "", "to nobody",
         {"Zelmarink|Zelmarink_Communicate", "Zelmarink_Communicate", "Tumbleroo" + ff + "2" + ff + ff + "to nobody", true}},
        {ConsoleRequest::Communicate, "", "", "",
         {"Zelmarink|Zelmarink_Communicate", "Zelmarink_Communicate", "Tumbleroo" + ff + ff + ff, true}},
        {ConsoleRequest::GetAllText, "2", "Ann", "x", {"Zelmarink|Zelmarink_GetAllText", "Tumbleroo", "", false}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ConsoleLinkFor(r.request, "Tumbleroo", r.mode, r.avatar, r.text), r.expected) << r.expected.linkTopic;
}

TEST(LinkTexts, SplitLinkTopic) {
    const struct {
        const char* linkTopic;
        ServiceTopic split;
    } rows[] = {
        {"Zelmarink|Zelmarink_Register", {"Zelmarink", "Zelmarink_Register"}},
        {"Zelmarink|", {"Zelmarink", ""}},
        {"|topic", {"", "topic"}},
        {"Zelmarink", {"Zelmarink", ""}},
        {"a|b|c", {"a", "b|c"}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(SplitLinkTopic(r.linkTopic), r.split) << r.linkTopic;
}

TEST(ConsoleLayout, ControlsAreUniqueAndInsideTheClientArea) {
    std::set<int> ids;
    int buttons = 0;
    for (const common::ControlSpec& c : ConsoleControls()) {
        EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id " << c.id;
        EXPECT_GE(c.left, 0) << c.id;
        EXPECT_GE(c.top, 0) << c.id;
        EXPECT_GT(c.width, 0) << c.id;
        EXPECT_GT(c.height, 0) << c.id;
        EXPECT_LE(c.left + c.width, kConsoleClientWidthTwips) << c.id;
        EXPECT_LE(c.top + c.height, kConsoleClientHeightTwips) << c.id;
        EXPECT_EQ(c.flags & common::kHidden, 0u) << c.id;
        if (c.kind == common::ControlKind::Button)
            ++buttons;
        // Labels, buttons and the check box show a caption; the text boxes start empty.
        const bool textBox = c.kind == common::ControlKind::TextBox || c.kind == common::ControlKind::MultiLineTextBox;
        EXPECT_EQ(*c.caption == '\0', textBox) << c.id;
    }
    EXPECT_EQ(buttons, 4);
    for (int id : {IDC_ZM_DDE_COMM_MODE, IDC_ZM_DDE_AVATAR_NAME, IDC_ZM_DDE_COMM_TEXT, IDC_ZM_DDE_ERROR_CHECK,
                   IDC_ZM_DDE_REGISTER, IDC_ZM_DDE_COMMUNICATE, IDC_ZM_DDE_GET_ALL_TEXT, IDC_ZM_DDE_UNREGISTER,
                   IDC_ZM_DDE_TEXT1})
        EXPECT_TRUE(ids.count(id)) << id;
}

}  // namespace
}  // namespace linkmodule
