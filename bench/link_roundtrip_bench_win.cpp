// link_roundtrip_bench: the round trip of one speak request, from the call to the world client's
// acknowledgement in the callback, through zmvorq.dll and through the same connect-poke-disconnect written
// directly on DDEML. Both run in one process against one stand-in world, interleaved so that they share the
// machine's noise and the world's growing chat. Prints medians and their ratio.
//
//   link_roundtrip_bench.exe [ROUNDS] [--beside-late MS]      (default 200 of each)
//   link_roundtrip_bench.exe --soak library|ddeml [REQUESTS [EVERY [receives]]]
//                                                           (default 100,000, figures every 10,000)
//
// --soak: an evening in one process: REQUESTS requests of the host's mix (speech, an ESP every fifth, a receive
// record from another avatar every 50th, a fetch of the whole chat every 100th) through zmvorq.dll or through a plain
// DDEML client written here, each awaited (its acknowledgement, the receive, the text), against a stand-in world
// whose chat holds 200 KB. Prints, every EVERY requests, the committed private memory, the time per 1,000 requests
// of that stretch, and the references the system counts to the service and communicate atoms; with "receives",
// every request is a receive record the world pokes to the client's name, so that only the client's DDE server side
// is measured. The stand-in is started afresh, with its 200 KB chat, every 10,000 requests, and its chat is set
// back to those 200 KB every 1,000 (neither is timed); in between it grows by about 30 KB.
//
// --beside-late MS: with a window of another thread on the desktop that reads its messages only every MS ms (a
// program that answers late): DDEML's connect asks every top-level window in turn and waits for that one, the
// library's does not. (A window that never answers would hold DDEML's connect for good.)
#include <windows.h>

#include <ddeml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/dde_atoms_win.h"
#include "common/dde_handles_win.h"
#include "common/dde_wake_win.h"
#include "linklib/records.h"
#include "linklib/tools/link_session_win.h"
#include "testing/world_harness_win.h"

namespace {

constexpr char kRawName[] = "BenchRaw";
DWORD gRawInstance = 0;
int gRawAcks = 0;
int gRawReceives = 0;

HDDEDATA CALLBACK RawCallback(UINT type, UINT, HCONV, HSZ hsz1, HSZ hsz2, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    char buf[100] = {};
    if (type == XTYP_CONNECT) {
        DdeQueryStringA(gRawInstance, hsz2, buf, sizeof buf, CP_WINANSI);
        return reinterpret_cast<HDDEDATA>(std::string(buf) == kRawName ? 1 : 0);
    }
    if (type == XTYP_POKE) {
        DdeQueryStringA(gRawInstance, hsz1, buf, sizeof buf, CP_WINANSI);
        if (std::string(buf) == "Zelmarink_Ack") {
            ++gRawAcks;
            return reinterpret_cast<HDDEDATA>(DDE_FACK);
        }
        if (std::string(buf) == "Zelmarink_Receive") {
            ++gRawReceives;
            return reinterpret_cast<HDDEDATA>(DDE_FACK);
        }
    }
    return nullptr;
}

// DDEML's connect. Under Wine, DDEML's conversation window needs a handle that widens alike, or the world's DDEML
// server drops the conversation's messages (common/dde_handles_win.h): without it, this client stops after
// some 33,000 requests in a soak.
HCONV RawConnect(HSZ service, HSZ topic) {
    win::HandleAhead handleAhead;
    return DdeConnect(gRawInstance, service, topic, nullptr);
}

// One request written directly on DDEML: connect, poke the block, disconnect.
void RawPoke(const char* topic, const linklib::Block& block) {
    HSZ service = DdeCreateStringHandleA(gRawInstance, "Zelmarink", CP_WINANSI);
    HSZ hszTopic = DdeCreateStringHandleA(gRawInstance, topic, CP_WINANSI);
    HCONV conv;
    {
        win::DdeCallGuard wake;
        conv = RawConnect(service, hszTopic);
    }
    if (conv) {
        HDDEDATA data = DdeCreateDataHandle(gRawInstance, const_cast<BYTE*>(block.data()),
                                            static_cast<DWORD>(block.size()), 0, hszTopic, CF_TEXT, 0);
        {
            win::DdeCallGuard wake;
            DdeClientTransaction(reinterpret_cast<LPBYTE>(data), 0xFFFFFFFF, conv, hszTopic, CF_TEXT, XTYP_POKE,
                                 2000, nullptr);
            DdeDisconnect(conv);
        }
    }
    DdeFreeStringHandle(gRawInstance, service);
    DdeFreeStringHandle(gRawInstance, hszTopic);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Says about 200 KB of chat in the world: lines of about 70 bytes by Ann, in a few long "say" commands.
bool FillChat(testwin::WorldProcess& world) {
    for (int command = 0; command < 20; ++command) {
        std::string say = "say|Ann|";
        for (int line = 0; line < 150; ++line)
            say += (line ? "\\x0d\\x0aAnn: " : "") + std::string("ordinary chat line ") + std::to_string(command * 150 + line) +
                   ", nothing to see here, go on and on";
        if (!world.Control(say))
            return false;
    }
    return true;
}

// A world whose chat holds about 200 KB.
std::unique_ptr<testwin::WorldProcess> WorldWithBigChat() {
    auto world = std::make_unique<testwin::WorldProcess>(std::vector<std::string>{"--me", "Marla"});
    if (!world->ok() || !world->Control("avatar|Ann") || !FillChat(*world))
        return nullptr;
    return world;
}

// The soak's plain DDEML client: requests written directly on DDEML, under the name kRawName.
void RawFetch() {
    HSZ service = DdeCreateStringHandleA(gRawInstance, "Zelmarink", CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(gRawInstance, "Zelmarink_GetAllText", CP_WINANSI);
    HSZ item = DdeCreateStringHandleA(gRawInstance, kRawName, CP_WINANSI);
    win::DdeCallGuard wake;
    if (HCONV conv = RawConnect(service, topic)) {
        if (HDDEDATA data = DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, 5000, nullptr))
            DdeFreeDataHandle(data);
        DdeDisconnect(conv);
    }
    DdeFreeStringHandle(gRawInstance, service);
    DdeFreeStringHandle(gRawInstance, topic);
    DdeFreeStringHandle(gRawInstance, item);
}

// How many references the system counts to the atom of `name` (0: none is left), for the table's share of a soak:
// references a client takes and never gives back stay after the programs that took them have ended.
int AtomReferencesOf(const char* name) {
    const ATOM atom = GlobalFindAtomA(name);
    return atom ? win::AtomReferences(atom) : 0;
}

int Soak(bool library, int requests, int every, bool receivesOnly) {
    const char* name = library ? "BenchLib" : kRawName;
    std::unique_ptr<testwin::WorldProcess> world;
    testwin::LinkSession link;
    if (library ? (!link.loaded() || link.Init(name) != 0)
                : DdeInitializeA(&gRawInstance, RawCallback, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR) {
        std::fprintf(stderr, "link_roundtrip_bench: the client could not be started\n");
        return 1;
    }
    HSZ raw = library ? nullptr : DdeCreateStringHandleA(gRawInstance, kRawName, CP_WINANSI);
    if (raw)
        DdeNameService(gRawInstance, raw, nullptr, DNS_REGISTER);
    std::printf(receivesOnly ? "soak through %s: %d receive records poked by the world\n"
                             : "soak through %s: %d requests (speech, ESP every 5th, receive every 50th, fetch every "
                               "100th)\n",
                library ? "zmvorq.dll" : "a plain DDEML client", requests);
    std::printf("  requests  committed private KB  ms per 1,000 requests  (lost)  references to the service and "
                "communicate atoms\n");
    std::fflush(stdout);
    double stretchMs = 0;
    int lost = 0;
    for (int i = 0; i < requests; ++i) {
        if (i % 10000 == 0) {
            world.reset();
            world = WorldWithBigChat();
            if (!world) {
                std::fprintf(stderr, "link_roundtrip_bench: the stand-in world did not start\n");
                return 1;
            }
            if (library) {
                link.Register(name);
                testwin::PumpMessagesUntil([&] { return !link.Acks().empty(); }, 10000);
                link.ClearReports();
            } else {
                RawPoke("Zelmarink_Register", linklib::BuildNameRecord(kRawName));
                const int before = gRawAcks;
                testwin::PumpMessagesUntil([&] { return gRawAcks > before; }, 10000);
            }
        }
        // The stand-in shows its whole chat in an edit control, whose every added line costs time that grows with
        // the text (from 21 to 25 ms a request over the first 2,000 here): its chat is set back to 200 KB every
        // 1,000 requests (untimed), so that the figures are the client's, not the stand-in's.
        if (i % 10000 != 0 && i % 1000 == 0 && (!world->Control("clear") || !FillChat(*world))) {
            std::fprintf(stderr, "link_roundtrip_bench: the stand-in world's chat could not be set again\n");
            return 1;
        }
        const double t0 = NowMs();
        bool done;
        if (!receivesOnly && i % 100 == 99) {
            if (library) {
                link.GetAllText(name);
                done = !link.AllTexts().empty();
            } else {
                RawFetch();
                done = true;
            }
        } else if (receivesOnly || i % 50 == 49) {
            const int before = library ? static_cast<int>(link.Receives().size()) : gRawReceives;
            world->Control(std::string("send|Ann|") + name + "|soak data " + std::to_string(i));
            done = testwin::PumpMessagesUntil(
                [&] { return (library ? static_cast<int>(link.Receives().size()) : gRawReceives) > before; }, 10000);
        } else {
            const std::string text = "soak line " + std::to_string(i);
            const bool esp = i % 5 == 4;
            const int before = library ? static_cast<int>(link.Acks().size()) : gRawAcks;
            if (library)
                link.Communicate(name, esp ? 2 : 0, esp ? "Ann" : "", text.c_str());
            else
                RawPoke("Zelmarink_Communicate", *linklib::BuildCommunicateRecord(kRawName, esp ? 2 : 0,
                                                                                esp ? "Ann" : "", text.c_str()));
            done = testwin::PumpMessagesUntil(
                [&] { return (library ? static_cast<int>(link.Acks().size()) : gRawAcks) > before; }, 10000);
        }
        stretchMs += NowMs() - t0;
        lost += done ? 0 : 1;
        link.ClearReports();
        if ((i + 1) % every == 0) {
            std::printf("  %8d  %19zu  %21.0f  (%d)  %d %d\n", i + 1, testwin::CommittedPrivateBytes() / 1024,
                        stretchMs * 1000.0 / every, lost, AtomReferencesOf("Zelmarink"),
                        AtomReferencesOf("Zelmarink_Communicate"));
            std::fflush(stdout);
            stretchMs = 0;
        }
    }
    if (library)
        link.Kill();
    if (raw) {
        DdeNameService(gRawInstance, raw, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(gRawInstance, raw);
        DdeUninitialize(gRawInstance);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--soak") == 0)
        return Soak(std::strcmp(argv[2], "library") == 0, argc > 3 ? std::max(1, std::atoi(argv[3])) : 100000,
                    argc > 4 ? std::max(1, std::atoi(argv[4])) : 10000, argc > 5 && std::strcmp(argv[5], "receives") == 0);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    std::unique_ptr<testwin::UnansweringWindow> late;
    if (argc > 3 && std::strcmp(argv[2], "--beside-late") == 0) {
        late = std::make_unique<testwin::UnansweringWindow>(testwin::UnansweringWindow::Mode::Late,
                                                            static_cast<DWORD>(std::max(1, std::atoi(argv[3]))));
        std::printf("beside a window that reads its messages every %s ms\n", argv[3]);
    }
    testwin::WorldProcess world;
    if (!world.ok()) {
        std::fprintf(stderr, "link_roundtrip_bench: the stand-in world did not start\n");
        return 1;
    }
    testwin::LinkSession link;
    if (!link.loaded() || link.Init("BenchLib") != 0) {
        std::fprintf(stderr, "link_roundtrip_bench: zmvorq.dll could not be started\n");
        return 1;
    }
    if (DdeInitializeA(&gRawInstance, RawCallback, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR) {
        std::fprintf(stderr, "link_roundtrip_bench: DdeInitialize failed\n");
        return 1;
    }
    HSZ raw = DdeCreateStringHandleA(gRawInstance, kRawName, CP_WINANSI);
    DdeNameService(gRawInstance, raw, nullptr, DNS_REGISTER);

    link.Register("BenchLib");
    RawPoke("Zelmarink_Register", linklib::BuildNameRecord(kRawName));
    testwin::PumpMessagesUntil([&] { return link.Acks().size() >= 1 && gRawAcks >= 1; }, 10000);

    std::vector<double> viaLibrary, direct;
    int lost = 0;
    for (int i = 0; i < rounds; ++i) {
        const std::string text = "bench line " + std::to_string(i);

        size_t before = link.Acks().size();
        double t0 = NowMs();
        link.Communicate("BenchLib", 0, "", text.c_str());
        if (testwin::PumpMessagesUntil([&] { return link.Acks().size() > before; }, 10000))
            viaLibrary.push_back(NowMs() - t0);
        else
            ++lost;

        const int rawBefore = gRawAcks;
        const auto block = linklib::BuildCommunicateRecord(kRawName, 0, "", text.c_str());
        t0 = NowMs();
        RawPoke("Zelmarink_Communicate", *block);
        if (testwin::PumpMessagesUntil([&] { return gRawAcks > rawBefore; }, 30000))
            direct.push_back(NowMs() - t0);
        else
            ++lost;
    }

    const double lib = Median(viaLibrary), dde = Median(direct);
    std::printf("speak round trip, call to acknowledgement, %d rounds each (%d lost)\n", rounds, lost);
    std::printf("  through zmvorq.dll : median %.2f ms\n", lib);
    std::printf("  direct on DDEML    : median %.2f ms\n", dde);
    std::printf("  ratio library/direct: %.3f (target at most 1.15)\n", dde > 0 ? lib / dde : 0.0);

    link.Kill();
    DdeNameService(gRawInstance, raw, nullptr, DNS_UNREGISTER);
    DdeFreeStringHandle(gRawInstance, raw);
    DdeUninitialize(gRawInstance);
    return 0;
}
