// The texts the configurator shows, speaks and saves, the typed delay, and where the window is centred.
#include "configurator/manual_seconds.h"
#include "configurator/texts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using config::LinkSettings;
using Status = config::ManualSecondsReading::Status;

LinkSettings Settings(const char* title, bool focus, bool library, int16_t delay) {
    LinkSettings s;
    s.ClientWindowTitle = title;
    s.FocusControl = focus;
    s.UseLibraryMethod = library;
    s.SendDelaySeconds = delay;
    return s;
}

TEST(Texts, CurrentSetting) {
    struct Row {
        LinkSettings settings;
        std::string text;
    };
    const Row rows[] = {
        {LinkSettings{}, "DDE Method"},
        {Settings("Pelmor 3.0", false, true, 3), "DLL Method - Timer set to 3 seconds"},
        {Settings("Pelmor 3.0", false, true, 0), "DLL Method"},
        {Settings("Pelmor 3.0", true, true, 2), "DLL Method - Timer set to 2 seconds"},
        {Settings("Pelmor 3.0", false, true, -4), "DLL Method - Timer set to -4 seconds"},
        {Settings("Pelmor 3.0", false, true, 32767), "DLL Method - Timer set to 32767 seconds"},
        {Settings("Pelmor 3.0", true, false, 0), "DDE Method - Set Focus Control On and Pelmor App Title is Pelmor 3.0"},
        {Settings("", true, false, 3), "DDE Method - Set Focus Control On and Pelmor App Title is "},
        {Settings("My Client", false, false, 3), "DDE Method"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(config::CurrentSettingText(r.settings), r.text);
    }
}

TEST(Texts, SettingsFile) {
    struct Row {
        LinkSettings settings;
        std::string file;
    };
    const Row rows[] = {
        {Settings("Pelmor 3.0", false, false, 0), "Pelmor 3.0\r\n0\r\n0\r\n0\r\n"},
        {Settings("Pelmor 3.0", true, false, 0), "Pelmor 3.0\r\n1\r\n0\r\n0\r\n"},
        {Settings("Pelmor 3.0", false, true, 3), "Pelmor 3.0\r\n0\r\n1\r\n3\r\n"},
        {Settings("Pelmor 3.0", false, true, 32767), "Pelmor 3.0\r\n0\r\n1\r\n32767\r\n"},
        {Settings("", true, true, 12), "\r\n1\r\n1\r\n12\r\n"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(config::SettingsFileText(r.settings), r.file);
    }
}

TEST(Texts, SpokenLines) {
    const std::pair<std::string, std::string> rows[] = {
        {config::DdeMarker(false), "Configuration Test: SetFocus - off"},
        {config::DdeMarker(true), "Configuration Test: SetFocus - on"},
        {config::DllMarker(0), "Configuration Test: 0"},
        {config::DllMarker(3), "Configuration Test: 3"},
        {config::DllMarker(32767), "Configuration Test: 32767"},
        {config::TestLine(3, {14, 5, 9}), "3 -- Configuration Test -- 14:05:09"},
        {config::TestLine(1, {0, 0, 0}), "1 -- Configuration Test -- 00:00:00"},
        {config::TestLine(9, {23, 59, 59}), "9 -- Configuration Test -- 23:59:59"},
        {config::FormatClockTime({7, 30, 5}), "07:30:05"},
        // A clock that misbehaves must still give eight characters.
        {config::FormatClockTime({24, 60, -1}), "23:59:00"},
        {config::FormatClockTime({123, 456, 789}), "23:59:59"},
        {config::DllDelayRaisedStatus(1), "DLL Method failed - setting timer to 1"},
        {config::DllDelayRaisedStatus(4), "DLL Method failed - setting timer to 4"},
    };
    for (const auto& [got, want] : rows) {
        EXPECT_EQ(got, want);
    }
}

TEST(Texts, CentreOffset) {
    struct Row {
        double screen, window;
        int offset;
    };
    const Row rows[] = {
        {19200, 3885, 7657},    // 15315 halved, the remainder dropped
        {19200, 3884, 7658},
        {19200, 3884.5, 7658},  // 15315.5: halves go to the even neighbour, 15316
        {19200, 3883.5, 7658},  // 15316.5: to the even 15316
        {19200, 3885.4, 7657},  // 15314.6 rounds to 15315
        {1000, 1003, -1},       // a window wider than the screen: -3 halved toward zero
        {1000, 1000, 0},
        {NAN, 3885, 0},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(config::CentreOffset(r.screen, r.window), r.offset) << r.screen << " - " << r.window;
    }
}

TEST(ManualSeconds, Reading) {
    struct Row {
        const char* text;
        Status status;
        int seconds;
    };
    const Row rows[] = {
        {"0", Status::Ok, 0},
        {"", Status::Ok, 0},
        {"abc", Status::Ok, 0},
        {"3", Status::Ok, 3},
        {"3 seconds", Status::Ok, 3},
        {" 1 2 ", Status::Ok, 12},
        {"\t4\n", Status::Ok, 4},
        {"1\t0\n0", Status::Ok, 100},
        {"0003", Status::Ok, 3},
        {"+7", Status::Ok, 7},
        {"4x5", Status::Ok, 4},
        {"4-5", Status::Ok, 4},
        {"1.2.3", Status::Ok, 1},
        {"1e3", Status::Ok, 1},
        {"\r5", Status::Ok, 0},
        {"5\r9", Status::Ok, 5},
        {"--3", Status::Ok, 0},
        {"-", Status::Ok, 0},
        {".", Status::Ok, 0},
        // Halves to the even neighbour; anything above a half rounds up, however little.
        {"2.5", Status::Ok, 2},
        {"3.5", Status::Ok, 4},
        {"0.5", Status::Ok, 0},
        {"1.5", Status::Ok, 2},
        {".5", Status::Ok, 0},
        {".6", Status::Ok, 1},
        {"2.49999", Status::Ok, 2},
        {"2.50000", Status::Ok, 2},
        {"2.500000000000000000001", Status::Ok, 3},
        {"2.51", Status::Ok, 3},
        {"2 . 5", Status::Ok, 2},
        // The 16-bit range, and negatives: refused rather than tested with one value and saved as another.
        {"32767", Status::Ok, 32767},
        {"32767.4", Status::Ok, 32767},
        {"32766.5", Status::Ok, 32766},
        {"32767.5", Status::TooLarge, 0},
        {"32768", Status::TooLarge, 0},
        {"40000", Status::TooLarge, 0},
        {"99999999999999999999999", Status::TooLarge, 0},
        {"-3", Status::Negative, 0},
        {"- 5", Status::Negative, 0},
        {"-32768", Status::Negative, 0},
        {"-99999999999999999999999", Status::Negative, 0},
        {"-0.6", Status::Negative, 0},
        {"-0.5", Status::Ok, 0},
        {"-0.4", Status::Ok, 0},
        {"-0", Status::Ok, 0},
    };
    for (const auto& r : rows) {
        const auto got = config::ReadManualSeconds(r.text);
        EXPECT_EQ(got.status, r.status) << '"' << r.text << '"';
        EXPECT_EQ(got.seconds, r.seconds) << '"' << r.text << '"';
    }
}

}  // namespace
