// command_test.cpp: the control command language, scenario files and the two command lines.
#include "worldsim/command.h"
#include "worldsim/options.h"

#include <gtest/gtest.h>

namespace worldsim {
namespace {

// One line per parsed command, naming only the fields its kind uses.
std::string Describe(const Command& c) {
    static const char* const kKinds[] = {"me",     "avatar", "leave", "say",  "think",    "esp",
                                         "espall", "send",   "after", "when", "once",     "clear",
                                         "mark",   "quit",   "fault", "poke", "pokefill", "peer"};
    static const char* const kFaults[] = {"notext", "refuse", "ackcode",   "ackdelay", "noack", "drop",   "dup",
                                          "lag",    "ghost",  "loggedout", "clear",    "die",   "reject", "slow",
                                          "hold"};
    std::string d = kKinds[static_cast<int>(c.kind)];
    auto add = [&d](const char* key, const std::string& value) {
        if (!value.empty())
            d += std::string(" ") + key + "=" + value;
    };
    add("name", c.name);
    add("program", c.program);
    add("text", c.text);
    add("inner", c.inner);
    add("ddetopic", c.peerTopic);
    if (c.count)
        d += " count=" + std::to_string(c.count);
    if (c.kind == CommandKind::After)
        d += " ms=" + std::to_string(c.delayMs);
    if (c.kind == CommandKind::Fault) {
        d += std::string(" ") + kFaults[static_cast<int>(c.fault)] + (c.on ? " on" : " off");
        add("topic", c.topic);
        add("code", c.code);
        if (c.number)
            d += " n=" + std::to_string(c.number);
    }
    return d;
}

TEST(CommandTest, GoodCommands) {
    struct Row {
        const char* line;
        std::string expected;
    };
    const Row rows[] = {
        {"me|Zed", "me name=Zed"},
        {"avatar|Ann", "avatar name=Ann"},
        {"leave|Ann", "leave name=Ann"},
        {"say|Ann|hello there", "say name=Ann text=hello there"},
        {"say|Ann|", "say name=Ann"},
        {"think|Bob|hm\\x7chm", "think name=Bob text=hm|hm"},
        {"esp|Ann|$", "esp name=Ann text=$"},
        {"esp|Ann|a\\\\b\\x0c", "esp name=Ann text=a\\b\x0c"},
        {"espall|$", "espall text=$"},
        {"send|Ann|Tumbleroo|a\\x00b", std::string("send name=Ann program=Tumbleroo text=a") + '\0' + "b"},
        {"after|1.5|say|Ann|late", "after inner=say|Ann|late ms=1500"},
        {"after|0|quit", "after inner=quit ms=0"},
        {"when|ESP from|say|Ann|seen it", "when text=ESP from inner=say|Ann|seen it"},
        {"once|ping|after|.25|say|Ann|pong", "once text=ping inner=after|.25|say|Ann|pong"},
        {"when||mark|any line", "when inner=mark|any line"},
        {"clear", "clear"},
        {"mark|step 2", "mark text=step 2"},
        {"quit", "quit"},
        {"fault|notext|on", "fault notext on"},
        {"fault|refuse|all|on", "fault refuse on topic=all"},
        {"fault|refuse|zelmarink_send|off", "fault refuse off topic=Zelmarink_Send"},
        {"fault|ackcode|Zelmarink_Communicate| 5", "fault ackcode on topic=Zelmarink_Communicate code= 5"},
        {"fault|ackcode|all|-1", "fault ackcode on topic=all code=-1"},
        {"fault|ackcode|all|off", "fault ackcode off topic=all"},
        {"fault|ackdelay|750", "fault ackdelay off n=750"},
        {"fault|noack|off", "fault noack off"},
        {"fault|drop|Line 3|1", "fault text=Line 3 drop on n=1"},
        {"fault|drop||0", "fault drop on"},
        {"fault|dup|off", "fault dup off"},
        {"fault|lag|300", "fault lag off n=300"},
        {"fault|ghost|on", "fault ghost on"},
        {"fault|loggedout|on", "fault loggedout on"},
        {"fault|clear", "fault clear off"},
        {"fault|die|Zelmarink_Communicate|2", "fault die on topic=Zelmarink_Communicate n=2"},
        {"fault|die|all|1", "fault die on topic=all n=1"},
        {"fault|die|off", "fault die off"},
        {"fault|reject|zelmarink_getalltext|on", "fault reject on topic=Zelmarink_GetAllText"},
        {"fault|reject|all|off", "fault reject off topic=all"},
        {"fault|slow|Zelmarink_Register|2500", "fault slow on topic=Zelmarink_Register n=2500"},
        {"fault|slow|all|0", "fault slow off topic=all"},
        {"fault|hold|zelmarink_getalltext|on", "fault hold on topic=Zelmarink_GetAllText"},
        // The block is exact bytes, empty included; the service and topic are any names the world connects to.
        {"poke|Tumbleroo|Zelmarink_Ack|150|14\\x00",
         std::string("poke program=Tumbleroo text=14") + '\0' + " ddetopic=Zelmarink_Ack count=150"},
        {"poke|Tumbleroo|Other topic|1|", "poke program=Tumbleroo ddetopic=Other topic count=1"},
        {"poke|Tumbleroo|Zelmarink_Receive|1|Bob\\x0c999\\x0chi",
         "poke program=Tumbleroo text=Bob\f999\fhi ddetopic=Zelmarink_Receive count=1"},
        {"pokefill|Tumbleroo|Zelmarink_Receive|1000000|Bob\\x0c7\\x0c",
         "pokefill program=Tumbleroo text=Bob\f7\f ddetopic=Zelmarink_Receive count=1000000"},
        {"pokefill|T|X|3|abc", "pokefill program=T text=abc ddetopic=X count=3"},
        {"peer|Tumbleroo2|Zelmarink_Ack", "peer program=Tumbleroo2 ddetopic=Zelmarink_Ack"},
        {"peer||", "peer"},
        {"after|1|poke|Tumbleroo|Zelmarink_Ack|2|0", "after inner=poke|Tumbleroo|Zelmarink_Ack|2|0 ms=1000"},
    };
    for (const auto& row : rows) {
        const CommandParse parse = ParseCommand(row.line);
        ASSERT_TRUE(parse.command) << row.line << ": " << parse.error;
        EXPECT_EQ(Describe(*parse.command), row.expected) << row.line;
    }
}

TEST(CommandTest, MalformedCommandsAreRefusedWithAReason) {
    const std::string_view rows[] = {
        "",
        "hello",
        "Say|Ann|hi",
        "say|Ann",
        "say|Ann|hi|there",
        "say||hi",
        "say|A\\x0cB|hi",
        "say|Ann|bad\\q",
        "say|Ann|bad\\x4",
        "me",
        "me|",
        "avatar|Ann|Bob",
        "espall",
        "send|Ann|Tumbleroo",
        "send|Ann||data",
        "after|soon|quit",
        "after|-1|quit",
        "after|1.|quit",
        "after|99999999|quit",
        "after|1|nonsense",
        "after|1",
        "when|x",
        "when|x|say|Ann",
        "once|x|",
        "clear|now",
        "quit|1",
        "fault",
        "fault|unknown",
        "fault|notext",
        "fault|notext|yes",
        "fault|refuse|Zelmarink_Ack|on",
        "fault|refuse|all",
        "fault|ackcode|Zelmarink_GetAllText|5",
        "fault|ackcode|all",
        "fault|ackdelay|-5",
        "fault|ackdelay|1e3",
        "fault|lag|",
        "fault|lag|999999999",
        "fault|drop|x",
        "fault|drop|x|-1",
        "fault|dup|x|two",
        "fault|clear|all",
        "fault|die|Zelmarink_Ack|1",
        "fault|die|all|0",
        "fault|die|all",
        "fault|die|all|1|2",
        "fault|reject|Zelmarink_Send",
        "fault|reject|Other|on",
        "fault|slow|all|60001",
        "fault|slow|all|-1",
        "poke|Tumbleroo|Zelmarink_Ack|0|0",
        "poke|Tumbleroo|Zelmarink_Ack|1001|0",
        "poke||Zelmarink_Ack|1|0",
        "poke|Tumbleroo||1|0",
        "poke|Tumble\\x0aroo|Zelmarink_Ack|1|0",
        "poke|Tumbleroo|Zelmarink_Ack|1",
        "pokefill|T|X|2|abc",
        "pokefill|T|X|16777217|",
        "peer|Tumbleroo",
        "peer|Tumble\\x00roo|X",
    };
    for (std::string_view line : rows) {
        const CommandParse parse = ParseCommand(line);
        EXPECT_FALSE(parse.command) << line;
        EXPECT_FALSE(parse.error.empty()) << line;
    }
}

TEST(CommandTest, NestingIsBounded) {
    std::string line = "say|Ann|deep";
    for (int i = 0; i < 16; ++i)
        line = "after|0|" + line;
    EXPECT_TRUE(ParseCommand(line).command);
    EXPECT_FALSE(ParseCommand("after|0|" + line).command);
}

TEST(CommandTest, Seconds) {
    struct Row {
        const char* text;
        std::optional<int> ms;
    };
    const Row rows[] = {
        {"0", 0},      {"2", 2000}, {"0.25", 250}, {".5", 500},   {"1.0006", 1001}, {"86400", 86400000},
        {"86401", {}}, {"", {}},    {".", {}},     {"1.", {}},    {"-1", {}},       {"+1", {}},
        {"1e3", {}},   {" 1", {}},  {"1,5", {}},   {"1.2.3", {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ParseSeconds(row.text), row.ms) << row.text;
}

TEST(CommandTest, ScenarioFileLines) {
    const std::string content =
        "# a scenario\r\n"
        "avatar|Ann\r\n"
        "\r\n"
        "   \t\n"
        "  # indented comment\n"
        "say|Ann|hello # not a comment\n"
        "  say|Ann|indented\n"
        "mark|last line without newline";
    const std::vector<std::string> expected = {"avatar|Ann", "say|Ann|hello # not a comment", "  say|Ann|indented",
                                               "mark|last line without newline"};
    EXPECT_EQ(ScenarioCommands(content), expected);
    EXPECT_TRUE(ScenarioCommands("").empty());
}

TEST(OptionsTest, WorldCommandLine) {
    struct Row {
        std::vector<std::string> args;
        bool ok;
        std::string me, scenario, transcript;
        DdeKind dde = DdeKind::Ours;
    };
    const Row rows[] = {
        {{}, true, "Marla", "", "worldsim.log"},
        {{"--dde", "ddeml", "--me", "Zed"}, true, "Zed", "", "worldsim.log", DdeKind::Ddeml},
        {{"--dde", "plain32"}, true, "Marla", "", "worldsim.log", DdeKind::Plain32},
        {{"--dde", "borrowing"}, true, "Marla", "", "worldsim.log", DdeKind::Borrowing},
        {{"--dde", "ours"}, true, "Marla", "", "worldsim.log", DdeKind::Ours},
        {{"--dde", "DDEML"}, false, "", "", ""},
        {{"--dde", "ours", "--dde", "ddeml"}, false, "", "", ""},
        {{"--me", "Zed", "--scenario", "s.txt", "--transcript", "t.log"}, true, "Zed", "s.txt", "t.log"},
        {{"--transcript", "C:\\x y\\t.log"}, true, "Marla", "", "C:\\x y\\t.log"},
        {{"--me"}, false, "", "", ""},
        {{"--me", ""}, false, "", "", ""},
        {{"--me", "A", "--me", "B"}, false, "", "", ""},
        {{"--verbose"}, false, "", "", ""},
        {{"Zed"}, false, "", "", ""},
        {{"--me", "A\nB"}, false, "", "", ""},
    };
    for (const auto& row : rows) {
        const auto parse = ParseWorldOptions(row.args);
        ASSERT_EQ(parse.options.has_value(), row.ok) << parse.error;
        if (!row.ok) {
            EXPECT_FALSE(parse.error.empty());
            continue;
        }
        EXPECT_EQ(parse.options->me, row.me);
        EXPECT_EQ(parse.options->scenario, row.scenario);
        EXPECT_EQ(parse.options->transcript, row.transcript);
        EXPECT_EQ(parse.options->dde, row.dde);
    }
}

TEST(OptionsTest, CtlCommandLine) {
    struct Row {
        std::vector<std::string> args;
        bool ok;
        std::optional<int> waitMs;
        size_t commands;
    };
    const Row rows[] = {
        {{}, true, {}, 0},
        {{"say|Ann|hi", "quit"}, true, {}, 2},
        {{"--wait", "2.5"}, true, 2500, 0},
        {{"--wait", "10", "mark|x"}, true, 10000, 1},
        {{"--wait"}, false, {}, 0},
        {{"--wait", "soon", "quit"}, false, {}, 0},
    };
    for (const auto& row : rows) {
        const auto parse = ParseCtlOptions(row.args);
        ASSERT_EQ(parse.options.has_value(), row.ok);
        if (!row.ok)
            continue;
        EXPECT_EQ(parse.options->waitMs, row.waitMs);
        EXPECT_EQ(parse.options->commands.size(), row.commands);
    }
}

}  // namespace
}  // namespace worldsim
