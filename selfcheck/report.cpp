// report.cpp: the lines of SELFCHECK.TXT and the judging of the configurator's outcome (see report.h). Portable: it
// touches no file; checks_win.cpp reads and writes them.
#include "selfcheck/report.h"

#include <cstdio>

#include "linkmodule/link_settings.h"

namespace selfcheck {
namespace {

std::string OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 32 || c == 127)
            c = ' ';
    }
    return out;
}

// Each line of a log, ended CR LF, whatever it was ended with; a last line without an end is kept.
std::string WithCrLf(std::string_view text) {
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const bool last = end == std::string_view::npos;
        if (last)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        out.append(line).append("\r\n");
        start = end + 1;
    }
    return out;
}

}  // namespace

std::string FormatStepLine(const StepResult& step) {
    char time[32];
    std::snprintf(time, sizeof time, "%6.1f s", step.seconds < 0 ? 0.0 : step.seconds);
    std::string line = std::string(step.ok ? "PASS" : "FAIL") + " " + time + "  " + OneLine(step.name);
    if (!step.why.empty())
        line += ": " + OneLine(step.why);
    return line;
}

// The status texts are the configurator's own; the file is checked as the game host will read it, so that a
// success the host would not follow (no file, another method, another world title) is no pass.
Verdict JudgeAutoConfiguration(std::string_view status, const std::optional<std::string>& settings) {
    const bool dde = status == "DDE Method Successful";
    const bool dll = status == "DLL Method Successful";
    const std::string shown = "\"" + OneLine(status) + "\"";
    if (!dde && !dll)
        return {false, shown + (status.empty() ? " (no status)" : "") + ": no way of talking to the world worked"};
    if (!settings)
        return {false, shown + " but no SCONTROL.TXT was written"};
    const linkmodule::LinkSettings read = linkmodule::ParseLinkSettingsText(*settings);
    if (read.clientWindowTitle != linkmodule::kDefaultClientWindowTitle || read.useLibraryMethod != dll ||
        (dde && read.sendDelaySeconds != 0) || (dll && read.focusControl))
        return {false, shown + " but SCONTROL.TXT says otherwise: \"" + OneLine(*settings) + "\""};
    std::string found = shown + ", SCONTROL.TXT: ";
    if (dde)
        found += read.focusControl ? "DDE method with focus control" : "DDE method";
    else
        found += "DLL method, " + std::to_string(read.sendDelaySeconds) + " s after each line";
    return {true, found};
}

std::string FormatReport(const std::vector<std::string>& facts,
                         const std::vector<StepResult>& steps,
                         const std::vector<LogText>& logs,
                         std::string_view running) {
    std::string out;
    for (const auto& f : facts)
        out += OneLine(f) + "\r\n";
    out += "\r\n";
    size_t passed = 0;
    for (const auto& s : steps) {
        out += FormatStepLine(s) + "\r\n";
        passed += s.ok ? 1 : 0;
    }
    if (!running.empty())
        out += "(still running: " + OneLine(running) + ")\r\n";
    else
        out += "\r\n" + std::to_string(passed) + " of " + std::to_string(steps.size()) + " steps passed.\r\n";
    for (const auto& log : logs) {
        out += "\r\n== " + OneLine(log.heading) + "\r\n";
        out += log.text.empty() ? std::string("(empty or not written)\r\n") : WithCrLf(log.text);
    }
    return out;
}

}  // namespace selfcheck
