// season_bench.exe: the Season window and SEASON.HTM over a long history: ROUNDS.CSV with ROUNDS rounds (default
// 100,000) of PLAYERS players (default 2,000) in one season, in a scratch folder. Prints, over RUNS runs (default 5),
// the time from "Season" to the window shown with every row in its list and painted, the time of "Save Page" (file
// read again, standings, page, written), one round appended at the end of the file, and this process's committed
// private memory; each against its bound (200 ms, 500 ms, 20 MB). Then the same in Gorvath.exe beside a stand-in
// world, driven from outside: from the menu choice "Season" to every row in the window's list, from the click on
// "Save Page" to SEASON.HTM on disk, and Gorvath.exe's committed private memory before and after.
//
//   wine season_bench.exe [ROUNDS [PLAYERS [RUNS]]]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/controls_win.h"
#include "host/host_ids.h"
#include "host/tools/gorvath_remote_win.h"
#include "host/season.h"
#include "host/season_page.h"
#include "host/season_window_win.h"
#include "testing/world_harness_win.h"

namespace {

constexpr double kOpenBoundMs = 200;
constexpr double kPageBoundMs = 500;
constexpr double kMemoryBoundMb = 20;

double Ms(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

// Until nothing is left to handle: the window created, filled and painted.
void PumpAll() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Names of 6 to 24 bytes, some with 8-bit letters, quotes and commas; categories of an evening's kind.
std::string History(int rounds, int players) {
    std::vector<std::string> names;
    for (int p = 0; p < players; ++p) {
        std::string name = "Player" + std::to_string(p);
        if (p % 7 == 0)
            name += " Z\xE9lie";
        if (p % 50 == 0)
            name += " \"the bold\", Jr";
        names.push_back(name);
    }
    std::string file = std::string(host::kRoundsHeader) + "\r\n";
    file.reserve(static_cast<size_t>(rounds) * 56);
    unsigned seed = 12345;
    for (int r = 0; r < rounds; ++r) {
        seed = seed * 1103515245u + 12345u;
        const int minute = r % 60, hour = 20 + (r / 60) % 4, day = 1 + (r / 240) % 28, month = 1 + (r / 6720) % 12;
        char when[24];
        std::snprintf(when, sizeof when, "2026-%02d-%02dT%02d:%02d:%02d", month, day, hour, minute, r % 60);
        file += host::FormatRecord({when, 1, names[(seed >> 8) % static_cast<unsigned>(players)],
                                    "Category " + std::to_string((seed >> 20) % 120),
                                    (seed >> 4) % 3 == 0 ? host::RecordKind::kWinner : host::RecordKind::kLoser});
    }
    return file;
}

// In Gorvath.exe the HostWindow is up before "Season" can be chosen: a top-level window with buttons and a list in
// the same font has been made and painted. So is one here, before anything is timed; its own time is printed.
double ShowAWindowFirst() {
    const LARGE_INTEGER t0 = Now();
    const HWND w = CreateWindowExA(0, "STATIC", "warm-up", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    const HFONT font = win::CreateUiFont(825, true, win::ScreenDpi());
    for (const char* cls : {"BUTTON", "LISTBOX", "EDIT"}) {
        const HWND c = CreateWindowExA(0, cls, "x", WS_CHILD | WS_VISIBLE, 0, 0, 100, 40, w, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
        SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    UpdateWindow(w);
    PumpAll();
    DestroyWindow(w);
    DeleteObject(font);
    PumpAll();
    return Ms(t0, Now());
}

struct Figures {
    std::vector<double> open, page, append;
    size_t peakBytes = 0;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Max(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

// Gorvath.exe in `folder` (which holds ROUNDS.CSV), beside a stand-in world: the window opened by its menu item, the
// page saved by its button, each timed from outside (polled every millisecond), and the program's memory.
bool RealProgram(const std::string& folder, int players) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string gorvath = exe;
    gorvath = gorvath.substr(0, gorvath.find_last_of('\\') + 1) + "Gorvath.exe";
    const HANDLE h =
        CreateFileA((folder + "\\SCONTROL.TXT").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, "Pelmor 3.0\r\n0\r\n0\r\n0\r\n", 24, &written, nullptr);
    CloseHandle(h);
    testwin::WorldProcess world({"--me", "Marla"});
    hostremote::Gorvath g(gorvath, folder);
    HANDLE process = g.ok() ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, g.ProcessId()) : nullptr;
    if (!world.ok() || !process) {
        std::printf("Gorvath.exe: could not be started beside a stand-in world (%s)\n", g.Error().c_str());
        return false;
    }
    const size_t before = testwin::CommittedPrivateBytes(process);
    LARGE_INTEGER t0 = Now();
    g.Post(IDM_SEASON);
    const auto rows = [&] {
        const HWND season = g.Season();
        return season ? static_cast<int>(SendDlgItemMessageW(season, IDC_SEASON_LIST, LB_GETCOUNT, 0, 0)) : 0;
    };
    const bool opened = hostremote::WaitUntil([&] { return rows() == players; }, 20000);
    const double openMs = Ms(t0, Now());
    const size_t afterOpen = testwin::CommittedPrivateBytes(process);
    const std::string page = folder + "\\SEASON.HTM";
    DeleteFileA(page.c_str());
    const HWND season = g.Season();
    t0 = Now();
    PostMessageW(season, WM_COMMAND, MAKEWPARAM(IDC_SEASON_SAVEPAGE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(season, IDC_SEASON_SAVEPAGE)));
    const bool saved =
        hostremote::WaitUntil([&] { return GetFileAttributesA(page.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
    const double pageMs = Ms(t0, Now());
    const size_t afterPage = testwin::CommittedPrivateBytes(process);
    std::printf("\nGorvath.exe, driven from outside:\n");
    std::printf("%-34s %8.1f ms %s\n", "\"Season\" to every row shown", openMs, opened ? "" : "(NOT all rows)");
    std::printf("%-34s %8.1f ms %s\n", "\"Save Page\" to SEASON.HTM on disk", pageMs, saved ? "" : "(NO page)");
    std::printf("%-34s %zu KB before, %zu KB with the window open, %zu KB after Save Page\n",
                "committed private memory", before / 1024, afterOpen / 1024, afterPage / 1024);
    CloseHandle(process);
    g.Close();
    DeleteFileA(page.c_str());
    DeleteFileA((folder + "\\SCONTROL.TXT").c_str());
    return opened && saved && openMs <= kOpenBoundMs && pageMs <= kPageBoundMs &&
           static_cast<double>(afterPage) < kMemoryBoundMb * 1024 * 1024;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int players = argc > 2 ? std::atoi(argv[2]) : 2000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "season-bench";
    CreateDirectoryA(folder.c_str(), nullptr);
    SetCurrentDirectoryA(folder.c_str());
    DeleteFileA(host::kRoundsFile);

    const size_t before = testwin::CommittedPrivateBytes();
    {
        const std::string file = History(rounds, players);
        const HANDLE h = CreateFileA(host::kRoundsFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
        CloseHandle(h);
        std::printf("ROUNDS.CSV: %d rounds, %d players, %zu bytes\n", rounds, players, file.size());
    }
    const size_t baseline = testwin::CommittedPrivateBytes();
    std::printf("committed private memory: %zu KB at the start, %zu KB with the file written and freed\n",
                before / 1024, baseline / 1024);

    std::printf("the process's first window (made before timing, as the HostWindow is): %.1f ms\n", ShowAWindowFirst());
    host::SeasonDisk disk;
    host::SeasonWindow window(disk, win::LessAsSortedListBox, [] { return true; });
    Figures f;
    int rows = 0;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER t0 = Now();
        window.ShowOrRaise();
        PumpAll();
        LARGE_INTEGER t1 = Now();
        f.open.push_back(Ms(t0, t1));
        rows = static_cast<int>(SendDlgItemMessageA(window.hwnd(), IDC_SEASON_LIST, LB_GETCOUNT, 0, 0));
        f.peakBytes = std::max(f.peakBytes, testwin::CommittedPrivateBytes());

        std::string status;
        t0 = Now();
        const bool saved = window.SavePage(&status).ok;
        t1 = Now();
        f.page.push_back(Ms(t0, t1));
        f.peakBytes = std::max(f.peakBytes, testwin::CommittedPrivateBytes());
        if (run == 0)
            std::printf("list rows: %d; Save Page: %s\n", rows, saved ? status.c_str() : "FAILED");

        t0 = Now();
        host::AppendRecord(disk, {"", 0, "Player1", "Category 1", host::RecordKind::kLoser});
        t1 = Now();
        f.append.push_back(Ms(t0, t1));
        host::AppendRecord(disk, {"", 0, "", "", host::RecordKind::kVoid});  // the history stays the same size
        window.Close();
        PumpAll();
    }
    // Where the time of one opening goes.
    {
        LARGE_INTEGER t0 = Now();
        host::ReadResult file = disk.Read(host::kMaxRoundsFileBytes);
        LARGE_INTEGER t1 = Now();
        const host::SeasonBook book = host::ReadSeasonBook(file.content);
        LARGE_INTEGER t2 = Now();
        const host::SeasonStandings standings = host::ComputeStandings(book, win::LessAsSortedListBox);
        LARGE_INTEGER t3 = Now();
        const std::string page = host::SeasonPage(standings, host::AnsiToUtf8);
        LARGE_INTEGER t4 = Now();
        std::printf("one opening, by part: file read %.1f ms, parsed %.1f ms, standings %.1f ms; page built %.1f ms\n",
                    Ms(t0, t1), Ms(t1, t2), Ms(t2, t3), Ms(t3, t4));
    }
    const double mb = static_cast<double>(f.peakBytes) / (1024.0 * 1024.0);
    std::printf("\n%-34s %10s %10s %10s %8s\n", "", "median", "max", "bound", "max/bound");
    std::printf("%-34s %8.1f ms %7.1f ms %7.0f ms %8.2f\n", "window opened, filled, painted", Median(f.open),
                Max(f.open), kOpenBoundMs, Max(f.open) / kOpenBoundMs);
    std::printf("%-34s %8.1f ms %7.1f ms %7.0f ms %8.2f\n", "Save Page (read, standings, write)", Median(f.page),
                Max(f.page), kPageBoundMs, Max(f.page) / kPageBoundMs);
    std::printf("%-34s %8.1f ms %7.1f ms %10s\n", "one round appended (read + append)", Median(f.append), Max(f.append),
                "-");
    std::printf("%-34s %10s %7.1f MB %7.0f MB %8.2f\n", "committed private memory, highest", "", mb, kMemoryBoundMb,
                mb / kMemoryBoundMb);
    std::printf("(over %d runs; the process committed %zu KB before the window first opened)\nopenings, in ms:", runs,
                baseline / 1024);
    for (double ms : f.open)
        std::printf(" %.1f", ms);
    std::printf("\n");
    DeleteFileA(host::kSeasonPageFile);
    const bool real = RealProgram(folder, players);
    DeleteFileA(host::kRoundsFile);
    const bool within = rows == players && Max(f.open) <= kOpenBoundMs && Max(f.page) <= kPageBoundMs &&
                        mb < kMemoryBoundMb && real;
    std::printf("%s\n", within ? "within every bound" : "NOT within every bound");
    return within ? 0 : 1;
}
