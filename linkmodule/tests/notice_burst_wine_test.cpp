// A peer bursts notices at Gorvath.exe (library method): it connects to the program's own DDE service, as the
// world client does, and pokes refusal acknowledgements and unsolicited receive records in a row. The test plays
// the operator: it answers the uppermost box until none is left, counting the presses and the boxes open at
// once, then runs "Read List" and closes the window.
#include <windows.h>

#include <ddeml.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/dde_wake_win.h"
#include "host/host_ids.h"
#include "host/tools/gorvath_remote_win.h"
#include "testing/program_harness_win.h"

namespace {

using hostremote::Gorvath;
using testwin::MessageBoxes;

constexpr char kRefusal[] = "1- Target avatar is not logged on";
constexpr char kReceived[] = "Data received from Bob: hello";

HDDEDATA CALLBACK PeerCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

// A DDE client of the program's service "Tumbleroo", poking as the world client pokes its notices.
class Peer {
  public:
    Peer() { DdeInitializeA(&instance_, PeerCallback, APPCMD_CLIENTONLY, 0); }
    ~Peer() {
        if (instance_)
            DdeUninitialize(instance_);
    }
    // Pokes `block` `times` times on `topic`; returns how many pokes the program took (DDE_FACK).
    int Poke(const std::string& topic, const std::string& block, int times) {
        HSZ service = DdeCreateStringHandleA(instance_, "Tumbleroo", CP_WINANSI);
        HSZ hszTopic = DdeCreateStringHandleA(instance_, topic.c_str(), CP_WINANSI);
        HCONV conv = nullptr;
        {
            win::DdeCallGuard wake;
            conv = DdeConnect(instance_, service, hszTopic, nullptr);
        }
        int taken = 0;
        if (conv) {
            for (int i = 0; i < times; ++i) {
                win::DdeCallGuard wake;
                DWORD result = 0;
                if (DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(block.data())),
                                         static_cast<DWORD>(block.size()), conv, hszTopic, CF_TEXT, XTYP_POKE, 5000,
                                         &result))
                    ++taken;
            }
            win::DdeCallGuard wake;
            DdeDisconnect(conv);
        }
        DdeFreeStringHandle(instance_, service);
        DdeFreeStringHandle(instance_, hszTopic);
        return taken;
    }

  private:
    DWORD instance_ = 0;
};

struct Clearing {
    int presses = 0;
    size_t mostOpen = 0;
    std::vector<std::string> texts;  // of the boxes pressed, in order
};

// Presses OK on the box the operator can reach (the enabled one on top) until no box comes for quietMs.
Clearing ClearBoxes(DWORD pid, DWORD quietMs, int pressLimit = 400) {
    Clearing c;
    while (c.presses < pressLimit) {
        HWND top = nullptr;
        testwin::PumpUntil(
            [&] {
                const auto boxes = MessageBoxes(pid);
                c.mostOpen = std::max(c.mostOpen, boxes.size());
                top = nullptr;
                for (HWND box : boxes)
                    if (IsWindowEnabled(box))
                        top = box;
                return top != nullptr;
            },
            quietMs);
        if (!top)
            break;
        testwin::PumpFor(30);  // a person reads before pressing; further boxes may come up meanwhile
        c.mostOpen = std::max(c.mostOpen, MessageBoxes(pid).size());
        c.texts.push_back(testwin::BoxText(top));
        PostMessageW(top, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ++c.presses;
        testwin::PumpUntil([&] { return !IsWindow(top) || !IsWindowVisible(top); }, 5000);
    }
    return c;
}

// The world, then Gorvath.exe by the library method in a folder of its own, registered with the world.
class NoticeBurstWine : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(world.ok());
        gorvath = std::make_unique<Gorvath>(testwin::BinaryDirectory() + "Gorvath.exe", folder.path());
        ASSERT_TRUE(gorvath->ok()) << gorvath->Error();
        ASSERT_TRUE(testwin::PumpUntil([&] { return !world.Transcript("ACK").empty(); }, 10000));
    }

    testwin::WorldProcess world{{"--me", testwin::kMe}};
    testwin::Folder folder{"burst", {{"SCONTROL.TXT", testwin::kLibraryMethod}}};
    std::unique_ptr<Gorvath> gorvath;
    Peer peer;
};

size_t CountContaining(const std::vector<std::string>& texts, const std::string& part) {
    return static_cast<size_t>(std::count_if(texts.begin(), texts.end(),
                                             [&](const std::string& t) { return t.find(part) != std::string::npos; }));
}

TEST_F(NoticeBurstWine, BurstIsFoldedAndTheProgramCarriesOn) {
    Gorvath& g = *gorvath;
    EXPECT_EQ(peer.Poke("Zelmarink_Ack", std::string("1", 2), 150), 150);
    EXPECT_EQ(peer.Poke("Zelmarink_Receive", std::string("Bob\f5\fhello", 13), 150), 150);

    const Clearing c = ClearBoxes(g.ProcessId(), 1500);
    EXPECT_LE(c.presses, 10);
    EXPECT_LE(c.mostOpen, 3u);
    ASSERT_FALSE(c.texts.empty());
    EXPECT_EQ(c.texts[0], kRefusal);  // the first ones with their exact texts
    // Every notice is accounted for: shown alone, or counted in a folded box.
    size_t acks = 0, receives = 0;
    for (const std::string& t : c.texts) {
        const size_t more = t.find("... and ");
        const size_t count = more == std::string::npos ? 1 : 1 + std::stoul(t.substr(more + 8));
        if (t.rfind(kRefusal, 0) == 0)
            acks += count;
        else if (t.rfind(kReceived, 0) == 0)
            receives += count;
        else
            ADD_FAILURE() << "unexpected box: " << t;
    }
    EXPECT_EQ(acks, 150u);
    EXPECT_EQ(receives, 150u);
    EXPECT_EQ(CountContaining(c.texts, "more like it"), 2u);

    // The next command runs normally, then closing ends the program.
    EXPECT_TRUE(g.Run(IDC_HOST_COMMAND1, 30000));
    EXPECT_FALSE(g.Busy());
    EXPECT_TRUE(IsWindowEnabled(g.Window()));
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(g.Close(10000));
    EXPECT_LT(GetTickCount64() - start, 5000u);
}

TEST_F(NoticeBurstWine, ClosingWithTheBurstsBoxesOpenEndsTheProgram) {
    Gorvath& g = *gorvath;
    EXPECT_EQ(peer.Poke("Zelmarink_Ack", std::string("7", 2), 100), 100);
    ASSERT_TRUE(testwin::PumpUntil([&] { return MessageBoxes(g.ProcessId()).size() >= 3; }, 5000));
    EXPECT_LE(MessageBoxes(g.ProcessId()).size(), 3u);
    const ULONGLONG start = GetTickCount64();
    PostMessageW(g.Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(g.WaitForExit(10000));
    EXPECT_LT(GetTickCount64() - start, 5000u);
}

TEST_F(NoticeBurstWine, NoticesWellApartEachShowTheirOwnText) {
    Gorvath& g = *gorvath;
    struct Row {
        const char* topic;
        std::string block;
        const char* text;
    };
    const Row rows[] = {
        {"Zelmarink_Ack", std::string("12", 3), "12 - Mode was ESP but no avatar name was specified"},
        {"Zelmarink_Receive", std::string("Bob\f5\fhello", 13), kReceived},
        {"Zelmarink_Ack", std::string("-1", 3), "99 - Unknown error occured"},
    };
    for (const Row& r : rows) {
        ASSERT_EQ(peer.Poke(r.topic, r.block, 1), 1);
        const Clearing c = ClearBoxes(g.ProcessId(), 1000);
        EXPECT_EQ(c.texts, std::vector<std::string>{r.text});
    }
    // A few at once stack with their own texts.
    ASSERT_EQ(peer.Poke("Zelmarink_Ack", std::string("6", 2), 3), 3);
    const Clearing c = ClearBoxes(g.ProcessId(), 1000);
    EXPECT_EQ(c.texts, std::vector<std::string>(3, "6 - Your avatar is currently busy"));
    EXPECT_TRUE(g.Close(10000));
}

}  // namespace
