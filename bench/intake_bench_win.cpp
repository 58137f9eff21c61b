// intake_bench: "Get_Players" of Gorvath.exe on big chats, by both link methods, against the least time the work
// allows.
//
//   1. For chats of N ordinary lines (default 10,000, 20,000 and 40,000) with ten "$" ESPs from new senders spread
//      through them: the time from choosing "Get_Players" until the command has ended (ten players taken and
//      confirmed, the game saved twice), by each method, next to the floor: one bare DDEML request of the same chat
//      text made directly by this program, and the scan of that text for "$" senders. Printed with the ratio.
//   2. Whether a get-all-text reply arrives at all, by its size: bare DDEML requests of chats around 2 MiB.
//
//   3. --soak: N (default 200) Get_Players in a row on one host, on a chat of about 1 MB, by the library method and
//      then by the console method: the host's committed private memory before, after the first and every 50, and
//      the time per click.
//
//   intake_bench.exe [--exe PROGRAM]... [--no-limit] [--probe BYTES]... [LINES...]    (default: Gorvath.exe; 10000
//   20000 40000)
//   intake_bench.exe --soak [N] [--exe PROGRAM]
#include <windows.h>

#include <ddeml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/dde_wake_win.h"
#include "host/host_ids.h"
#include "host/intake.h"
#include "host/text_lines.h"
#include "host/tools/gorvath_remote_win.h"
#include "testing/world_harness_win.h"

namespace {

constexpr int kNewSenders = 10;

double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

std::string TempFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// A world scenario: the room, then a chat of `lines` ordinary lines of about 60 bytes ("Ann: ordinary chat line
// 000123, ..."), with the ten "$" ESPs of new senders ("ESP from Newcomer3: $") spread evenly through them. The
// stand-in's chat window takes every separate line in time that grows with the chat (minutes for 20,000), so the
// lines go in as a few long "say" commands whose text holds the line breaks: the chat text the host fetches is,
// byte for byte, that of the separate lines.
std::string Scenario(int lines) {
    std::string s;
    s.reserve(static_cast<size_t>(lines) * 72);
    s += "avatar|Ann\r\n";
    for (int k = 1; k <= kNewSenders; ++k)
        s += "avatar|Newcomer" + std::to_string(k) + "\r\n";
    const int every = lines / kNewSenders;
    char line[128];
    for (int i = 0; i < lines; ++i) {
        if (i % 500 == 0)
            s += i == 0 ? "say|Ann|" : "\r\nsay|Ann|";
        else
            s += "\\x0d\\x0aAnn: ";
        std::snprintf(line, sizeof line, "ordinary chat line %06d, nothing to see here, go on", i);
        s += line;
        if ((i + 1) % every == 0 && (i + 1) / every <= kNewSenders)
            s += "\\x0d\\x0aESP from Newcomer" + std::to_string((i + 1) / every) + ": $";
    }
    s += "\r\n";
    return s;
}

HDDEDATA CALLBACK QuietCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

struct Fetched {
    std::optional<std::string> text;
    unsigned error = 0;  // DdeGetLastError when no text came
};

// One get-all-text request on a conversation of its own, as plain as DDEML allows.
Fetched RawFetch(DWORD instance) {
    HSZ service = DdeCreateStringHandleA(instance, "Zelmarink", CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(instance, "Zelmarink_GetAllText", CP_WINANSI);
    HSZ item = DdeCreateStringHandleA(instance, "IntakeBench", CP_WINANSI);
    Fetched out;
    HCONV conv;
    {
        win::DdeCallGuard wake;
        conv = DdeConnect(instance, service, topic, nullptr);
    }
    if (conv) {
        HDDEDATA data;
        {
            win::DdeCallGuard wake;
            data = DdeClientTransaction(nullptr, 0, conv, item, CF_TEXT, XTYP_REQUEST, 30000, nullptr);
        }
        if (data) {
            const DWORD size = DdeGetData(data, nullptr, 0, 0);
            std::string text(size, '\0');
            DdeGetData(data, reinterpret_cast<LPBYTE>(text.data()), size, 0);
            text.resize(std::strlen(text.c_str()));
            DdeFreeDataHandle(data);
            out.text = std::move(text);
        } else {
            out.error = DdeGetLastError(instance);
        }
        win::DdeCallGuard wake;
        DdeDisconnect(conv);
    } else {
        out.error = DdeGetLastError(instance);
    }
    DdeFreeStringHandle(instance, service);
    DdeFreeStringHandle(instance, topic);
    DdeFreeStringHandle(instance, item);
    return out;
}

// One "Get_Players" click, waited to the command's end; the time until then, or until a message box it ends with
// shows (its text in *message, answered with OK).
double Click(const hostremote::Gorvath& g, std::string* message) {
    const unsigned long done = g.CommandsDone();
    const double t0 = NowMs();
    double ms = 0;
    g.Post(IDM_GETIT);
    hostremote::WaitUntil(
        [&] {
            if (g.CommandsDone() > done)
                return true;
            if (const auto box = g.WaitForMessageBox(0)) {
                ms = NowMs() - t0;
                *message = box->text;
                hostremote::Gorvath::Answer(*box, IDOK);
            }
            return false;
        },
        600000);
    return ms == 0 ? NowMs() - t0 : ms;
}

struct Run {
    double ms = 0;
    double againMs = 0;   // a second Get_Players right after: the same chat, nobody new to confirm
    int joined = 0;       // confirmations that reached the chat
    std::string message;  // the message box Get_Players ended with, if any
};

// "Get_Players" on a Gorvath.exe started in a fresh folder set to the method; the chat is the world's.
Run GetPlayers(const std::string& exe, testwin::WorldProcess& world, bool library) {
    Run run;
    const std::string folder = TempFolder(library ? "intake-bench-library" : "intake-bench-console");
    WriteFile(folder + "\\SCONTROL.TXT", library ? "Pelmor 3.0\r\n0\r\n1\r\n0\r\n" : "Pelmor 3.0\r\n0\r\n0\r\n0\r\n");
    DeleteFileA((folder + "\\GORVATH.SAV").c_str());
    hostremote::Gorvath g(exe, folder);
    if (!g.ok()) {
        run.message = g.Error();
        return run;
    }
    const size_t chatBefore = world.Transcript("CHAT").size();
    for (double* ms : {&run.ms, &run.againMs}) {
        if (ms == &run.againMs && !run.message.empty())
            break;  // no chat text came: once is enough
        *ms = Click(g, &run.message);
    }
    const auto chat = world.Transcript("CHAT");
    for (size_t i = chatBefore; i < chat.size(); ++i)
        run.joined += !chat[i].fields.empty() && chat[i].fields[0].rfind("ESP to Newcomer", 0) == 0;
    g.Close();
    DeleteFileA((folder + "\\GORVATH.SAV").c_str());
    DeleteFileA((folder + "\\SCONTROL.TXT").c_str());
    RemoveDirectoryA(folder.c_str());
    return run;
}

// A world whose chat holds `lines` lines, from a scenario file run at its start.
std::unique_ptr<testwin::WorldProcess> WorldWithChat(const std::string& scenario) {
    const std::string folder = TempFolder("intake-bench-world");
    const std::string file = folder + "\\chat.txt";
    WriteFile(file, scenario);
    auto world = std::make_unique<testwin::WorldProcess>(std::vector<std::string>{"--me", "Marla", "--scenario", file});
    // The world takes control commands once the scenario has run; a big one keeps it busy for a while.
    const double t0 = NowMs();
    while (world->ok() && !world->Control("mark|ready") && NowMs() - t0 < 900000) {
    }
    std::fprintf(stderr, "(world ready after %.1f s)\n", (NowMs() - t0) / 1000.0);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
    return world;
}

// A chat text of about `bytes` in lines of 60 bytes (62 with CR LF), put in as above.
std::string ChatOfSize(size_t bytes) {
    std::string s = "avatar|Ann\r\n";
    const std::string text(55, 'x');  // "Ann: " + 55 = 60
    size_t lines = 0;
    for (size_t have = 0; have + 62 <= bytes; have += 62, ++lines)
        s += (lines % 500 == 0 ? (lines == 0 ? "say|Ann|" : "\r\nsay|Ann|") : "\\x0d\\x0aAnn: ") + text;
    return s + "\r\n";
}

// --soak: `clicks` Get_Players on one Gorvath.exe set to a method, against the running world; the host's committed
// private memory (read from outside: VirtualQueryEx) before, after the first click and every 50, with the mean time
// per click of each stretch.
int Soak(const std::string& exe, bool library, int clicks) {
    std::printf("%s", library ? "" : "\n");
    const std::string folder = TempFolder(library ? "intake-soak-library" : "intake-soak-console");
    WriteFile(folder + "\\SCONTROL.TXT", library ? "Pelmor 3.0\r\n0\r\n1\r\n0\r\n" : "Pelmor 3.0\r\n0\r\n0\r\n0\r\n");
    DeleteFileA((folder + "\\GORVATH.SAV").c_str());
    int result = 1;
    {
        hostremote::Gorvath g(exe, folder);
        HANDLE process = g.ok() ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, g.ProcessId())
                                : nullptr;
        if (!process) {
            std::fprintf(stderr, "intake_bench: %s\n", g.ok() ? "the host process could not be opened" : g.Error().c_str());
        } else {
            std::printf("%d Get_Players by the %s method on a chat of about 1 MB\n", clicks,
                        library ? "library" : "console");
            std::printf("  clicks  host committed private KB  ms per click  message\n");
            std::printf("  %6d  %25zu  %12s\n", 0, testwin::CommittedPrivateBytes(process) / 1024, "-");
            std::fflush(stdout);
            double stretch = 0;
            int from = 0;
            std::string message;
            for (int i = 1; i <= clicks; ++i) {
                message.clear();
                stretch += Click(g, &message);
                if (i == 1 || i % 50 == 0 || i == clicks) {
                    std::printf("  %6d  %25zu  %12.0f  %s\n", i, testwin::CommittedPrivateBytes(process) / 1024,
                                stretch / (i - from), message.substr(0, 50).c_str());
                    std::fflush(stdout);
                    stretch = 0;
                    from = i;
                }
            }
            CloseHandle(process);
            result = 0;
        }
        g.Close();
    }
    DeleteFileA((folder + "\\GORVATH.SAV").c_str());
    DeleteFileA((folder + "\\SCONTROL.TXT").c_str());
    RemoveDirectoryA(folder.c_str());
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> exes;
    bool limit = true;
    std::vector<size_t> probes;
    std::vector<int> sizes;
    int soak = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--soak") {
            soak = 200;
            if (i + 1 < argc && std::atoi(argv[i + 1]) > 0)
                soak = std::atoi(argv[++i]);
        } else if (a == "--exe" && i + 1 < argc)
            exes.push_back(argv[++i]);
        else if (a == "--no-limit")
            limit = false;
        else if (a == "--probe" && i + 1 < argc)
            probes.push_back(static_cast<size_t>(std::atoll(argv[++i])));
        else
            sizes.push_back(std::max(kNewSenders, std::atoi(a.c_str())));
    }
    if (sizes.empty() && probes.empty())
        sizes = {10000, 20000, 40000};
    if (exes.empty())
        exes.push_back(testwin::BinaryDirectory() + "Gorvath.exe");
    if (soak > 0) {
        const auto world = WorldWithChat(ChatOfSize(1 << 20));
        return world->ok() ? Soak(exes[0], true, soak) | Soak(exes[0], false, soak) : 1;
    }

    DWORD instance = 0;
    if (DdeInitializeA(&instance, QuietCallback, APPCMD_CLIENTONLY | CBF_SKIP_ALLNOTIFICATIONS, 0) != DMLERR_NO_ERROR) {
        std::fprintf(stderr, "intake_bench: DDEML could not be started\n");
        return 1;
    }

    std::printf("Get_Players on a chat of N lines with %d new \"$\" senders\n", kNewSenders);
    for (size_t e = 0; e < exes.size(); ++e)
        std::printf("  program %zu: %s\n", e + 1, exes[e].c_str());
    std::printf("floor = one bare DDEML request of the chat text + scanning it for \"$\" senders\n\n");
    std::printf("%7s %9s %4s %-8s %12s %10s %7s %7s %10s %7s  %s\n", "lines", "bytes", "prog", "method", "Get_Players",
                "floor", "ratio", "joined", "again", "ratio", "message");
    for (const int lines : sizes) {
        const auto world = WorldWithChat(Scenario(lines));
        if (!world->ok())
            return 1;
        // The floor, median of three.
        std::vector<double> floors;
        size_t bytes = 0;
        for (int i = 0; i < 3; ++i) {
            const double t0 = NowMs();
            const Fetched f = RawFetch(instance);
            size_t senders = 0;
            if (f.text) {
                bytes = f.text->size();
                senders = host::JoinRequests(host::SplitLines(*f.text, host::LineEnds::kCrOrCrLf)).size();
            }
            floors.push_back(NowMs() - t0);
            if (!f.text || senders != kNewSenders) {
                std::printf("%7d  bare request brought %s (DDEML error 0x%x), %zu senders\n", lines,
                            f.text ? "text" : "no text", f.error, senders);
                floors.back() = -1;
            }
        }
        std::sort(floors.begin(), floors.end());
        const double floor = floors[1];
        for (size_t e = 0; e < exes.size(); ++e) {
            for (const bool library : {true, false}) {
                const Run run = GetPlayers(exes[e], *world, library);
                char ratio[32] = "-";
                if (floor > 0)
                    std::snprintf(ratio, sizeof ratio, "%.1f", run.ms / floor);
                char again[32] = "-";
                if (floor > 0)
                    std::snprintf(again, sizeof again, "%.1f", run.againMs / floor);
                std::printf("%7d %9zu %4zu %-8s %9.0f ms %7.0f ms %7s %7d %7.0f ms %7s  %s\n", lines, bytes, e + 1,
                            library ? "library" : "console", run.ms, floor, ratio, run.joined, run.againMs, again,
                            run.message.substr(0, 60).c_str());
                std::fflush(stdout);
            }
        }
    }

    if (limit) {
        // Around 2 MiB, where replies stopped arriving on the machines seen so far; each probe a world of its own.
        std::printf("\nGet-all-text replies by a bare DDEML request, by size:\n");
        if (probes.empty())
            probes = {1900000, 2096000, 2098500, 2300000};
        for (const size_t probe : probes) {
            const auto world = WorldWithChat(ChatOfSize(probe));
            const Fetched f = RawFetch(instance);
            std::printf("  chat of %9zu bytes asked: %s\n", probe - probe % 62,
                        f.text ? (std::to_string(f.text->size()) + " bytes arrived").c_str()
                               : ("nothing arrived (DDEML error 0x" +
                                  [](unsigned e) {
                                      char h[16];
                                      std::snprintf(h, sizeof h, "%x", e);
                                      return std::string(h);
                                  }(f.error) +
                                  ")")
                                     .c_str());
            std::fflush(stdout);
        }
    }
    DdeUninitialize(instance);
    return 0;
}
