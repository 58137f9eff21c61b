// host_driver.exe: plays Gorvath.exe from outside, as an operator at the controls would, for the main job and for
// the screenshots. Gorvath.exe must lie beside it; the world client must already be running.
//
//   host_driver.exe play FOLDER TRANSCRIPT   a scripted game in FOLDER (ask, intake, read list, countdown, intake
//                                            again, two rounds, a macro, How To Play, a restore); then Gorvath.exe is
//                                            closed and the chat (from the world's TRANSCRIPT) and GORVATH.SAV are
//                                            printed
//   host_driver.exe pose STATE FOLDER RECT   starts Gorvath.exe in FOLDER and leaves it in STATE: idle (a player
//                                            drawn and a category picked), busy (the countdown running), panel (the
//                                            macro titles), maintenance (the lists after a round, one selected),
//                                            season (the Season window over FOLDER's ROUNDS.CSV, its page saved);
//                                            writes "left top width height" of what to photograph to RECT
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/host_ids.h"
#include "host/tools/gorvath_remote_win.h"
#include "host/tools/scripted_game_win.h"
#include "worldsim/transcript.h"

namespace {

using hostremote::Gorvath;

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string ReadWholeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

// One line per command: how long it took and what it showed, or why it failed.
void PrintStep(const hostremote::GameStep& step) {
    std::printf("%-26s %5.1f s  %s\n", step.name.c_str(), step.seconds,
                step.ok ? step.detail.c_str() : ("(failed: " + step.why + ")").c_str());
    std::fflush(stdout);
}

void PrintList(const char* title, const std::vector<std::string>& names) {
    std::string joined;
    for (const auto& n : names)
        joined += (joined.empty() ? "" : ", ") + n;
    std::printf("  %-18s %s\n", title, joined.empty() ? "(empty)" : joined.c_str());
}

int Play(const std::string& folder, const std::string& transcript) {
    const ULONGLONG start = GetTickCount64();
    Gorvath g(ExeFolder() + "Gorvath.exe", folder);
    if (!g.ok()) {
        std::fprintf(stderr, "%s\n", g.Error().c_str());
        return 1;
    }
    std::printf("== a scripted game on the HostWindow (shown, link open, %.1f s after the start of Gorvath.exe)\n",
                static_cast<double>(GetTickCount64() - start) / 1000.0);
    bool ok = hostremote::PlayScriptedGame(g, PrintStep);
    if (ok && hostremote::WaitUntil([&] { return g.Maintenance() != nullptr; }, 5000)) {
        std::printf("== the lists, as the maintenance window shows them\n");
        PrintList("Players List", g.ListItems(IDC_MAINT_LIST1));
        PrintList("Players Wait List", g.ListItems(IDC_MAINT_LIST3));
        PrintList("Winners List", g.ListItems(IDC_MAINT_LIST2));
    }
    ok = g.Close(20000) && ok;

    std::printf("\n== the chat, as the world received it\n");
    std::istringstream lines(ReadWholeFile(transcript));
    for (std::string line; std::getline(lines, line);) {
        const auto entry = worldsim::ParseTranscriptLine(line);
        if (entry && entry->kind == "CHAT" && !entry->fields.empty())
            std::printf("  %s\n", entry->fields[0].c_str());
    }
    std::printf("\n== GORVATH.SAV\n%s", ReadWholeFile(folder + "\\GORVATH.SAV").c_str());
    return ok ? 0 : 1;
}

// What the screenshot shows: the HostWindow, and the maintenance window moved beside it.
int Pose(const std::string& state, const std::string& folder, const std::string& rectFile) {
    Gorvath g(ExeFolder() + "Gorvath.exe", folder);
    if (!g.ok()) {
        std::fprintf(stderr, "%s\n", g.Error().c_str());
        return 1;
    }
    RECT shown;
    GetWindowRect(g.Window(), &shown);
    if (state == "panel") {
        g.Run(IDM_MACS_SETUPMACS);
    } else if (state == "idle" || state == "busy") {
        hostremote::RestorePlayers(g, 10000);
        g.Run(IDC_HOST_COMMAND12);
        g.Run(IDC_HOST_COMMAND5);
        if (state == "busy") {
            g.Post(IDC_HOST_COMMAND7);
            hostremote::WaitUntil([&] { return g.Busy(); }, 10000);
        }
    } else if (state == "maintenance") {
        hostremote::RestorePlayers(g, 10000);
        for (int id : {IDC_HOST_COMMAND12, IDC_HOST_COMMAND5, IDC_HOST_COMMAND7, IDC_HOST_COMMAND8})
            g.Run(id);
        g.Run(IDM_RECOVER_PLAYERWINDOW);
        hostremote::WaitUntil([&] { return g.Maintenance() != nullptr; }, 5000);
        HWND m = g.Maintenance();
        RECT r;
        GetWindowRect(m, &r);
        SetWindowPos(m, nullptr, shown.right + 16, shown.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        GetWindowRect(m, &r);
        g.SelectInMaintenance(IDC_MAINT_LIST2, 0);
        UnionRect(&shown, &shown, &r);
    } else if (state == "season") {
        // The Season window alone, at the top left, clear of the HostWindow (kept on top) moved to the bottom right.
        g.Run(IDM_SEASON);
        hostremote::WaitUntil([&] { return g.Season() != nullptr; }, 5000);
        HWND s = g.Season();
        const HWND save = GetDlgItem(s, IDC_SEASON_SAVEPAGE);
        PostMessageW(s, WM_COMMAND, MAKEWPARAM(IDC_SEASON_SAVEPAGE, BN_CLICKED), reinterpret_cast<LPARAM>(save));
        hostremote::WaitUntil(
            [&] { return GetFileAttributesA((folder + "\\SEASON.HTM").c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000);
        SetWindowPos(g.Window(), nullptr, GetSystemMetrics(SM_CXSCREEN) - (shown.right - shown.left) - 8,
                     GetSystemMetrics(SM_CYSCREEN) - (shown.bottom - shown.top) - 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SetWindowPos(s, nullptr, 8, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        hostremote::WaitUntil([] { return false; }, 500);
        GetWindowRect(s, &shown);
    } else {
        std::fprintf(stderr, "unknown state %s\n", state.c_str());
        return 2;
    }
    std::ofstream(rectFile) << shown.left << " " << shown.top << " " << (shown.right - shown.left) << " "
                            << (shown.bottom - shown.top) << "\n";
    std::printf("posed: %s\n", state.c_str());
    std::fflush(stdout);
    // Stay attached until the screenshot is taken and Wine is ended.
    Sleep(INFINITE);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "play")
        return Play(args[1], args[2]);
    if (args.size() == 4 && args[0] == "pose")
        return Pose(args[1], args[2], args[3]);
    std::fprintf(stderr,
                 "usage: host_driver play FOLDER TRANSCRIPT\n"
                 "       host_driver pose idle|busy|panel|maintenance|season FOLDER RECTFILE\n");
    return 2;
}
