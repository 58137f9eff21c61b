// link_roundtrip_bench: the round trip of one speak request, from the call to the world client's
// acknowledgement in the callback, through zmvorq.dll and through the same connect-poke-disconnect written
// directly on DDEML. Both run in one process against one stand-in world, interleaved so that they share the
// machine's noise and the world's growing chat. Prints medians and their ratio.
//
//   link_roundtrip_bench.exe [ROUNDS] [--beside-late MS]      (default 200 of each)
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

#include "common/dde_wake_win.h"
#include "linklib/records.h"
#include "linklib/tools/link_session_win.h"
#include "testing/world_harness_win.h"

namespace {

constexpr char kRawName[] = "BenchRaw";
DWORD gRawInstance = 0;
int gRawAcks = 0;

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
    }
    return nullptr;
}

// One request written directly on DDEML: connect, poke the block, disconnect.
void RawPoke(const char* topic, const linklib::Block& block) {
    HSZ service = DdeCreateStringHandleA(gRawInstance, "Zelmarink", CP_WINANSI);
    HSZ hszTopic = DdeCreateStringHandleA(gRawInstance, topic, CP_WINANSI);
    HCONV conv;
    {
        win::DdeCallGuard wake;
        conv = DdeConnect(gRawInstance, service, hszTopic, nullptr);
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

}  // namespace

int main(int argc, char** argv) {
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
