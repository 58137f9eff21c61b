// A peer bursts notices at Gorvath.exe (library method): it connects to the program's own DDE service, as the
// world client does, and pokes refusal acknowledgements and unsolicited receive records in a row. The test plays
// the operator: it answers the uppermost box until none is left, counting the presses and the boxes open at
// once, then runs "Read List" and closes the window.
#include <windows.h>

#include <ddeml.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/dde_wake_win.h"
#include "host/host_ids.h"
#include "host/tools/gorvath_remote_win.h"
#include "testing/world_harness_win.h"

namespace {

using hostremote::Gorvath;

constexpr char kLibraryMethod[] = "Pelmor 3.0\r\n0\r\n1\r\n0\r\n";
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

std::vector<HWND> Boxes(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            char cls[16] = {};
            GetClassNameA(hwnd, cls, sizeof cls);
            if (owner == s->pid && std::string(cls) == "#32770" && IsWindowVisible(hwnd))
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

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
                const auto boxes = Boxes(pid);
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
        c.mostOpen = std::max(c.mostOpen, Boxes(pid).size());
        c.texts.push_back(hostremote::WindowText(GetDlgItem(top, 0xFFFF)));
        PostMessageW(top, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ++c.presses;
        testwin::PumpUntil([&] { return !IsWindow(top) || !IsWindowVisible(top); }, 5000);
    }
    return c;
}

class Scenario {
  public:
    Scenario() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "burst-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                  std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        std::ofstream(folder_ + "\\SCONTROL.TXT", std::ios::binary) << kLibraryMethod;
        gorvath = std::make_unique<Gorvath>(testwin::BinaryDirectory() + "Gorvath.exe", folder_);
    }
    ~Scenario() {
        gorvath.reset();
        for (const char* name : {"SCONTROL.TXT", "GORVATH.SAV"})
            DeleteFileA((folder_ + "\\" + name).c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    bool Registered() {
        return testwin::PumpUntil([&] { return !world.Transcript("ACK").empty(); }, 10000);
    }

    testwin::WorldProcess world{{"--me", "Marla"}};
    std::unique_ptr<Gorvath> gorvath;

  private:
    std::string folder_;
};

size_t CountContaining(const std::vector<std::string>& texts, const std::string& part) {
    return static_cast<size_t>(std::count_if(texts.begin(), texts.end(),
                                             [&](const std::string& t) { return t.find(part) != std::string::npos; }));
}

TEST(NoticeBurstWine, BurstIsFoldedAndTheProgramCarriesOn) {
    Scenario s;
    ASSERT_TRUE(s.world.ok());
    ASSERT_TRUE(s.gorvath->ok()) << s.gorvath->Error();
    ASSERT_TRUE(s.Registered());
    Gorvath& g = *s.gorvath;

    Peer peer;
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

TEST(NoticeBurstWine, ClosingWithTheBurstsBoxesOpenEndsTheProgram) {
    Scenario s;
    ASSERT_TRUE(s.world.ok());
    ASSERT_TRUE(s.gorvath->ok()) << s.gorvath->Error();
    ASSERT_TRUE(s.Registered());
    Gorvath& g = *s.gorvath;

    Peer peer;
    EXPECT_EQ(peer.Poke("Zelmarink_Ack", std::string("7", 2), 100), 100);
    ASSERT_TRUE(testwin::PumpUntil([&] { return Boxes(g.ProcessId()).size() >= 3; }, 5000));
    EXPECT_LE(Boxes(g.ProcessId()).size(), 3u);
    const ULONGLONG start = GetTickCount64();
    PostMessageW(g.Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(g.WaitForExit(10000));
    EXPECT_LT(GetTickCount64() - start, 5000u);
}

TEST(NoticeBurstWine, NoticesWellApartEachShowTheirOwnText) {
    Scenario s;
    ASSERT_TRUE(s.world.ok());
    ASSERT_TRUE(s.gorvath->ok()) << s.gorvath->Error();
    ASSERT_TRUE(s.Registered());
    Gorvath& g = *s.gorvath;

    Peer peer;
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
