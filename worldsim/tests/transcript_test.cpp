// transcript_test.cpp: transcript lines as written, and read back the way the tests read them.
#include "worldsim/transcript.h"

#include <gtest/gtest.h>

namespace worldsim {
namespace {

using namespace std::string_literals;

TEST(TranscriptTest, LineForms) {
    struct Row {
        std::string line;
        std::string expected;
        std::vector<std::string> fields;  // as read back
    };
    const Row rows[] = {
        {FormatRecv("Zelmarink_Register", "Zelmarink_Register", false, "Tumbleroo\0\xcd"s),
         "RECV\tZelmarink_Register\tZelmarink_Register\tbg\tTumbleroo\\x00\\xcd",
         {"Zelmarink_Register", "Zelmarink_Register", "bg", "Tumbleroo\0\xcd"s}},
        {FormatReq("Zelmarink_GetAllText", "Ostrivar", true, "a\r\n"s),
         "REQ\tZelmarink_GetAllText\tOstrivar\tfg\ta\\x0d\\x0a",
         {"Zelmarink_GetAllText", "Ostrivar", "fg", "a\r\n"}},
        {FormatReq("Zelmarink_GetAllText", "Ostrivar", false, std::nullopt),
         "REQ\tZelmarink_GetAllText\tOstrivar\tbg\t-",
         {"Zelmarink_GetAllText", "Ostrivar", "bg", "-"}},
        {FormatAck("Tumbleroo", true, " 5"), "ACK\tTumbleroo\tdelivered\t 5", {"Tumbleroo", "delivered", " 5"}},
        {FormatAck("", false, "0"), "ACK\t\tfailed\t0", {"", "failed", "0"}},
        {FormatReceive("B", false, "Ann\x0c" "1\x0c\\\0"s), "RECEIVE\tB\tfailed\tAnn\\x0c1\\x0c\\\\\\x00",
         {"B", "failed", "Ann\x0c" "1\x0c\\\0"s}},
        {FormatSent("Ann", "x\ty"), "SENT\tAnn\tx\\x09y", {"Ann", "x\ty"}},
        {FormatConnect("Zelmarink_Send", false), "CONNECT\tZelmarink_Send\trefused", {"Zelmarink_Send", "refused"}},
        {FormatChat("ESP from Ann: $"), "CHAT\tESP from Ann: $", {"ESP from Ann: $"}},
        {FormatChat(""), "CHAT\t", {""}},
        {FormatMark("step 1\n"), "MARK\tstep 1\\x0a", {"step 1\n"}},
        {FormatCtrl(false, "say|Ann"), "CTRL\terror\tsay|Ann", {"error", "say|Ann"}},
        // A name with a tab stays one field.
        {FormatAck("A\tB", true, "0"), "ACK\tA\\x09B\tdelivered\t0", {"A\tB", "delivered", "0"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.line, row.expected);
        const auto entry = ParseTranscriptLine(row.line);
        ASSERT_TRUE(entry) << row.line;
        EXPECT_EQ(entry->kind, row.expected.substr(0, row.expected.find('\t')));
        EXPECT_EQ(entry->fields, row.fields) << row.line;
    }
}

TEST(TranscriptTest, UnreadableLines) {
    for (std::string_view line : {"", "CHAT", "\tx", "CHAT\tbad\\q", "MARK\tcut\\x4"})
        EXPECT_FALSE(ParseTranscriptLine(line)) << line;
    const auto withCr = ParseTranscriptLine("MARK\tx\r");
    ASSERT_TRUE(withCr);
    EXPECT_EQ(withCr->fields, std::vector<std::string>{"x"});
}

}  // namespace
}  // namespace worldsim
