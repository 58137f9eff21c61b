// world_test.cpp: the world's answers to records and commands: acks, chat lines, faults and triggers.
#include "worldsim/protocol.h"
#include "worldsim/records.h"
#include "worldsim/transcript.h"
#include "worldsim/world.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace worldsim {
namespace {

using namespace std::string_literals;

// A communicate block laid out the way the link library pokes it: the record, its NUL, then padding up to
// the name + target + text + 10 bytes the library allocates.
std::string Communicate(const std::string& name, int mode, const std::string& target, const std::string& text) {
    std::string block = name + '\x0c' + std::to_string(mode) + '\x0c' + (mode == 2 ? target : "") + '\x0c' + text;
    block += '\0';
    block.resize(name.size() + (mode == 2 ? target.size() : 0) + text.size() + 10, '\xcd');
    return block;
}

std::string Send(const std::string& name, const std::string& target, int length, const std::string& data) {
    std::string block = name + '\x0c' + target + '\x0c' + std::to_string(length) + '\x0c' + data;
    block += '\0';
    block.resize(block.size() + 6, '\xcd');
    return block;
}

std::vector<std::string> Codes(const Effects& fx, const std::string& service) {
    std::vector<std::string> codes;
    for (const auto& p : fx.pokes) {
        if (p.kind != OutgoingPoke::Kind::Ack)
            continue;
        EXPECT_EQ(p.service, service);
        EXPECT_EQ(p.block, AckBlock(p.text));
        codes.push_back(p.text);
    }
    return codes;
}

std::vector<std::string> Receivers(const Effects& fx) {
    std::vector<std::string> services;
    for (const auto& p : fx.pokes)
        if (p.kind == OutgoingPoke::Kind::Receive)
            services.push_back(p.service);
    return services;
}

std::vector<std::string> Lines(const Effects& fx, std::string_view kind) {
    std::vector<std::string> lines;
    for (const auto& text : fx.transcript) {
        auto entry = ParseTranscriptLine(text);
        if (entry && entry->kind == kind)
            lines.push_back(entry->fields.back());
    }
    return lines;
}

class WorldTest : public ::testing::Test {
protected:
    void RunAll(const std::vector<std::string>& commands) {
        for (const auto& command : commands) {
            const CommandResult result = world_.Run(command);
            ASSERT_TRUE(result.accepted) << command << ": " << result.error;
        }
    }
    Effects PokeOn(std::string_view topic, const std::string& block) {
        PokeResult result = world_.Poke(topic, topic, block, false);
        EXPECT_TRUE(result.handled);
        return std::move(result.effects);
    }

    std::uint64_t now_ = 5000;
    World world_{"Marla", [this] { return now_; }};
};

TEST_F(WorldTest, CommunicateAcksAndChatLines) {
    struct Row {
        std::vector<std::string> setup;
        std::string block;
        std::vector<std::string> acks;
        std::vector<std::string> chat;
    };
    const std::string hello = Communicate("T", 0, "", "hello");
    const Row rows[] = {
        {{}, hello, {"0"}, {"Marla: hello"}},
        {{}, Communicate("T", 1, "", "hm"), {"0"}, {"Marla thinks: hm"}},
        {{}, Communicate("T", 2, "Marla", "x"), {"0"}, {"ESP from Marla: x"}},
        {{"avatar|Ann"}, Communicate("T", 2, "Ann", "x"), {"0"}, {"ESP to Ann: x"}},
        {{"avatar|Ann"}, Communicate("T", 2, "Bob", "x"), {"1"}, {}},
        {{"avatar|Ann"}, Communicate("T", 2, "ann", "x"), {"1"}, {}},
        {{"avatar|Ann", "leave|Ann"}, Communicate("T", 2, "Ann", "x"), {"1"}, {}},
        {{"me|Zed"}, hello, {"0"}, {"Zed: hello"}},
        {{"me|Zed"}, Communicate("T", 2, "Marla", "x"), {"1"}, {}},
        {{"fault|ghost|on"}, hello, {"13"}, {}},
        {{"fault|ghost|on"}, Communicate("T", 1, "", "hm"), {"13"}, {}},
        {{"fault|ghost|on"}, Communicate("T", 2, "Marla", "x"), {"0"}, {"ESP from Marla: x"}},
        {{"fault|loggedout|on"}, Communicate("T", 2, "Marla", "x"), {"17"}, {}},
        {{"fault|loggedout|on", "fault|ghost|on"}, hello, {"17"}, {}},
        {{"fault|loggedout|on"}, Communicate("T", 0, "", ""), {"11"}, {}},
        {{}, Communicate("T", 2, "", "hi"), {"12"}, {}},
        {{}, "T\0"s, {"14"}, {}},
        {{"fault|ackcode|all|18"}, hello, {"18"}, {"Marla: hello"}},
        {{"fault|ackcode|Zelmarink_Communicate| 5"}, Communicate("T", 2, "Bob", "x"), {" 5"}, {}},
        {{"fault|ackcode|Zelmarink_Send|5"}, hello, {"0"}, {"Marla: hello"}},
        {{"fault|ackcode|all|7", "fault|ackcode|Zelmarink_Communicate|off"}, hello, {"0"}, {"Marla: hello"}},
        {{"fault|noack|on"}, hello, {}, {"Marla: hello"}},
        {{"fault|noack|on", "fault|clear"}, hello, {"0"}, {"Marla: hello"}},
        {{"fault|drop||0"}, hello, {"0"}, {}},
        {{"fault|drop|xyz|0"}, hello, {"0"}, {"Marla: hello"}},
        {{"fault|dup|ell|0"}, hello, {"0"}, {"Marla: hello", "Marla: hello"}},
        {{"fault|drop|hello|0", "fault|dup|hello|0"}, hello, {"0"}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.block + " after " + (row.setup.empty() ? "" : row.setup.back()));
        World world("Marla", [] { return 0; });
        for (const auto& command : row.setup)
            ASSERT_TRUE(world.Run(command).accepted) << command;
        const PokeResult result = world.Poke(kTopicCommunicate, kTopicCommunicate, row.block, true);
        EXPECT_TRUE(result.handled);
        EXPECT_EQ(result.effects.transcript.front(),
                  FormatRecv(kTopicCommunicate, kTopicCommunicate, true, row.block));
        EXPECT_EQ(Codes(result.effects, "T"), row.acks);
        EXPECT_EQ(Lines(result.effects, "CHAT"), row.chat);
        EXPECT_EQ(world.Chat(), row.chat);
    }
}

TEST_F(WorldTest, RegistrationCodes) {
    struct Step {
        std::string_view topic;
        std::string block;
        std::string service;
        std::string ack;
    };
    const Step steps[] = {
        {kTopicRegister, "Tumbleroo\0"s, "Tumbleroo", "0"},
        {kTopicRegister, "Tumbleroo\0"s, "Tumbleroo", "9"},
        {kTopicRegister, "Ostrivar\0\xcd\xcd"s, "Ostrivar", "0"},
        {kTopicUnregister, "Nobody\0"s, "Nobody", "10"},
        {kTopicUnregister, "Tumbleroo\0"s, "Tumbleroo", "0"},
        {kTopicUnregister, "Tumbleroo\0"s, "Tumbleroo", "10"},
        {kTopicRegister, "\0"s, "", "14"},
        {kTopicUnregister, ""s, "", "14"},
        {kTopicRegister, "tumbleroo\0"s, "tumbleroo", "0"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.block);
        EXPECT_EQ(Codes(PokeOn(step.topic, step.block), step.service), std::vector<std::string>{step.ack});
    }
    EXPECT_EQ(world_.Registered(), (std::vector<std::string>{"Ostrivar", "tumbleroo"}));

    for (size_t i = world_.Registered().size(); i < kMaxRegistered; ++i) {
        const std::string name = "P" + std::to_string(i);
        EXPECT_EQ(Codes(PokeOn(kTopicRegister, name + '\0'), name), std::vector<std::string>{"0"});
    }
    EXPECT_EQ(Codes(PokeOn(kTopicRegister, "Late\0"s), "Late"), std::vector<std::string>{"8"});
    EXPECT_EQ(Codes(PokeOn(kTopicUnregister, "Ostrivar\0"s), "Ostrivar"), std::vector<std::string>{"0"});
    EXPECT_EQ(Codes(PokeOn(kTopicRegister, "Late\0"s), "Late"), std::vector<std::string>{"0"});
}

TEST_F(WorldTest, SendForwardsToTheOtherPrograms) {
    RunAll({"avatar|Ann"});
    for (const char* name : {"A", "B", "C"})
        PokeOn(kTopicRegister, std::string(name) + '\0');
    struct Row {
        std::string block;
        std::string service;
        std::string ack;
        std::vector<std::string> receivers;
        std::vector<std::string> sent;
    };
    const std::string data = "hi\x0c\0!"s;
    const Row rows[] = {
        {Send("A", "Marla", 5, data), "A", "0", {"B", "C"}, {}},
        {Send("B", "Marla", 5, data), "B", "0", {"A", "C"}, {}},
        {Send("Stranger", "Marla", 5, data), "Stranger", "0", {"A", "B", "C"}, {}},
        {Send("A", "Ann", 5, data), "A", "0", {}, {data}},
        {Send("A", "Zed", 5, data), "A", "1", {}, {}},
        {Send("A", "Marla", -1, data), "A", "15", {}, {}},
        {Send("A", "Marla", 0, ""), "A", "16", {}, {}},
        {"A\x0cMarla\x0c"s, "A", "14", {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.block);
        const Effects fx = PokeOn(kTopicSend, row.block);
        EXPECT_EQ(Codes(fx, row.service), std::vector<std::string>{row.ack});
        EXPECT_EQ(Receivers(fx), row.receivers);
        for (const auto& p : fx.pokes) {
            if (p.kind == OutgoingPoke::Kind::Receive) {
                EXPECT_EQ(p.block, ReceiveBlock("Marla", data));
            }
        }
        EXPECT_EQ(Lines(fx, "SENT"), row.sent);
    }

    // A room avatar sending to a program by command: a receive poke and no acknowledgement.
    const CommandResult byCommand = world_.Run("send|Ann|B|x\\x0cy");
    ASSERT_TRUE(byCommand.accepted);
    ASSERT_EQ(byCommand.effects.pokes.size(), 1u);
    EXPECT_EQ(byCommand.effects.pokes[0].kind, OutgoingPoke::Kind::Receive);
    EXPECT_EQ(byCommand.effects.pokes[0].service, "B");
    EXPECT_EQ(byCommand.effects.pokes[0].block, ReceiveBlock("Ann", "x\x0cy"));
}

TEST_F(WorldTest, LineFaultsCountDown) {
    struct Row {
        std::string fault;
        std::vector<std::string> texts;
        std::vector<std::string> chat;
    };
    const Row rows[] = {
        {"fault|drop|Line|2", {"Line 1", "other", "Line 2", "Line 3"}, {"Marla: other", "Marla: Line 3"}},
        {"fault|drop||1", {"a", "b"}, {"Marla: b"}},
        {"fault|drop||0", {"a", "b", "c"}, {}},
        {"fault|dup|b|1", {"a", "b", "b"}, {"Marla: a", "Marla: b", "Marla: b", "Marla: b"}},
        {"fault|dup||0", {"a", "b"}, {"Marla: a", "Marla: a", "Marla: b", "Marla: b"}},
        // The chat line holds the name, the match applies to the text alone.
        {"fault|drop|Marla|0", {"a"}, {"Marla: a"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        World world("Marla", [] { return 0; });
        ASSERT_TRUE(world.Run(row.fault).accepted);
        for (const auto& text : row.texts)
            world.Poke(kTopicCommunicate, kTopicCommunicate, Communicate("T", 0, "", text), false);
        EXPECT_EQ(world.Chat(), row.chat);
    }
    // Lines the world makes by command are never dropped.
    RunAll({"fault|drop||0", "say|Ann|by command"});
    EXPECT_EQ(world_.Chat(), std::vector<std::string>{"Ann: by command"});
    RunAll({"fault|drop|off"});
    PokeOn(kTopicCommunicate, Communicate("T", 0, "", "back"));
    EXPECT_EQ(world_.Chat().back(), "Marla: back");
}

TEST_F(WorldTest, ChatTextConnectionsAndDelays) {
    RunAll({"say|Ann|one", "think|Bob|two"});
    RequestResult reply = world_.Request(kTopicGetAllText, "Tumbleroo", false);
    EXPECT_EQ(reply.reply, "Ann: one\r\nBob thinks: two\r\n");
    EXPECT_EQ(reply.effects.transcript,
              std::vector<std::string>{"REQ\tZelmarink_GetAllText\tTumbleroo\tbg\tAnn: one\\x0d\\x0aBob thinks: two\\x0d\\x0a"});
    EXPECT_FALSE(world_.Request(kTopicCommunicate, "Tumbleroo", false).reply);

    RunAll({"fault|notext|on"});
    reply = world_.Request(kTopicGetAllText, "Tumbleroo", true);
    EXPECT_FALSE(reply.reply);
    EXPECT_EQ(reply.effects.transcript, std::vector<std::string>{"REQ\tZelmarink_GetAllText\tTumbleroo\tfg\t-"});
    RunAll({"fault|notext|off", "clear"});
    EXPECT_EQ(world_.Request(kTopicGetAllText, "T", false).reply, "");
    EXPECT_EQ(world_.ChatGeneration(), 1u);

    struct Row {
        std::vector<std::string> faults;
        std::string_view topic;
        bool accepted;
    };
    const Row rows[] = {
        {{}, kTopicRegister, true},
        {{}, "zelmarink_getalltext", true},
        {{}, kTopicAck, false},
        {{}, "System", false},
        {{"fault|refuse|Zelmarink_Send|on"}, kTopicSend, false},
        {{"fault|refuse|Zelmarink_Send|on"}, kTopicCommunicate, true},
        {{"fault|refuse|all|on"}, kTopicGetAllText, false},
        {{"fault|refuse|all|on", "fault|refuse|Zelmarink_Register|off"}, kTopicRegister, true},
        {{"fault|refuse|all|on", "fault|refuse|Zelmarink_Register|off"}, kTopicUnregister, false},
        {{"fault|refuse|all|on", "fault|refuse|all|off"}, kTopicSend, true},
    };
    for (const auto& row : rows) {
        World world("Marla", [] { return 0; });
        for (const auto& command : row.faults)
            ASSERT_TRUE(world.Run(command).accepted);
        const ConnectResult result = world.Connect(row.topic);
        EXPECT_EQ(result.accepted, row.accepted) << row.topic;
        EXPECT_EQ(result.effects.transcript,
                  std::vector<std::string>{FormatConnect(row.topic, row.accepted)});
    }

    RunAll({"fault|lag|300", "fault|ackdelay|250"});
    EXPECT_EQ(world_.LagMs(kTopicCommunicate, false), 300);
    EXPECT_EQ(world_.LagMs(kTopicCommunicate, true), 0);
    EXPECT_EQ(world_.LagMs(kTopicRegister, false), 0);
    const Effects fx = PokeOn(kTopicCommunicate, Communicate("T", 0, "", "hi"));
    ASSERT_EQ(fx.pokes.size(), 1u);
    EXPECT_EQ(fx.pokes[0].delayMs, 250);
}

TEST_F(WorldTest, TriggersFireInOrderAndLoopsEnd) {
    RunAll({"when|ping|say|Ann|pong", "once|pong|think|Bob|heard"});
    const std::string ping = Communicate("T", 0, "", "ping");
    Effects fx = PokeOn(kTopicCommunicate, ping);
    const std::vector<std::string> expected = {
        FormatRecv(kTopicCommunicate, kTopicCommunicate, false, ping),
        "CHAT\tMarla: ping",
        "CTRL\tok\tsay|Ann|pong",
        "CHAT\tAnn: pong",
        "CTRL\tok\tthink|Bob|heard",
        "CHAT\tBob thinks: heard",
    };
    EXPECT_EQ(fx.transcript, expected);
    fx = PokeOn(kTopicCommunicate, ping);
    EXPECT_EQ(Lines(fx, "CHAT"), (std::vector<std::string>{"Marla: ping", "Ann: pong"}));

    // A trigger that feeds itself stops at the depth limit, with the refused command in the transcript.
    World looping("Marla", [] { return 0; });
    ASSERT_TRUE(looping.Run("when|x|say|Ann|x").accepted);
    const CommandResult start = looping.Run("say|Bob|x");
    EXPECT_TRUE(start.accepted);
    EXPECT_EQ(looping.Chat().size(), 1u + kMaxTriggerDepth);
    EXPECT_EQ(Lines(start.effects, "CTRL").size(), 2u + kMaxTriggerDepth);
    EXPECT_EQ(start.effects.transcript.back(), FormatCtrl(false, "say|Ann|x"));

    // A trigger can switch faults: the next speak request meets a ghost.
    RunAll({"when|boom|fault|ghost|on"});
    PokeOn(kTopicCommunicate, Communicate("T", 0, "", "boom"));
    EXPECT_EQ(Codes(PokeOn(kTopicCommunicate, Communicate("T", 0, "", "hi")), "T"), std::vector<std::string>{"13"});
}

TEST_F(WorldTest, AfterRunsWhenDue) {
    RunAll({"after|1.5|say|Bob|late", "after|0.5|esp|Marla|early"});
    EXPECT_EQ(world_.NextDue(), now_ + 500);
    EXPECT_TRUE(world_.RunDue().transcript.empty());
    now_ += 1499;
    EXPECT_EQ(Lines(world_.RunDue(), "CHAT"), std::vector<std::string>{"ESP from Marla: early"});
    EXPECT_EQ(world_.NextDue(), now_ + 1);
    now_ += 1;
    EXPECT_EQ(Lines(world_.RunDue(), "CHAT"), std::vector<std::string>{"Bob: late"});
    EXPECT_FALSE(world_.NextDue());

    // A loop through after is bounded by the same depth limit as one through triggers.
    RunAll({"when|tick|after|0|say|Ann|tick", "say|Ann|tick"});
    int rounds = 0;
    while (world_.NextDue() && rounds < 100) {
        world_.RunDue();
        ++rounds;
    }
    EXPECT_EQ(rounds, 1);
    EXPECT_EQ(std::count(world_.Chat().begin(), world_.Chat().end(), "Ann: tick"), 1 + kMaxTriggerDepth);
}

TEST_F(WorldTest, CommandsThatDoNotFitTheWorldAreRefused) {
    struct Row {
        std::vector<std::string> setup;
        std::string command;
        bool accepted;
    };
    const Row rows[] = {
        {{}, "leave|Ann", false},
        {{}, "avatar|Marla", false},
        {{"avatar|Ann"}, "avatar|Ann", false},
        {{"avatar|Ann"}, "me|Ann", false},
        {{"avatar|Ann"}, "esp|Ann|hi", true},
        {{}, "esp|Ann|hi", false},
        {{}, "esp|Marla|hi", true},
        {{"avatar|Ann"}, "send|Ann|Tumbleroo|x", false},
        {{}, "send|Zed|Tumbleroo|x", false},
        {{}, "say|Nobody Here|hi", true},
        {{}, "bogus", false},
    };
    for (const auto& row : rows) {
        World world("Marla", [] { return 0; });
        for (const auto& command : row.setup)
            ASSERT_TRUE(world.Run(command).accepted);
        const CommandResult result = world.Run(row.command);
        EXPECT_EQ(result.accepted, row.accepted) << row.command;
        EXPECT_EQ(result.error.empty(), row.accepted) << row.command;
        EXPECT_EQ(result.effects.transcript.front(), FormatCtrl(row.accepted, row.command));
        if (!row.accepted) {
            EXPECT_EQ(result.effects.transcript.size(), 1u) << row.command;
        }
    }

    RunAll({"avatar|Ann", "avatar|Bob", "espall|$", "mark|step"});
    EXPECT_EQ(world_.Chat(), (std::vector<std::string>{"ESP from Ann: $", "ESP from Bob: $"}));
    EXPECT_TRUE(world_.Run("quit").effects.quit);
    EXPECT_EQ(world_.Run("mark|a\\x09b").effects.transcript.back(), "MARK\ta\\x09b");
}

}  // namespace
}  // namespace worldsim

namespace worldsim {
namespace {

// The faults that end, stall or refuse transactions, and the pokes and connects the world makes as a stranger.
TEST_F(WorldTest, TransactionFaultsAndStrangerPokes) {
    RunAll({"avatar|Ann", "fault|die|Zelmarink_Communicate|2", "fault|slow|Zelmarink_Register|2500", "fault|lag|300"});
    struct Row {
        std::string_view topic;
        std::string block;  // empty: a request
        bool handled;       // poke taken / request answered
        bool dies;
        std::vector<std::string> extra;  // transcript kinds after the RECV/REQ line
    };
    const Row rows[] = {
        {kTopicRegister, "T\0"s, true, false, {}},
        {kTopicCommunicate, Communicate("T", 0, "", "one"), true, false, {"CHAT"}},
        {kTopicGetAllText, "", true, false, {}},  // another topic does not count towards the die fault
        {kTopicCommunicate, Communicate("T", 0, "", "two"), false, true, {"DIE"}},
        {kTopicCommunicate, Communicate("T", 0, "", "three"), true, false, {"CHAT"}},  // the fault is spent
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.topic) + " " + row.block);
        Effects fx;
        bool handled = false;
        if (row.block.empty()) {
            RequestResult r = world_.Request(row.topic, "T", false);
            handled = r.reply.has_value();
            fx = std::move(r.effects);
        } else {
            PokeResult r = world_.Poke(row.topic, row.topic, row.block, false);
            handled = r.handled;
            fx = std::move(r.effects);
        }
        EXPECT_EQ(handled, row.handled);
        EXPECT_EQ(fx.die, row.dies);
        EXPECT_EQ(Codes(fx, "T").size(), row.dies ? 0u : row.block.empty() ? 0u : 1u);
        std::vector<std::string> kinds;
        for (size_t i = 1; i < fx.transcript.size(); ++i)
            kinds.push_back(ParseTranscriptLine(fx.transcript[i])->kind);
        EXPECT_EQ(kinds, row.extra);
    }
    // slow holds every transaction on its topic, in front or not; lag only communicate pokes in the background.
    EXPECT_EQ(world_.LagMs(kTopicRegister, true), 2500);
    EXPECT_EQ(world_.LagMs("zelmarink_register", false), 2500);
    EXPECT_EQ(world_.LagMs(kTopicCommunicate, false), 300);
    EXPECT_EQ(world_.LagMs(kTopicCommunicate, true), 0);
    RunAll({"fault|slow|all|4000"});
    EXPECT_EQ(world_.LagMs(kTopicCommunicate, false), 4000);
    EXPECT_EQ(world_.LagMs(kTopicGetAllText, true), 4000);
    RunAll({"fault|slow|all|0"});
    EXPECT_EQ(world_.LagMs(kTopicGetAllText, true), 0);

    // A rejected topic: the conversation is accepted, the transaction refused with nothing taken or acknowledged.
    RunAll({"fault|reject|Zelmarink_Communicate|on", "fault|reject|Zelmarink_GetAllText|on"});
    EXPECT_TRUE(world_.Connect(kTopicCommunicate).accepted);
    PokeResult rejected = world_.Poke(kTopicCommunicate, kTopicCommunicate, Communicate("T", 0, "", "four"), false);
    EXPECT_FALSE(rejected.handled);
    EXPECT_TRUE(rejected.effects.pokes.empty());
    EXPECT_EQ(Lines(rejected.effects, "REJECT"), std::vector<std::string>{std::string(kTopicCommunicate)});
    EXPECT_TRUE(Lines(rejected.effects, "CHAT").empty());
    RequestResult refusedText = world_.Request(kTopicGetAllText, "T", false);
    EXPECT_FALSE(refusedText.reply);
    EXPECT_EQ(Lines(refusedText.effects, "REJECT").size(), 1u);
    EXPECT_EQ(Codes(PokeOn(kTopicRegister, "U\0"s), "U"), std::vector<std::string>{"0"});
    RunAll({"fault|reject|all|off"});
    EXPECT_EQ(Codes(PokeOn(kTopicCommunicate, Communicate("T", 0, "", "five")), "T"), std::vector<std::string>{"0"});

    // die on any topic ends at a request as well, without a reply.
    RunAll({"fault|die|all|1"});
    RequestResult died = world_.Request(kTopicGetAllText, "T", false);
    EXPECT_TRUE(died.effects.die);
    EXPECT_FALSE(died.reply);
    EXPECT_EQ(Lines(died.effects, "DIE"), std::vector<std::string>{std::string(kTopicGetAllText)});
    RunAll({"fault|die|all|1", "fault|die|off"});
    EXPECT_FALSE(world_.Request(kTopicGetAllText, "T", false).effects.die);
    RunAll({"fault|die|all|1", "fault|clear"});
    EXPECT_FALSE(world_.Request(kTopicGetAllText, "T", false).effects.die);

    // poke, pokefill and peer: outgoing actions to any service and topic, whether registered or not.
    CommandResult burst = world_.Run("poke|Nobody|Zelmarink_Ack|3|14\\x00");
    ASSERT_TRUE(burst.accepted);
    ASSERT_EQ(burst.effects.pokes.size(), 3u);
    for (const auto& p : burst.effects.pokes) {
        EXPECT_EQ(p.kind, OutgoingPoke::Kind::Raw);
        EXPECT_EQ(p.service, "Nobody");
        EXPECT_EQ(p.topic, kTopicAck);
        EXPECT_EQ(p.block, "14\0"s);
    }
    CommandResult big = world_.Run("pokefill|T|Other|100000|Bob\\x0c99990\\x0c");
    ASSERT_EQ(big.effects.pokes.size(), 1u);
    const std::string& block = big.effects.pokes[0].block;
    EXPECT_EQ(block.size(), 100000u);
    EXPECT_EQ(block.substr(0, 10),
              "Bob\x0c"
              "99990\x0c");
    EXPECT_EQ(block.find_first_not_of('x', 10), std::string::npos);
    CommandResult peer = world_.Run("peer||Zelmarink_Ack");
    ASSERT_EQ(peer.effects.pokes.size(), 1u);
    EXPECT_EQ(peer.effects.pokes[0].kind, OutgoingPoke::Kind::Peer);
    EXPECT_EQ(peer.effects.pokes[0].service, "");
    EXPECT_EQ(peer.effects.pokes[0].topic, kTopicAck);
    // A trigger can fire a burst: the pokes leave with the chat line that set them off.
    RunAll({"once|go|poke|T|Zelmarink_Receive|2|Ann\\x0c2\\x0chi"});
    CommandResult fired = world_.Run("say|Ann|go");
    EXPECT_EQ(fired.effects.pokes.size(), 2u);
}

// POKE lines show the block's size and at most its first kPokeShownBytes bytes.
TEST(TranscriptFaultLinesTest, PokeLinesAreCut) {
    const std::string big(kPokeShownBytes + 10, 'x');
    const auto entry = ParseTranscriptLine(FormatPoke("T", "Other", true, big));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->kind, "POKE");
    EXPECT_EQ(entry->fields.size(), 5u);
    EXPECT_EQ(entry->fields[3], std::to_string(big.size()));
    EXPECT_EQ(entry->fields[4].size(), kPokeShownBytes);
    const auto empty = ParseTranscriptLine(FormatPeer("", "", false));
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->fields, (std::vector<std::string>{"", "", "refused"}));
}

}  // namespace
}  // namespace worldsim
