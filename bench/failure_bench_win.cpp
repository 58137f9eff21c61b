// failure_bench: how long Gorvath.exe keeps the operator waiting when the link fails, by each method.
//
// For every case, a fresh world, a fresh host and one click; the figure is the time from the click to the
// operator's message about the world client (or, beside programs that do not answer their messages, to the end of
// the command, which must not need one), and its ratio to the 15 s bound. Cases:
//   sits     the world's thread sits on the chat request for 30 s (fault slow), Get_Players
//   holds    the world takes the chat request and never delivers a reply (fault hold), Get_Players
//   late     every line answered 2.5 s late, past the library's 2 s (fault slow on communicate), How To Play
//   hung     a hung window and one that reads its messages every 10 s elsewhere on the desktop, Get_Players and
//            How To Play (14 lines), each timed
//   configurator  Vantrel.exe's Auto Configuration against a world that takes every request and answers none
//            (fault hold all), from the click to its message about the world client
//
//   failure_bench.exe [CASE...]      (default: all)
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "configurator/configurator_ids.h"
#include "configurator/configurator_layout.h"
#include "host/host_ids.h"
#include "host/tools/gorvath_remote_win.h"
#include "linkmodule/link_core.h"
#include "testing/program_harness_win.h"
#include "testing/world_harness_win.h"

namespace {

constexpr double kBoundMs = 15000;

struct Method {
    const char* name;
    const char* settings;
};
const Method kMethods[] = {{"library", testwin::kLibraryMethod}, {"console", testwin::kConsoleMethod}};

std::string NewFolder(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "failure-bench-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void Write(const std::string& path, const std::string& content) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
    }
}

double Now() {
    return static_cast<double>(GetTickCount64());
}

// One click against a faulty world: milliseconds to the operator's message (-1: none within 60 s).
double TimeToMessage(hostremote::Gorvath& host, int command) {
    const double clicked = Now();
    host.Post(command);
    for (;;) {
        const auto box = host.WaitForMessageBox(60000);
        if (!box)
            return -1;
        const double at = Now() - clicked;
        hostremote::Gorvath::Answer(*box, IDOK);
        if (box->text.rfind(linkmodule::kStalledMessageStart, 0) == 0)
            return at;
        if (at > 60000)
            return -1;
    }
}

void Report(const char* what, const char* method, double ms) {
    if (ms < 0)
        std::printf("%-34s %-8s no message within 60 s\n", what, method);
    else
        std::printf("%-34s %-8s %7.0f ms   %.2f of the 15 s bound\n", what, method, ms, ms / kBoundMs);
}

struct Run {
    std::string folder;
    std::unique_ptr<testwin::WorldProcess> world;
    std::unique_ptr<hostremote::Gorvath> host;

    Run(const std::string& name, const Method& method) : folder(NewFolder(name + "-" + method.name)) {
        world = std::make_unique<testwin::WorldProcess>(std::vector<std::string>{"--me", "Marla"});
        world->Control("avatar|Ann");
        world->Control("esp|Ann|$");
        Write(folder + "\\SCONTROL.TXT", method.settings);
        host = std::make_unique<hostremote::Gorvath>(testwin::BinaryDirectory() + "Gorvath.exe", folder);
    }
    bool ok() const { return world->ok() && host->ok(); }
};

void Stall(const char* name, const char* what, const std::string& fault, int command) {
    for (const Method& method : kMethods) {
        Run run(name, method);
        if (!run.ok()) {
            std::printf("%s %s: could not start\n", name, method.name);
            continue;
        }
        run.world->Control(fault);
        Report(what, method.name, TimeToMessage(*run.host, command));
        run.world->Control("fault|clear");
    }
}

void Hung() {
    for (const Method& method : kMethods) {
        Run run("hung", method);
        if (!run.ok())
            continue;
        testwin::UnansweringWindow hung(testwin::UnansweringWindow::Mode::Hung);
        testwin::UnansweringWindow late(testwin::UnansweringWindow::Mode::Late, 10000);
        for (const auto& [command, what] : {std::pair{IDM_GETIT, "hung windows: Get_Players"},
                                            std::pair{IDM_MACS_WELCOMEMESSAGE, "hung windows: How To Play"}}) {
            const double clicked = Now();
            const bool done = run.host->Run(command, 120000);
            Report(what, method.name, done ? Now() - clicked : -1);
        }
    }
}

// The configurator tries both methods itself: one run, the settings file it starts from making no difference.
void Configurator() {
    const std::string folder = NewFolder("configurator");
    testwin::WorldProcess world({"--me", "Marla"});
    Write(folder + "\\SCONTROL.TXT", testwin::kLibraryMethod);
    testwin::Program vantrel(testwin::BinaryDirectory() + "Vantrel.exe", folder, config::kWindowCaption);
    if (!world.ok() || !vantrel.ok()) {
        std::printf("configurator: could not start\n");
        return;
    }
    world.Control("fault|hold|all|on");
    const double clicked = Now();
    vantrel.Click(IDC_CONFIGURATOR_COMMAND1);
    double ms = -1;
    while (ms < 0 && Now() - clicked < 60000) {
        const auto text = vantrel.AnswerBox(static_cast<DWORD>(60000 - (Now() - clicked)));
        if (!text)
            break;
        if (text->rfind(linkmodule::kStalledMessageStart, 0) == 0)
            ms = Now() - clicked;
    }
    Report("configurator: world answers nothing", "both", ms);
    world.Control("fault|hold|all|off");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> cases(argv + 1, argv + argc);
    if (cases.empty())
        cases = {"sits", "holds", "late", "hung", "configurator"};
    std::printf("from the click to the operator's message (hung: to the end of the command)\n");
    for (const auto& c : cases) {
        if (c == "sits")
            Stall("sits", "world sits on the chat request 30 s", "fault|slow|Zelmarink_GetAllText|30000", IDM_GETIT);
        else if (c == "holds")
            Stall("holds", "world never delivers the chat", "fault|hold|Zelmarink_GetAllText|on", IDM_GETIT);
        else if (c == "late")
            Stall("late", "every line answered 2.5 s late", "fault|slow|Zelmarink_Communicate|2500",
                  IDM_MACS_WELCOMEMESSAGE);
        else if (c == "hung")
            Hung();
        else if (c == "configurator")
            Configurator();
        else
            std::printf("unknown case %s\n", c.c_str());
    }
    return 0;
}
