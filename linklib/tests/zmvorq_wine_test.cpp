// zmvorq.dll against the stand-in world client, under Wine: the DLL is loaded by name as the programs load it,
// every record is checked byte for byte in the world's transcript, and the callbacks are checked for what
// came back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linklib/tools/link_session_win.h"
#include "testing/world_harness_win.h"

namespace {

using testwin::LinkSession;
using testwin::WorldProcess;

std::string Bytes(const char* s, size_t n) {
    return std::string(s, n);
}

// The poked blocks the world received on one topic, in order.
std::vector<std::string> Received(const WorldProcess& world, const std::string& topic) {
    std::vector<std::string> blocks;
    for (const auto& line : world.Transcript("RECV"))
        if (line.fields.size() == 4 && line.fields[0] == topic)
            blocks.push_back(line.fields[3]);
    return blocks;
}

TEST(ZmvorqWine, RequestsReachTheWorldByteForByte) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    ASSERT_TRUE(world.Control("avatar|Ann"));
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);

    link.Register("Tumbleroo");
    ASSERT_TRUE(link.WaitForAcks(1));
    link.Communicate("Tumbleroo", 0, "", "hello");
    link.Communicate("Tumbleroo", 1, nullptr, "hmm");
    link.Communicate("Tumbleroo", 2, "Ann", "You are on the List.");
    link.Communicate("Tumbleroo", 2, "", "nobody");      // ESP without a target: refused by the world
    link.Communicate("Tumbleroo", 2, nullptr, "never");  // dropped by the library: no target argument
    link.Communicate("Tumbleroo", 1000000, nullptr, "never");  // mode too wide: dropped
    ASSERT_TRUE(link.WaitForAcks(5));

    EXPECT_EQ(Received(world, "Zelmarink_Register"), std::vector<std::string>{Bytes("Tumbleroo\0", 10)});
    const std::vector<std::string> expected = {
        Bytes("Tumbleroo\f0\f\fhello\0\0\0\0\0\0", 24),
        Bytes("Tumbleroo\f1\f\fhmm\0\0\0\0\0\0", 22),
        Bytes("Tumbleroo\f2\fAnn\fYou are on the List.\0\0\0\0\0", 42),
        Bytes("Tumbleroo\f2\f\fnobody\0\0\0\0\0", 25),
    };
    EXPECT_EQ(Received(world, "Zelmarink_Communicate"), expected);
    EXPECT_EQ(link.Acks(), (std::vector<std::string>{"0", "0", "0", "0", "12"}));

    link.GetAllText("Tumbleroo");
    ASSERT_EQ(link.AllTexts().size(), 1u);
    const std::string& chat = link.AllTexts()[0];
    EXPECT_NE(chat.find("Marla: hello\r\n"), std::string::npos) << chat;
    EXPECT_NE(chat.find("ESP to Ann: You are on the List.\r\n"), std::string::npos) << chat;
    // The request names the caller as its item and gets the world's whole chat text.
    const auto requests = world.Transcript("REQ");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].fields[0], "Zelmarink_GetAllText");
    EXPECT_EQ(requests[0].fields[1], "Tumbleroo");
    EXPECT_EQ(requests[0].fields[3], chat);

    link.Unregister("Tumbleroo");
    ASSERT_TRUE(link.WaitForAcks(6));
    EXPECT_EQ(Received(world, "Zelmarink_Unregister"), std::vector<std::string>{Bytes("Tumbleroo\0", 10)});
    EXPECT_EQ(link.Kill(), 1);
    EXPECT_TRUE(link.Receives().empty());
}

TEST(ZmvorqWine, RefusalCodesReachTheAckCallbackVerbatim) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    link.Register("Tumbleroo");
    link.Register("Tumbleroo");  // already registered
    ASSERT_TRUE(world.Control("fault|ackcode|Zelmarink_Communicate| 5"));
    link.Communicate("Tumbleroo", 0, "", "x");
    ASSERT_TRUE(world.Control("fault|ackcode|Zelmarink_Communicate|off"));
    link.Communicate("Tumbleroo", 0, "", "");  // no text
    ASSERT_TRUE(link.WaitForAcks(4));
    EXPECT_EQ(link.Acks(), (std::vector<std::string>{"0", "9", " 5", "11"}));
    link.Kill();
}

TEST(ZmvorqWine, SendFromASecondProgramArrivesSplitInThree) {
    WorldProcess world({"--me", "Marla"});
    ASSERT_TRUE(world.ok());
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    link.Register("Tumbleroo");
    ASSERT_TRUE(link.WaitForAcks(1));

    // A second program on the same machine sends five bytes, a form feed among them, to our own avatar.
    const int exitCode = testwin::RunLinkDemo({"--name", "Second", "register", "send:Marla:ab\\x0ccd", "unregister"});
    EXPECT_EQ(exitCode, 0);
    ASSERT_TRUE(link.WaitForReceives(1));
    const auto& r = link.Receives()[0];
    EXPECT_EQ(r.sender, "Marla");
    EXPECT_EQ(r.length, 5);
    EXPECT_EQ(r.data, "ab\fcd");
    EXPECT_EQ(Received(world, "Zelmarink_Send"), std::vector<std::string>{Bytes("Second\fMarla\f5\fab\fcd\0\0\0\0\0\0", 26)});
    link.Kill();
}

TEST(ZmvorqWine, NoWorldClientGivesMinusOneAndNoText) {
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    link.Register("Tumbleroo");
    link.GetAllText("Tumbleroo");
    EXPECT_EQ(link.Acks(), (std::vector<std::string>{"-1", "-1"}));
    EXPECT_TRUE(link.AllTexts().empty());
    link.Kill();

    // After KillDDE nobody is told.
    link.Register("Tumbleroo");
    EXPECT_EQ(link.Acks().size(), 2u);
}

TEST(ZmvorqWine, RefusedConnectionsAndSilentText) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    LinkSession link;
    ASSERT_EQ(link.Init("Tumbleroo"), 0);
    ASSERT_TRUE(world.Control("fault|notext|on"));
    link.GetAllText("Tumbleroo");  // the request is refused: nothing is reported
    EXPECT_TRUE(link.AllTexts().empty());
    EXPECT_TRUE(link.Acks().empty());
    ASSERT_TRUE(world.Control("fault|refuse|all|on"));
    link.Communicate("Tumbleroo", 0, "", "hello");
    EXPECT_EQ(link.Acks(), std::vector<std::string>{"-1"});
    link.Kill();
}

TEST(ZmvorqWine, MissingCallbackShowsOneMessageBox) {
    struct Row {
        bool ack, receive, allText;
        const char* text;
    };
    const Row rows[] = {
        {false, false, true, "ProcessAckData function missing"},
        {true, false, true, "ProcessReceiveData function missing"},
        {true, true, false, "ProcessGetAllTextData function missing"},
        {false, false, false, "ProcessAckData function missing"},
    };
    for (const auto& r : rows) {
        testwin::MessageBoxWatcher watcher;
        LinkSession link;
        EXPECT_EQ(link.InitWith("Tumbleroo", r.ack, r.receive, r.allText), -1);
        ASSERT_TRUE(watcher.WaitForCount(1, 5000));
        testwin::PumpFor(200);
        const auto seen = watcher.Seen();
        ASSERT_EQ(seen.size(), 1u) << r.text;
        EXPECT_EQ(seen[0].caption, "Init Failure");
        EXPECT_EQ(seen[0].text, r.text);
    }
}

TEST(ZmvorqWine, NameLongerThan31CharactersIsRefusedOnConnectBack) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    const std::string longName = "TumblerooWithAVeryLongTitleIndeed";  // 33 characters
    LinkSession link;
    ASSERT_EQ(link.Init(longName.c_str()), 0);
    link.Register(longName.c_str());
    // The world takes the registration but cannot deliver its acknowledgement: the cut name refuses it.
    ASSERT_TRUE(testwin::PumpUntil([&] { return !world.Transcript("ACK").empty(); }, 10000));
    const auto acks = world.Transcript("ACK");
    EXPECT_EQ(acks[0].fields[0], longName);
    EXPECT_EQ(acks[0].fields[1], "failed");
    EXPECT_TRUE(link.Acks().empty());
    EXPECT_EQ(Received(world, "Zelmarink_Register"), std::vector<std::string>{longName + std::string(1, '\0')});
    link.Kill();
}

}  // namespace
