// The texts shown, spoken and saved, the typed delay, and the centring of the window.
#include "configurator/texts.h"
#include "configurator/manual_seconds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using Status = config::ManualSecondsReading::Status;

config::LinkSettings Settings(const char* title, bool focus, bool library, int16_t delay) {
    return {title, focus, library, delay};
}

TEST(Texts, CurrentSettingAndSettingsFile) {
    const struct {
        config::LinkSettings s;
        std::string current, file;
    } rows[] = {
        {{}, "DDE Method", "Pelmor 3.0\r\n0\r\n0\r\n0\r\n"},
        {Settings("Pelmor 3.0", false, true, 3), "DLL Method - Timer set to 3 seconds",
         "Pelmor 3.0\r\n0\r\n1\r\n3\r\n"},
        {Settings("Pelmor 3.0", true, true, 0), "DLL Method", "Pelmor 3.0\r\n1\r\n1\r\n0\r\n"},
        {Settings("Pelmor 3.0", true, false, 0), "DDE Method - Set Focus Control On and Pelmor App Title is Pelmor 3.0",
         "Pelmor 3.0\r\n1\r\n0\r\n0\r\n"},
        {Settings("Other", false, false, 7), "DDE Method", "Other\r\n0\r\n0\r\n7\r\n"},
        {Settings("Pelmor 3.0", false, true, 1), "DLL Method - Timer set to 1 seconds",
         "Pelmor 3.0\r\n0\r\n1\r\n1\r\n"},
        {Settings("", false, true, 32767), "DLL Method - Timer set to 32767 seconds", "\r\n0\r\n1\r\n32767\r\n"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(config::CurrentSettingText(r.s), r.current);
        EXPECT_EQ(config::SettingsFileText(r.s), r.file);
    }
}

TEST(Texts, SpokenLines) {
    EXPECT_EQ(config::DdeMarker(false), "Configuration Test: SetFocus - off");
    EXPECT_EQ(config::DdeMarker(true), "Configuration Test: SetFocus - on");
    EXPECT_EQ(config::DllMarker(3), "Configuration Test: 3");
    EXPECT_EQ(config::TestLine(3, {14, 5, 9}), "3 -- Configuration Test -- 14:05:09");
    EXPECT_EQ(config::TestLine(9, {0, 0, 0}), "9 -- Configuration Test -- 00:00:00");
    EXPECT_EQ(config::FormatClockTime({123, 60, -1}), "23:59:00");  // a clock gone wrong still gives 8 characters
}

TEST(Texts, ManualSeconds) {
    const struct {
        const char* text;
        Status status;
        int seconds;
    } rows[] = {
        // clang-format off
        {"0", Status::Ok, 0},       {"", Status::Ok, 0},        {"abc", Status::Ok, 0},     {"3 seconds", Status::Ok, 3},
        {" 1 2 ", Status::Ok, 12},  {"\t1\n0", Status::Ok, 10}, {"+7", Status::Ok, 7},      {"4-5", Status::Ok, 4},
        {"1.2.3", Status::Ok, 1},   {"1e3", Status::Ok, 1},     {"\r5", Status::Ok, 0},     {"--3", Status::Ok, 0},
        {"2.5", Status::Ok, 2},     {"3.5", Status::Ok, 4},     {".5", Status::Ok, 0},      {".6", Status::Ok, 1},
        {"2.50000", Status::Ok, 2}, {"2 . 4 9", Status::Ok, 2}, {"2.5000000000000000001", Status::Ok, 3},
        {"32767.4", Status::Ok, 32767},  {"32766.5", Status::Ok, 32766},  {"32767.5", Status::TooLarge, 0},
        {"40000", Status::TooLarge, 0},  {"99999999999999999999999", Status::TooLarge, 0},
        {"-3", Status::Negative, 0},     {"- 5", Status::Negative, 0},    {"-0.6", Status::Negative, 0},
        {"-99999999999999999999999", Status::Negative, 0}, {"-0.5", Status::Ok, 0}, {"-0.4", Status::Ok, 0},
        // clang-format on
    };
    for (const auto& r : rows) {
        const auto got = config::ReadManualSeconds(r.text);
        EXPECT_EQ(got.status, r.status) << '"' << r.text << '"';
        EXPECT_EQ(got.seconds, r.seconds) << '"' << r.text << '"';
    }
}

TEST(Texts, CentreOffset) {
    EXPECT_EQ(config::CentreOffset(19200, 3885), 7657);    // 15315 halved, the remainder dropped
    EXPECT_EQ(config::CentreOffset(19200, 3884.5), 7658);  // 15315.5 rounds to 15316 first
    EXPECT_EQ(config::CentreOffset(1000, 1003), -1);       // wider than the screen: toward zero
    EXPECT_EQ(config::CentreOffset(NAN, 3885), 0);
}

}  // namespace
