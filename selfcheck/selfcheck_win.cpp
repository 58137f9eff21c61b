// selfcheck.exe: the self-check of a Tumbleroo installation on this PC, run by SELFCHECK.CMD from the Rehearsal
// folder (the programs lie in the folder above). It starts the stand-in world of each kind (the default, and the
// one built on Windows' own DDE library alone), plays the scripted game on the shipped Gorvath.exe by each link
// method, runs Vantrel.exe's auto configuration, and writes SELFCHECK.TXT beside itself: the facts of this PC and of
// the programs, one PASS or FAIL line per step with its time, and the support logs the programs wrote meanwhile.
// Everything runs in a scratch folder of its own under %TEMP%; the operator's files are only read (the texts
// copied). The report is rewritten after every step, so an interrupted run still shows how far it came.
//
//   selfcheck.exe        exit code 0: every step passed; 1: a step failed; 2: SELFCHECK.TXT could not be written
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "selfcheck/checks_win.h"

namespace {

using selfcheck::StepResult;

std::string Folder(std::string path) {
    return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A fresh scratch folder: %TEMP%\Tumbleroo self-check, emptied; another name beside it when something still holds
// a file in it.
std::string MakeScratch() {
    namespace fs = std::filesystem;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string scratch = std::string(temp) + "Tumbleroo self-check";
    std::error_code error;
    fs::remove_all(scratch, error);
    if (error || fs::exists(scratch, error))
        scratch += " " + std::to_string(GetCurrentProcessId());
    fs::create_directories(scratch, error);
    return scratch + "\\";
}

class Run {
  public:
    explicit Run(const selfcheck::Layout& layout) : layout_(layout), facts_(selfcheck::SystemFacts(layout)) {
        for (const auto& f : facts_)
            std::printf("%s\n", f.c_str());
        std::printf("\n");
    }

    void SetReportPath(const std::string& path) { reportPath_ = path; }
    const std::string& ReportPath() const { return reportPath_; }

    bool AllPassed() const {
        for (const auto& s : steps_) {
            if (!s.ok)
                return false;
        }
        return true;
    }

    // Runs a step, shows it and writes the report so far.
    void Step(const std::string& name, const std::function<StepResult()>& step) {
        std::printf("  ... %s\n", name.c_str());
        std::fflush(stdout);
        Write(name);
        StepResult r = step();
        r.name = name;
        std::printf("%s\n", selfcheck::FormatStepLine(r).c_str());
        std::fflush(stdout);
        steps_.push_back(r);
        Write("");
    }

    void NotRun(const std::string& name, const std::string& why) {
        Step(name, [&] { return StepResult{name, false, 0, "not run: " + why}; });
    }

    // The report with the steps so far; the logs once nothing runs any more.
    bool Write(const std::string& running) const {
        std::vector<selfcheck::LogText> logs;
        if (running.empty()) {
            for (const char* log : {"GORVATH.LO1", "GORVATH.LOG", "VANTREL.LO1", "VANTREL.LOG"}) {
                const std::string text = ReadFileText(layout_.scratch + log);
                if (!text.empty() || std::string(log).ends_with(".LOG"))
                    logs.push_back({std::string(log) + " (support log, scratch folder)", text});
            }
        }
        std::ofstream out(reportPath_, std::ios::binary | std::ios::trunc);
        out << selfcheck::FormatReport(facts_, steps_, logs, running);
        return out.good();
    }

  private:
    selfcheck::Layout layout_;
    std::string reportPath_;
    std::vector<std::string> facts_;
    std::vector<StepResult> steps_;
};

struct WorldKind {
    const char* name;  // as the report says it
    const char* dde;   // worldsim.exe --dde, empty for the default
    const char* transcript;
};
constexpr WorldKind kWorlds[] = {
    {"default world", "", "WORLD.LOG"},
    {"DDEML-only world", "ddeml", "WORLD-DDEML.LOG"},
};

void CheckWithWorld(Run& run, const selfcheck::Layout& layout, const WorldKind& kind) {
    const std::string prefix = std::string(kind.name) + ": ";
    const std::string transcript = layout.scratch + kind.transcript;
    selfcheck::World world(layout, kind.dde, transcript);
    const std::string how = std::string("worldsim.exe") + (*kind.dde ? " --dde " : "") + kind.dde;
    run.Step(prefix + "start (" + how + ")", [&] { return world.Start(); });
    const struct {
        const char* name;
        bool libraryMethod;
    } games[] = {{"scripted game, library method", true}, {"scripted game, console method", false}};
    for (const auto& g : games) {
        if (!world.Running()) {
            run.NotRun(prefix + g.name, "the world is not running");
            continue;
        }
        run.Step(prefix + g.name, [&] { return selfcheck::PlayGame(layout, g.libraryMethod, transcript); });
    }
    if (world.Running())
        run.Step(prefix + "auto configuration", [&] { return selfcheck::RunAutoConfiguration(layout); });
    else
        run.NotRun(prefix + "auto configuration", "the world is not running");
    if (world.Running())
        run.Step(prefix + "stop", [&] { return world.Stop(); });
}

}  // namespace

int main() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    selfcheck::Layout layout;
    layout.rehearsal = Folder(exe);
    layout.programs = Folder(layout.rehearsal.substr(0, layout.rehearsal.size() - 1));
    layout.scratch = MakeScratch();

    // Beside the command that runs it; in the scratch folder when that folder cannot be written.
    Run run(layout);
    run.SetReportPath(layout.rehearsal + "SELFCHECK.TXT");
    if (!run.Write("the start")) {
        run.SetReportPath(layout.scratch + "SELFCHECK.TXT");
        if (!run.Write("the start")) {
            std::printf("SELFCHECK.TXT cannot be written, neither in %s nor in %s\n", layout.rehearsal.c_str(),
                        layout.scratch.c_str());
            return 2;
        }
    }

    // A file that is missing or does not fit fails its own step, and the programs are still tried, which shows what
    // works without it; beside a running world client or program of ours nothing is started.
    run.Step("the program files", [&] { return selfcheck::CheckProgramFiles(layout); });
    bool clear = false;
    run.Step("nothing else running", [&] {
        StepResult r = selfcheck::CheckNothingRunning();
        clear = r.ok;
        return r;
    });
    if (clear) {
        for (const auto& kind : kWorlds)
            CheckWithWorld(run, layout, kind);
    }
    run.Write("");
    std::printf("\n%s: %s\n", run.AllPassed() ? "Every step passed" : "A step FAILED", run.ReportPath().c_str());
    return run.AllPassed() ? 0 : 1;
}
