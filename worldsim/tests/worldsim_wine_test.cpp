// worldsim_wine_test.cpp: worldsim.exe under Wine, driven by a plain DDEML client of its own (registered
// under its own service names to catch acknowledgements and receive records) and by control commands.
#include "common/dde_wake_win.h"
#include "testing/world_harness_win.h"
#include "worldsim/protocol.h"
#include "worldsim/window_ids.h"

#include <windows.h>

#include <ddeml.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>

namespace worldsim {
namespace {

using namespace std::string_literals;
using testwin::PumpUntil;
using testwin::WorldProcess;

constexpr DWORD kWaitMs = 20000;

// Blocks laid out as the link library pokes them: the record, its NUL, padding.
std::string Communicate(const std::string& name, int mode, const std::string& target, const std::string& text) {
    std::string block = name + '\x0c' + std::to_string(mode) + '\x0c' + (mode == 2 ? target : "") + '\x0c' + text;
    block += '\0';
    block.resize(block.size() + 5, '\xcd');
    return block;
}

std::string Send(const std::string& name, const std::string& target, int length, const std::string& data) {
    std::string block = name + '\x0c' + target + '\x0c' + std::to_string(length) + '\x0c' + data;
    block += '\0';
    block.resize(block.size() + 5, '\xcd');
    return block;
}

std::vector<std::string> Field(const std::vector<testwin::TranscriptLine>& lines, size_t index) {
    std::vector<std::string> values;
    for (const auto& line : lines)
        values.push_back(index < line.fields.size() ? line.fields[index] : "<missing>");
    return values;
}

// A DDEML client of the world with service names of its own, like a program using the link library.
class Client {
public:
    struct Arrival {
        std::string service;
        std::string topic;
        std::string block;
    };

    explicit Client(const std::vector<std::string>& services) {
        gClient = this;
        if (DdeInitializeA(&instance_, Callback, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR) {
            ADD_FAILURE() << "DdeInitializeA";
            instance_ = 0;
            return;
        }
        for (const auto& name : services) {
            HSZ hsz = DdeCreateStringHandleA(instance_, name.c_str(), CP_WINANSI);
            EXPECT_TRUE(DdeNameService(instance_, hsz, nullptr, DNS_REGISTER)) << name;
            names_.push_back(hsz);
        }
    }
    ~Client() {
        for (HSZ hsz : names_) {
            DdeNameService(instance_, hsz, nullptr, DNS_UNREGISTER);
            DdeFreeStringHandle(instance_, hsz);
        }
        if (instance_)
            DdeUninitialize(instance_);
        gClient = nullptr;
    }

    HCONV Open(std::string_view topic) {
        HSZ service = Hsz(kService), hszTopic = Hsz(topic);
        HCONV conv;
        {
            win::DdeCallGuard guard;
            conv = DdeConnect(instance_, service, hszTopic, nullptr);
        }
        DdeFreeStringHandle(instance_, service);
        DdeFreeStringHandle(instance_, hszTopic);
        return conv;
    }
    void Close(HCONV conv) {
        win::DdeCallGuard guard;
        DdeDisconnect(conv);
    }
    bool PokeOn(HCONV conv, std::string_view topic, const std::string& block) {
        HSZ item = Hsz(topic);
        DWORD result = 0;
        HDDEDATA done;
        {
            win::DdeCallGuard guard;
            done = DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(block.data())),
                                        static_cast<DWORD>(block.size()), conv, item, CF_TEXT, XTYP_POKE, 5000,
                                        &result);
        }
        DdeFreeStringHandle(instance_, item);
        return done != nullptr;
    }
    // One conversation per request, as the link library does it.
    bool Poke(std::string_view topic, const std::string& block) {
        HCONV conv = Open(topic);
        if (!conv)
            return false;
        const bool done = PokeOn(conv, topic, block);
        Close(conv);
        return done;
    }
    std::optional<std::string> GetAllText(const std::string& name) {
        HCONV conv = Open(kTopicGetAllText);
        if (!conv)
            return std::nullopt;
        HSZ item = Hsz(name);
        DWORD result = 0;
        HDDEDATA data;
        {
            win::DdeCallGuard guard;
            data = DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, 5000, &result);
        }
        DdeFreeStringHandle(instance_, item);
        Close(conv);
        if (!data)
            return std::nullopt;
        std::string bytes(DdeGetData(data, nullptr, 0, 0), '\0');
        DdeGetData(data, reinterpret_cast<LPBYTE>(bytes.data()), static_cast<DWORD>(bytes.size()), 0);
        DdeFreeDataHandle(data);
        EXPECT_TRUE(!bytes.empty() && bytes.back() == '\0') << "reply without its NUL";
        return bytes.substr(0, bytes.find('\0'));
    }
    bool CanConnect(std::string_view topic) {
        HCONV conv = Open(topic);
        if (conv)
            Close(conv);
        return conv != nullptr;
    }

    std::vector<Arrival> Arrivals(std::string_view topic, const std::string& service) const {
        std::vector<Arrival> out;
        for (const auto& a : arrivals_)
            if (a.topic == topic && a.service == service)
                out.push_back(a);
        return out;
    }
    // The code text of the acknowledgement that follows the poke, or "<none>".
    std::string PokeAck(std::string_view topic, const std::string& block, const std::string& service = "WsTester") {
        const size_t before = Arrivals(kTopicAck, service).size();
        EXPECT_TRUE(Poke(topic, block)) << "poke on " << topic << " refused";
        if (!PumpUntil([&] { return Arrivals(kTopicAck, service).size() > before; }, kWaitMs))
            return "<none>";
        const std::string block0 = Arrivals(kTopicAck, service)[before].block;
        EXPECT_EQ(block0.find('\0'), block0.size() - 1) << "ack block without its NUL";
        return block0.substr(0, block0.find('\0'));
    }

private:
    HSZ Hsz(std::string_view text) { return DdeCreateStringHandleA(instance_, std::string(text).c_str(), CP_WINANSI); }
    std::string Query(HSZ hsz) {
        char buffer[256] = {};
        DdeQueryStringA(instance_, hsz, buffer, sizeof buffer, CP_WINANSI);
        return buffer;
    }
    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data, ULONG_PTR,
                                      ULONG_PTR) {
        Client* self = gClient;
        if (!self)
            return nullptr;
        switch (type) {
        case XTYP_CONNECT: {
            const bool ours = std::any_of(self->names_.begin(), self->names_.end(),
                                          [&](HSZ name) { return DdeCmpStringHandles(name, hsz2) == 0; });
            return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(ours));
        }
        case XTYP_CONNECT_CONFIRM:
            self->conversations_[conv] = self->Query(hsz2);
            return nullptr;
        case XTYP_DISCONNECT:
            self->conversations_.erase(conv);
            return nullptr;
        case XTYP_POKE: {
            std::string block(DdeGetData(data, nullptr, 0, 0), '\0');
            DdeGetData(data, reinterpret_cast<LPBYTE>(block.data()), static_cast<DWORD>(block.size()), 0);
            self->arrivals_.push_back({self->conversations_[conv], self->Query(hsz1), block});
            return reinterpret_cast<HDDEDATA>(DDE_FACK);
        }
        default:
            return nullptr;
        }
    }

    static inline Client* gClient = nullptr;
    DWORD instance_ = 0;
    std::vector<HSZ> names_;
    std::map<HCONV, std::string> conversations_;
    std::vector<Arrival> arrivals_;
};

TEST(WorldsimWineTest, RequestsAcknowledgementsAndChat) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    std::optional<Client> client;
    client.emplace(std::vector<std::string>{"WsTester"});

    struct Step {
        std::string_view topic;
        std::string block;
        std::string control;  // run before the poke
        std::string ack;
    };
    const Step steps[] = {
        {kTopicRegister, "WsTester\0"s, "", "0"},
        {kTopicRegister, "WsTester\0"s, "", "9"},
        {kTopicCommunicate, Communicate("WsTester", 0, "", "hello"), "", "0"},
        {kTopicCommunicate, Communicate("WsTester", 1, "", "hm"), "", "0"},
        {kTopicCommunicate, Communicate("WsTester", 2, "Marla", "me"), "", "0"},
        {kTopicCommunicate, Communicate("WsTester", 2, "Bob", "hi"), "", "1"},
        {kTopicCommunicate, Communicate("WsTester", 2, "Bob", "hi"), "avatar|Bob", "0"},
        {kTopicCommunicate, Communicate("WsTester", 2, "", "x"), "", "12"},
        {kTopicCommunicate, Communicate("WsTester", 0, "", ""), "", "11"},
        {kTopicSend, "WsTester\x0cMarla"s, "", "14"},
        {kTopicUnregister, "WsTester\0"s, "", "0"},
        {kTopicUnregister, "WsTester\0"s, "", "10"},
    };
    std::vector<std::string> acks;
    for (const auto& step : steps) {
        if (!step.control.empty()) {
            EXPECT_TRUE(world.Control(step.control));
        }
        acks.push_back(step.ack);
        EXPECT_EQ(client->PokeAck(step.topic, step.block), step.ack) << step.topic << " " << step.block;
    }

    // Two pokes over one conversation kept open; the acks come while it is still open.
    HCONV conv = client->Open(kTopicCommunicate);
    ASSERT_TRUE(conv);
    EXPECT_TRUE(client->PokeOn(conv, kTopicCommunicate, Communicate("WsTester", 0, "", "kept 1")));
    EXPECT_TRUE(client->PokeOn(conv, kTopicCommunicate, Communicate("WsTester", 0, "", "kept 2")));
    EXPECT_TRUE(PumpUntil([&] { return client->Arrivals(kTopicAck, "WsTester").size() == acks.size() + 2; }, kWaitMs));
    client->Close(conv);
    acks.insert(acks.end(), {"0", "0"});

    // A caller without a DDE service of its own: the world says it, the ack cannot be delivered.
    EXPECT_TRUE(client->Poke(kTopicCommunicate, Communicate("NoSuchService", 0, "", "unacked")));
    EXPECT_TRUE(PumpUntil([&] { return !world.Transcript("ACK").empty() &&
                                       world.Transcript("ACK").back().fields[0] == "NoSuchService"; },
                          kWaitMs));

    const std::string chat = "Marla: hello\r\nMarla thinks: hm\r\nESP from Marla: me\r\nESP to Bob: hi\r\n"
                             "Marla: kept 1\r\nMarla: kept 2\r\nMarla: unacked\r\n";
    EXPECT_EQ(client->GetAllText("WsTester"), chat);

    const auto ackLines = world.Transcript("ACK");
    ASSERT_EQ(ackLines.size(), acks.size() + 1);
    std::vector<std::string> expectedAcks = acks;
    expectedAcks.push_back("0");
    EXPECT_EQ(Field(ackLines, 2), expectedAcks);
    std::vector<std::string> delivered(acks.size(), "delivered");
    delivered.push_back("failed");
    EXPECT_EQ(Field(ackLines, 1), delivered);

    const auto recv = world.Transcript("RECV");
    ASSERT_EQ(recv.size(), std::size(steps) + 3);
    EXPECT_EQ(recv[0].fields[0], kTopicRegister);
    EXPECT_EQ(recv[0].fields[1], kTopicRegister);
    EXPECT_EQ(recv[2].fields[3], Communicate("WsTester", 0, "", "hello"));  // the exact poked bytes
    EXPECT_EQ(Field(world.Transcript("CHAT"), 0),
              (std::vector<std::string>{"Marla: hello", "Marla thinks: hm", "ESP from Marla: me", "ESP to Bob: hi",
                                        "Marla: kept 1", "Marla: kept 2", "Marla: unacked"}));
    const auto req = world.Transcript("REQ");
    ASSERT_EQ(req.size(), 1u);
    EXPECT_EQ(req[0].fields, (std::vector<std::string>{std::string(kTopicGetAllText), "WsTester", req[0].fields[2],
                                                       chat}));
    for (const auto& line : world.Transcript("CONNECT")) {
        EXPECT_EQ(line.fields[1], "accepted") << line.fields[0];
    }

    // A program that ends its DDE instance and starts a new one under the same name (how the link module
    // reconnects) gets its acknowledgements again: the world lets go of the conversation that died.
    client.reset();
    client.emplace(std::vector<std::string>{"WsTester"});
    EXPECT_EQ(client->PokeAck(kTopicRegister, "WsTester\0"s), "0");
    EXPECT_EQ(client->PokeAck(kTopicCommunicate, Communicate("WsTester", 0, "", "back again")), "0");
}

TEST(WorldsimWineTest, FaultsSwitchedWhileRunning) {
    WorldProcess world;
    ASSERT_TRUE(world.ok());
    Client client({"WsTester"});
    ASSERT_EQ(client.PokeAck(kTopicRegister, "WsTester\0"s), "0");

    struct Row {
        std::vector<std::string> controls;
        std::string text;
        std::string ack;
    };
    const Row rows[] = {
        {{"fault|ackcode|all|18"}, "a1", "18"},
        {{"fault|ackcode|Zelmarink_Communicate| 5"}, "a2", " 5"},
        {{"fault|ackcode|all|off", "fault|ghost|on"}, "a3", "13"},
        {{"fault|ghost|off", "fault|loggedout|on"}, "a4", "17"},
        {{"fault|loggedout|off", "fault|drop|a5|1"}, "a5", "0"},
        {{}, "a5 again", "0"},
        {{"fault|dup|a6|1"}, "a6", "0"},
        {{"fault|ackdelay|300", "fault|lag|100"}, "a7", "0"},
        {{"fault|clear"}, "a8", "0"},
    };
    for (const auto& row : rows) {
        for (const auto& control : row.controls)
            EXPECT_TRUE(world.Control(control)) << control;
        EXPECT_EQ(client.PokeAck(kTopicCommunicate, Communicate("WsTester", 0, "", row.text)), row.ack) << row.text;
    }
    EXPECT_EQ(client.GetAllText("WsTester"),
              "Marla: a1\r\nMarla: a2\r\nMarla: a5 again\r\nMarla: a6\r\nMarla: a6\r\nMarla: a7\r\nMarla: a8\r\n");

    // No acknowledgement at all: the next ack to arrive is the one of the following poke.
    const size_t before = client.Arrivals(kTopicAck, "WsTester").size();
    EXPECT_TRUE(world.Control("fault|noack|on"));
    EXPECT_TRUE(client.Poke(kTopicCommunicate, Communicate("WsTester", 0, "", "n1")));
    EXPECT_TRUE(world.Control("fault|noack|off"));
    EXPECT_TRUE(world.Control("fault|ackcode|all|77"));
    EXPECT_EQ(client.PokeAck(kTopicCommunicate, Communicate("WsTester", 0, "", "n2")), "77");
    EXPECT_EQ(client.Arrivals(kTopicAck, "WsTester").size(), before + 1);

    EXPECT_TRUE(world.Control("fault|notext|on"));
    EXPECT_FALSE(client.GetAllText("WsTester"));
    EXPECT_EQ(world.Transcript("REQ").back().fields.back(), "-");
    EXPECT_TRUE(world.Control("fault|notext|off"));
    EXPECT_TRUE(client.GetAllText("WsTester"));

    EXPECT_TRUE(world.Control("fault|refuse|Zelmarink_Communicate|on"));
    EXPECT_FALSE(client.CanConnect(kTopicCommunicate));
    EXPECT_TRUE(client.CanConnect(kTopicSend));
    EXPECT_TRUE(world.Control("fault|refuse|all|on"));
    EXPECT_FALSE(client.GetAllText("WsTester"));
    EXPECT_TRUE(world.Control("fault|refuse|all|off"));
    EXPECT_TRUE(client.CanConnect(kTopicCommunicate));
    EXPECT_FALSE(client.CanConnect("Zelmarink_Ack"));
    const auto connects = world.Transcript("CONNECT");
    const auto refused = std::count_if(connects.begin(), connects.end(),
                                       [](const auto& l) { return l.fields[1] == "refused"; });
    EXPECT_EQ(refused, 3);
}

TEST(WorldsimWineTest, SendTriggersScenarioAndWorldctl) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string scenario = std::string(temp) + "worldsim-scenario-" + std::to_string(GetCurrentProcessId());
    std::ofstream(scenario, std::ios::binary) << "# rehearsal\r\navatar|Ann\r\n\r\nesp|Ann|$\r\nbogus line\r\n"
                                                 "when|ping|say|Ann|pong\r\n";
    WorldProcess world({"--me", "Zed", "--scenario", scenario});
    ASSERT_TRUE(world.ok());
    EXPECT_TRUE(world.Control("mark|scenario done"));  // taken only after the scenario has run
    DeleteFileA(scenario.c_str());
    EXPECT_EQ(Field(world.Transcript("CTRL"), 0), (std::vector<std::string>{"ok", "ok", "error", "ok", "ok"}));
    EXPECT_EQ(Field(world.Transcript("CTRL"), 1), (std::vector<std::string>{"avatar|Ann", "esp|Ann|$", "bogus line",
                                                                             "when|ping|say|Ann|pong",
                                                                             "mark|scenario done"}));

    Client client({"WsTester", "WsOther"});
    ASSERT_EQ(client.PokeAck(kTopicRegister, "WsTester\0"s), "0");
    ASSERT_EQ(client.PokeAck(kTopicRegister, "WsOther\0"s, "WsOther"), "0");
    EXPECT_EQ(client.PokeAck(kTopicCommunicate, Communicate("WsTester", 0, "", "ping")), "0");

    const std::string data = "d\x0c\0!"s;
    struct Row {
        std::string block;
        std::string ack;
    };
    const Row rows[] = {
        {Send("WsTester", "Zed", 4, data), "0"},
        {Send("WsTester", "Ann", 4, data), "0"},
        {Send("WsTester", "Nobody", 4, data), "1"},
        {Send("WsTester", "Zed", -1, data), "15"},
        {Send("WsTester", "Zed", 0, ""), "16"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(client.PokeAck(kTopicSend, row.block), row.ack) << row.block;
    }
    ASSERT_TRUE(PumpUntil([&] { return !client.Arrivals(kTopicReceive, "WsOther").empty(); }, kWaitMs));
    EXPECT_EQ(client.Arrivals(kTopicReceive, "WsOther")[0].block, "Zed\x0c" "4\x0c" "d\x0c\0!\0"s);
    EXPECT_EQ(Field(world.Transcript("SENT"), 1), std::vector<std::string>{data});

    EXPECT_TRUE(world.Control("send|Ann|WsTester|x\\x0cy"));
    EXPECT_FALSE(world.Control("send|Ann|Nobody|x"));
    ASSERT_TRUE(PumpUntil([&] { return !client.Arrivals(kTopicReceive, "WsTester").empty(); }, kWaitMs));
    EXPECT_EQ(client.Arrivals(kTopicReceive, "WsTester")[0].block, "Ann\x0c" "3\x0cx\x0cy\0"s);
    EXPECT_EQ(client.Arrivals(kTopicReceive, "WsTester").size(), 1u);  // the sender gets no copy of its own
    // The world notes a delivery once the poke transaction has returned, a moment after the program has it.
    EXPECT_TRUE(PumpUntil([&] { return world.Transcript("RECEIVE").size() == 2; }, kWaitMs));
    EXPECT_EQ(Field(world.Transcript("RECEIVE"), 1), (std::vector<std::string>{"delivered", "delivered"}));

    EXPECT_TRUE(world.Control("after|0.2|think|Bob|later"));
    EXPECT_TRUE(PumpUntil([&] { return world.Transcript("CHAT").back().fields[0] == "Bob thinks: later"; }, kWaitMs));

    const std::string ctl = testwin::BinaryDirectory() + "worldctl.exe";
    EXPECT_EQ(testwin::RunAndWait(ctl, {"mark|from ctl", "say|Ann|via ctl"}, 30000), 0);
    EXPECT_EQ(testwin::RunAndWait(ctl, {"mark|fine", "bogus"}, 30000), 1);
    EXPECT_EQ(testwin::RunAndWait(ctl, {"--wait", "soon"}, 30000), 1);
    EXPECT_EQ(Field(world.Transcript("MARK"), 0), (std::vector<std::string>{"scenario done", "from ctl", "fine"}));
    EXPECT_EQ(client.GetAllText("WsTester"),
              "ESP from Ann: $\r\nZed: ping\r\nAnn: pong\r\nBob thinks: later\r\nAnn: via ctl\r\n");

    // A person at the window: plain text is said by the own avatar, a line with '|' is a command. The chat
    // shows what was said, control characters written out.
    HWND input = GetDlgItem(world.Window(), IDC_MAIN_INPUT);
    ASSERT_TRUE(input);
    for (const wchar_t* typed : {L"typed by hand", L"think|Ann|typed \\x41\\x0c", L"say|Ann"}) {
        SendMessageW(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed));
        SendMessageW(input, WM_KEYDOWN, VK_RETURN, 0);
    }
    EXPECT_EQ(Field(world.Transcript("CTRL"), 1).back(), "say|Ann");
    EXPECT_EQ(Field(world.Transcript("CTRL"), 0).back(), "error");
    wchar_t shown[2048] = {};
    SendMessageW(GetDlgItem(world.Window(), IDC_MAIN_CHAT), WM_GETTEXT, std::size(shown),
                 reinterpret_cast<LPARAM>(shown));
    EXPECT_EQ(std::wstring(shown), L"ESP from Ann: $\r\nZed: ping\r\nAnn: pong\r\nBob thinks: later\r\n"
                                   L"Ann: via ctl\r\nZed: typed by hand\r\nAnn thinks: typed A\\x0c\r\n");

    EXPECT_TRUE(world.Control("quit"));
    EXPECT_TRUE(world.WaitForExit(kWaitMs));
    EXPECT_EQ(testwin::RunAndWait(ctl, {"mark|too late"}, 30000), 2);
    EXPECT_EQ(testwin::RunAndWait(ctl, {"--wait", "0.3", "mark|too late"}, 30000), 2);
}

}  // namespace
}  // namespace worldsim
