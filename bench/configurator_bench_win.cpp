// configurator_bench: wall time of Vantrel.exe's auto configuration against a clean stand-in world (the DDE
// method passes at once), next to the least time its pacing allows for the same requests: 12 yields before
// each speech, ESP or fetch request (the 24 after a request apply to the library method, which a clean world
// never reaches), and the clock waits of WaitSeconds in OpenLink and CloseLink. The requests are counted from the
// world's transcript; a yield's cost is measured here, on an empty queue. Prints both times per run and their ratio.
//
//   configurator_bench.exe [RUNS]      (default 5)
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "configurator/configurator_ids.h"
#include "linkmodule/link_module_win.h"
#include "testing/world_harness_win.h"

namespace {

constexpr char kCaption[] = "Zobek's System Configurator";
constexpr int kYieldsBefore = 12;

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// One pass of linkmodule::YieldEvents with nothing waiting, in seconds.
double YieldCost() {
    constexpr int kPasses = 20000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPasses; ++i)
        linkmodule::YieldEvents();
    return Seconds(std::chrono::steady_clock::now() - start) / kPasses;
}

HWND FindConfigurator(DWORD pid) {
    HWND found = nullptr;
    testwin::PumpUntil(
        [&] {
            HWND w = nullptr;
            while ((w = FindWindowExA(nullptr, w, nullptr, kCaption)) != nullptr) {
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == pid && IsWindowVisible(w)) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        20000);
    return found;
}

std::string StatusText(HWND window) {
    wchar_t text[256] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutW(GetDlgItem(window, IDC_CONFIGURATOR_LSTATUS), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                        SMTO_NORMAL, 5000, &got);
    return std::string(text, text + std::min<DWORD_PTR>(got, 255));
}

// What one run asked of the world, from the transcript lines it added. An acknowledgement is delivered only to
// a program that uses the link library (the console method has no DDE server of its own).
struct Requests {
    int opens = 0;    // register pokes
    int speech = 0;   // communicate pokes: speech and ESP
    int fetches = 0;  // get-all-text requests
    int deliveredAcks = 0;
};

Requests Count(const std::vector<testwin::TranscriptLine>& lines, size_t from) {
    Requests r;
    for (size_t i = from; i < lines.size(); ++i) {
        const auto& l = lines[i];
        if (l.kind == "RECV" && l.fields.at(0) == "Zelmarink_Register")
            ++r.opens;
        else if (l.kind == "RECV" && l.fields.at(0) == "Zelmarink_Communicate")
            ++r.speech;
        else if (l.kind == "REQ")
            ++r.fetches;
        else if (l.kind == "ACK" && l.fields.at(1) == "delivered")
            ++r.deliveredAcks;
    }
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    testwin::WorldProcess world({"--me", "Marla"});
    if (!world.ok()) {
        std::fprintf(stderr, "configurator_bench: the stand-in world did not start\n");
        return 1;
    }
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "vantrel-bench-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);

    std::string commandLine = "\"" + testwin::BinaryDirectory() + "Vantrel.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        std::fprintf(stderr, "configurator_bench: cannot start %s\n", commandLine.c_str());
        return 1;
    }
    const HWND window = FindConfigurator(process.dwProcessId);
    if (!window) {
        std::fprintf(stderr, "configurator_bench: no configurator window\n");
        return 1;
    }
    const double yieldCost = YieldCost();
    std::printf("auto configuration against a clean stand-in world, %d runs (one yield: %.1f us)\n", runs,
                yieldCost * 1e6);
    std::printf("  run  requests (opens, speech+ESP, fetches)  clock waits  least by pacing  wall time  ratio\n");

    std::vector<double> ratios;
    for (int run = 1; run <= runs; ++run) {
        world.Control("clear");  // each run finds only its own marker in the chat
        const size_t from = world.Transcript().size();
        const auto start = std::chrono::steady_clock::now();
        DWORD_PTR result = 0;
        SendMessageTimeoutW(GetDlgItem(window, IDC_CONFIGURATOR_COMMAND1), BM_CLICK, 0, 0, SMTO_NORMAL, 120000,
                            &result);
        const double wall = Seconds(std::chrono::steady_clock::now() - start);
        const std::string status = StatusText(window);
        testwin::PumpFor(200);  // the last acknowledgement lines reach the transcript
        const Requests r = Count(world.Transcript(), from);
        if (status != "DDE Method Successful" || r.deliveredAcks) {
            std::fprintf(stderr, "configurator_bench: run %d ended with \"%s\", not by the DDE method alone\n", run,
                         status.c_str());
            break;
        }
        // All by the console method: 12 yields before each speech, ESP and fetch, none after (the 24 after a
        // request belong to the library method); OpenLink waits one clock change, CloseLink two. n waits of one
        // change each need at least n - 1 whole seconds between the first change and the last.
        const int clockWaits = 3 * r.opens;
        const int yields = kYieldsBefore * (r.speech + r.fetches);
        const double least = yields * yieldCost + std::max(clockWaits - 1, 0);
        ratios.push_back(wall / least);
        std::printf("  %3d  %5d, %5d, %5d                      %5d        %8.3f s      %7.3f s  %5.2f\n", run, r.opens,
                    r.speech, r.fetches, clockWaits, least, wall, wall / least);
    }
    if (!ratios.empty()) {
        std::sort(ratios.begin(), ratios.end());
        std::printf("  median ratio wall/least: %.2f\n", ratios[ratios.size() / 2]);
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    const std::string settings = folder + "\\SCONTROL.TXT";
    DeleteFileA(settings.c_str());
    RemoveDirectoryA(folder.c_str());
    return ratios.size() == static_cast<size_t>(runs) ? 0 : 1;
}
