// link_module_bench: figures of the link module.
//
//   1. Processor time of WaitSeconds(10), as a share of one core over the wait (user + kernel time of the whole
//      process, GetProcessTimes), next to a wait written as a busy loop of yields (24 yields between clock
//      comparisons) for comparison.
//   2. The cost of one SayText by each method beyond the transaction itself: the median time of SayText against
//      the median time of the bare request (the library's VorqCommunicate called directly; for the console
//      method a DDEML connect and poke written directly), against one stand-in world, interleaved.
//
//   link_module_bench.exe [ROUNDS]      (default 100 of each)
#include <windows.h>

#include <ddeml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/dde_wake_win.h"
#include "linklib/zmvorq.h"
#include "linkmodule/link_module_win.h"
#include "testing/world_harness_win.h"

namespace {

namespace lm = linkmodule;

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// User plus kernel time of this process so far, in milliseconds.
double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
               10000.0;
    };
    return ms(kernel) + ms(user);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

struct Share {
    double wallMs, cpuMs;
};

template <typename Wait>
Share Measure(Wait wait) {
    const double cpu0 = ProcessCpuMs(), t0 = NowMs();
    wait();
    return {NowMs() - t0, ProcessCpuMs() - cpu0};
}

// The wait as a plain loop of yields: 24 yields, compare the clock text, again until it changed.
void BusyWaitSeconds(int count) {
    for (int done = 0; done < std::max(count, 1); ++done) {
        SYSTEMTIME start, now;
        GetLocalTime(&start);
        do {
            for (int i = 0; i < 24; ++i)
                lm::YieldEvents();
            GetLocalTime(&now);
        } while (now.wSecond == start.wSecond && now.wMinute == start.wMinute && now.wHour == start.wHour);
    }
}

// The console method speaks through a plain DDE conversation and serves no DDE name of its own: the world client's
// acknowledgements to "BenchLink" find nobody. The stand-in world spends about a tenth of a second on each (its
// connect is turned down, it pauses, asks once more), so two hundred of them kept it busy for about 20 s after the
// bench had ended and it did not quit in time. While the console method runs, the bench takes them here.
DWORD gAckInstance = 0;
HDDEDATA CALLBACK AckTaker(UINT type, UINT, HCONV, HSZ, HSZ hsz2, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    char name[64] = {};
    if (type == XTYP_CONNECT) {
        DdeQueryStringA(gAckInstance, hsz2, name, sizeof name, CP_WINANSI);
        return reinterpret_cast<HDDEDATA>(static_cast<ULONG_PTR>(lstrcmpiA(name, "BenchLink") == 0));
    }
    return type == XTYP_POKE ? reinterpret_cast<HDDEDATA>(DDE_FACK) : nullptr;
}

// Connect and poke on a DDEML client instance of the bench's own, as the console link does, then disconnect.
// Returns the time of connect + poke.
double RawConsolePoke(DWORD instance, const std::string& text) {
    HSZ service = DdeCreateStringHandleA(instance, "Zelmarink", CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(instance, "Zelmarink_Communicate", CP_WINANSI);
    const double t0 = NowMs();
    HCONV conv;
    {
        win::DdeCallGuard wake;
        conv = DdeConnect(instance, service, topic, nullptr);
    }
    if (conv) {
        DWORD result = 0;
        win::DdeCallGuard wake;
        DdeClientTransaction(reinterpret_cast<LPBYTE>(const_cast<char*>(text.c_str())),
                             static_cast<DWORD>(text.size() + 1), conv, topic, CF_TEXT, XTYP_POKE, 5000, &result);
    }
    const double elapsed = NowMs() - t0;
    if (conv) {
        win::DdeCallGuard wake;
        DdeDisconnect(conv);
    }
    DdeFreeStringHandle(instance, service);
    DdeFreeStringHandle(instance, topic);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;

    // 1. Processor time of the clock waits.
    const Share idle = Measure([] { lm::WaitSeconds(10); });
    const Share busy = Measure([] { BusyWaitSeconds(10); });
    std::printf("WaitSeconds(10), processor time as a share of one core\n");
    std::printf("  (process times advance in ticks of several milliseconds under Wine)\n");
    std::printf("  module (sleeps between clock checks): %.0f ms wall, %.1f ms cpu, %.2f %%  (target under 5 %%)\n",
                idle.wallMs, idle.cpuMs, 100.0 * idle.cpuMs / idle.wallMs);
    std::printf("  busy loop of 24 yields per check     : %.0f ms wall, %.1f ms cpu, %.2f %%\n", busy.wallMs,
                busy.cpuMs, 100.0 * busy.cpuMs / busy.wallMs);

    // 2. SayText beyond the transaction.
    testwin::WorldProcess world({"--me", "Marla"});
    if (!world.ok()) {
        std::fprintf(stderr, "link_module_bench: the stand-in world did not start\n");
        return 1;
    }
    HMODULE dll = LoadLibraryA("zmvorq");  // the same library the module binds, already loaded or loaded here
    auto communicate = dll ? reinterpret_cast<decltype(&VorqCommunicate)>(
                                 reinterpret_cast<void*>(GetProcAddress(dll, "VorqCommunicate")))
                           : nullptr;
    DWORD& rawInstance = gAckInstance;
    if (!communicate || DdeInitializeA(&rawInstance, AckTaker, APPCMD_FILTERINITS, 0) != DMLERR_NO_ERROR) {
        std::fprintf(stderr, "link_module_bench: zmvorq.dll or DDEML could not be started\n");
        return 1;
    }

    lm::StartLinkModule({"BenchLink"});
    std::vector<double> libSay, libBare, libSayCpu, conSay, conBare, conSayCpu;
    for (bool library : {true, false}) {
        lm::UseLibraryMethod = library;
        if (!library) {  // the library has unregistered the name by now
            HSZ name = DdeCreateStringHandleA(rawInstance, "BenchLink", CP_WINANSI);
            DdeNameService(rawInstance, name, nullptr, DNS_REGISTER);
            DdeFreeStringHandle(rawInstance, name);
        }
        lm::OpenLink();
        for (int i = 0; i < rounds; ++i) {
            const std::string text = "bench line " + std::to_string(i);
            const double cpu0 = ProcessCpuMs(), t0 = NowMs();
            lm::SayText(text);
            const double say = NowMs() - t0, sayCpu = ProcessCpuMs() - cpu0;
            double bare;
            if (library) {
                const double t1 = NowMs();
                communicate("BenchLink", 0, "", text.c_str());
                bare = NowMs() - t1;
            } else {
                bare = RawConsolePoke(rawInstance, std::string("BenchLink\f0\f\f") + text);
            }
            (library ? libSay : conSay).push_back(say);
            (library ? libSayCpu : conSayCpu).push_back(sayCpu);
            (library ? libBare : conBare).push_back(bare);
            testwin::PumpFor(5);  // acknowledgements still under way are handled outside the timings
        }
        lm::CloseLink();
    }
    // The world has carried out every acknowledgement before it is asked to quit.
    if (!testwin::PumpUntil([&] { return world.Transcript("ACK").size() >= world.Transcript("RECV").size(); }, 30000))
        std::fprintf(stderr, "link_module_bench: the world still had acknowledgements to deliver\n");
    DdeUninitialize(rawInstance);

    std::printf("\nOne SayText against the bare request, medians of %d rounds each\n", rounds);
    // Process times come in ticks of several milliseconds: the processor time is averaged over all rounds.
    const auto mean = [](const std::vector<double>& v) {
        double sum = 0;
        for (double x : v)
            sum += x;
        return v.empty() ? 0 : sum / static_cast<double>(v.size());
    };
    std::printf("  library method: SayText %.2f ms (cpu %.2f ms), VorqCommunicate alone %.2f ms, beyond it %.2f ms\n",
                Median(libSay), mean(libSayCpu), Median(libBare), Median(libSay) - Median(libBare));
    std::printf("  console method: SayText %.2f ms (cpu %.2f ms), DDEML connect + poke alone %.2f ms, beyond it %.2f ms\n",
                Median(conSay), mean(conSayCpu), Median(conBare), Median(conSay) - Median(conBare));
    std::printf("  (library SayText = 12 yields, the request, 24 yields; console SayText = 12 yields, fields, closing\n"
                "   the previous conversation, connect, poke)\n");
    return 0;
}
