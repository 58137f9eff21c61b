// harness_wine_test.cpp: the Wine test harness itself: message boxes seen and answered, pumping, and a
// world process started, controlled and stopped.
#include "testing/world_harness_win.h"

#include <gtest/gtest.h>

namespace testwin {
namespace {

UINT gBoxResult = 0;
bool gTimerFired = false;

void CALLBACK MarkTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    gTimerFired = true;
}

void CALLBACK ShowBoxFromTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    gBoxResult = static_cast<UINT>(MessageBoxA(nullptr, "12 - Mode was ESP but no avatar name was specified",
                                               "ProcessAckData Response Message", MB_OK | MB_ICONINFORMATION));
}

TEST(HarnessTest, MessageBoxesAreSeenAndAnswered) {
    struct Row {
        UINT answer;
        UINT style;
        const char* caption;
        const char* text;
    };
    const Row rows[] = {
        {IDOK, MB_OK, "Tumbleroo", "Data received from Bob: hello"},
        {IDNO, MB_YESNO | MB_ICONQUESTION, "Restore", "Restore the saved game?"},
        {IDYES, MB_YESNO, "\xc4rger", "Caf\xe9 line"},  // ANSI text beyond ASCII comes back unchanged
    };
    for (const auto& row : rows) {
        MessageBoxWatcher watcher(row.answer);
        EXPECT_EQ(MessageBoxA(nullptr, row.text, row.caption, row.style), static_cast<int>(row.answer));
        const auto seen = watcher.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].caption, row.caption);
        EXPECT_EQ(seen[0].text, row.text);
    }

    // A box opened by a callback of this thread shows up while WaitForCount handles the thread's messages.
    MessageBoxWatcher watcher;
    SetTimer(nullptr, 0, 10, ShowBoxFromTimer);
    EXPECT_TRUE(watcher.WaitForCount(1, 20000));
    EXPECT_TRUE(PumpUntil([] { return gBoxResult == IDOK; }, 20000));
    EXPECT_EQ(watcher.Seen().at(0).caption, "ProcessAckData Response Message");
}

TEST(HarnessTest, PumpUntilReportsTheOutcome) {
    EXPECT_FALSE(PumpUntil([] { return false; }, 50));
    // The timer callback only runs if PumpUntil dispatches this thread's messages.
    SetTimer(nullptr, 0, 20, MarkTimer);
    EXPECT_TRUE(PumpUntil([] { return gTimerFired; }, 20000));
}

TEST(HarnessTest, WorldProcessStartsTakesCommandsAndQuits) {
    WorldProcess world({"--me", "Host"});
    ASSERT_TRUE(world.ok());
    EXPECT_TRUE(world.Control("mark|step one"));
    EXPECT_FALSE(world.Control("mark"));
    const auto marks = world.Transcript("MARK");
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].fields, std::vector<std::string>{"step one"});
    const auto ctrl = world.Transcript("CTRL");
    ASSERT_EQ(ctrl.size(), 2u);
    EXPECT_EQ(ctrl[1].fields, (std::vector<std::string>{"error", "mark"}));
    // Quotes and a trailing backslash survive the command line of a program started by RunAndWait.
    EXPECT_EQ(RunAndWait(BinaryDirectory() + "worldctl.exe", {"mark|say \"hi\" \\\\"}, 30000), 0);
    const auto marksAfter = world.Transcript("MARK");
    ASSERT_EQ(marksAfter.size(), 2u);
    EXPECT_EQ(marksAfter[1].fields, std::vector<std::string>{"say \"hi\" \\"});
    EXPECT_TRUE(world.Control("quit"));
    EXPECT_TRUE(world.WaitForExit(20000));
}

TEST(HarnessTest, ProgramsRunWithQuotedArguments) {
    // worldctl checks its arguments before looking for a world: a refused --wait value is exit code 1,
    // a good one without a world is 2.
    EXPECT_EQ(RunAndWait(BinaryDirectory() + "worldctl.exe", {"--wait", "0.1", "say|Ann|two words"}, 30000), 2);
    EXPECT_EQ(RunAndWait(BinaryDirectory() + "worldctl.exe", {"--wait", "0.1 s"}, 30000), 1);
    EXPECT_EQ(RunAndWait(BinaryDirectory() + "no-such-program.exe", {}, 30000), -1);
}

}  // namespace
}  // namespace testwin
