// report.h: what the self-check writes into SELFCHECK.TXT, as plain text rules: one line per step, the judging of
// the configurator's outcome, and the whole report. Portable; the steps themselves run in checks_win.cpp.
//
//   PASS    1.2 s  default world: start
//   FAIL   60.0 s  default world: scripted game, library method: "GIVE CATEGORY": the command did not finish ...
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace selfcheck {

struct StepResult {
    std::string name;
    bool ok = false;
    double seconds = 0;
    std::string why;  // for a failure; may be empty for a pass, or say what was found
};

// One step's line, without its line end: PASS or FAIL, the time in seconds with one decimal, the step, and after a
// colon why (or what a pass found). Control characters in the texts become spaces, so a step stays one line.
std::string FormatStepLine(const StepResult& step);

// The auto configuration passed when its status line ends in one of the two successes and the SCONTROL.TXT it
// wrote (nullopt: none) says that method, for the world's title "Pelmor 3.0". `why` names what was seen.
struct Verdict {
    bool ok = false;
    std::string why;
};
Verdict JudgeAutoConfiguration(std::string_view status, const std::optional<std::string>& settings);

// The whole report: the facts (one "Name: value" line each), the step lines, then each log under its heading.
struct LogText {
    std::string heading;
    std::string text;  // the log file as read; its line ends are made CR LF
};
std::string FormatReport(const std::vector<std::string>& facts,
                         const std::vector<StepResult>& steps,
                         const std::vector<LogText>& logs,
                         std::string_view running);

}  // namespace selfcheck
