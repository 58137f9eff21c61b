// report_test.cpp: what SELFCHECK.TXT says: a step's line, and the auto configuration judged by its status line and
// the SCONTROL.TXT the game host will read.
#include "selfcheck/report.h"

#include <gtest/gtest.h>

namespace selfcheck {
namespace {

TEST(SelfCheckReport, StepLines) {
    const struct {
        const char* row;
        StepResult step;
        const char* line;
    } rows[] = {
        {"pass", {"default world: start", true, 0.14, ""}, "PASS    0.1 s  default world: start"},
        {"pass with what it found",
         {"the program files", true, 0, "all there"},
         "PASS    0.0 s  the program files: all there"},
        {"a message box's lines stay on one line",
         {"game", false, 61.25, "said: \"one\r\ntwo\""},
         "FAIL   61.2 s  game: said: \"one  two\""},
        {"a clock that went back", {"stop", true, -3, ""}, "PASS    0.0 s  stop"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(FormatStepLine(r.step), r.line) << r.row;
}

TEST(SelfCheckReport, AutoConfigurationIsJudgedByWhatTheHostWillRead) {
    const struct {
        const char* row;
        const char* status;
        std::optional<std::string> settings;
        bool ok;
        const char* why;  // the start of it
    } rows[] = {
        {"DDE method", "DDE Method Successful", "Pelmor 3.0\r\n0\r\n0\r\n0\r\n", true,
         "\"DDE Method Successful\", SCONTROL.TXT: DDE method"},
        {"DDE method with focus control", "DDE Method Successful", "Pelmor 3.0\r\n1\r\n0\r\n0\r\n", true,
         "\"DDE Method Successful\", SCONTROL.TXT: DDE method with focus control"},
        {"DLL method with a delay", "DLL Method Successful", "Pelmor 3.0\r\n0\r\n1\r\n3\r\n", true,
         "\"DLL Method Successful\", SCONTROL.TXT: DLL method, 3 s after each line"},
        {"nothing worked", "DLL Method failed", std::nullopt, false, "\"DLL Method failed\": no way"},
        {"no status at all", "", std::nullopt, false, "\"\" (no status)"},
        {"success without a file", "DDE Method Successful", std::nullopt, false, "\"DDE Method Successful\" but no"},
        {"success the file contradicts", "DDE Method Successful", "Pelmor 3.0\r\n0\r\n1\r\n0\r\n", false,
         "\"DDE Method Successful\" but SCONTROL.TXT says otherwise"},
        {"another world title", "DLL Method Successful", "Other\r\n0\r\n1\r\n0\r\n", false,
         "\"DLL Method Successful\" but SCONTROL.TXT says otherwise"},
        {"not saved", "DDE Method works but SCONTROL.TXT not saved", std::nullopt, false, "\"DDE Method works"},
    };
    for (const auto& r : rows) {
        const Verdict v = JudgeAutoConfiguration(r.status, r.settings);
        EXPECT_EQ(v.ok, r.ok) << r.row;
        EXPECT_EQ(v.why.rfind(r.why, 0), 0u) << r.row << ": " << v.why;
    }
}

TEST(SelfCheckReport, WholeReport) {
    const std::vector<StepResult> steps = {{"a", true, 1, ""}, {"b", false, 2, "why"}};
    EXPECT_EQ(
        FormatReport({"TUMBLEROO SELF-CHECK 1.0.1"}, steps, {{"GORVATH.LOG", "one\ntwo\r\nthree"}}, ""),
        "TUMBLEROO SELF-CHECK 1.0.1\r\n\r\nPASS    1.0 s  a\r\nFAIL    2.0 s  b: why\r\n\r\n1 of 2 steps passed.\r\n"
        "\r\n== GORVATH.LOG\r\none\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(FormatReport({"X"}, {}, {{"VANTREL.LOG", ""}}, "default world: start"),
              "X\r\n\r\n(still running: default world: start)\r\n\r\n== VANTREL.LOG\r\n(empty or not written)\r\n");
}

}  // namespace
}  // namespace selfcheck
