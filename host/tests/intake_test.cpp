// Capture scanning (ESP lines, markers, line ends, junk) and the chunks of "Read List".
#include "host/intake.h"

#include <gtest/gtest.h>

#include "host/announcements.h"
#include "host/tests/fakes.h"
#include "host/text_lines.h"

namespace {

using namespace hosttest;

TEST(Intake, JoinRequestsFollowTheLastMarker) {
    const std::string m = host::kIntakeMarker;
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>(i % 256);
    const std::string longName(100000, 'N');
    const std::pair<std::string, Strings> rows[] = {
        {"ESP from Amy: $\r\nBob: hello\r\nESP from Bob: $\r\nESP from Amy: $", {"Amy", "Bob", "Amy"}},
        // Markers on lines 3 and 7: only lines 7 on count.
        {"ESP from A: $\rESP from B: $\rX: " + m + "\rESP from C: $\rESP from D: $\rx\rY:" + m +
             "  \rESP from E: $\rESP from A: $",
         {"E", "A"}},
        {"ESP from A: $\r\nESP from B:  " + m + "\r\nESP from C: $", {"C"}},
        {"ESP from A: $\r\n" + m + "\r\nX: x" + m + "\r\nX: " + host::kHowToPlayNotice, {"A"}},
        {"ESP from A: $\r\nX: " + m, {}},
        {"ESP from  A :  $  \r\nESP fromB:$\r\nESP from C: $$\r\nESP from D: $ please\r\nESP from E:\r\n"
         "ESP from F: \t$\r\nesp from G: $\r\n ESP from H: $\r\nI: ESP from I: $\r\nESP from J $\r\nESP fro",
         {"A", "B"}},
        {"ESP from \tT\t: $\r\nESP from U: time: $", {"\tT\t"}},
        {junk + "\r\nESP from " + longName + ": $\r\n" + std::string(2000000, ':') + "\r\nESP from \xe9l\xe8ve: $\r\n" +
             "ESP from A\nESP from B: $\r" + std::string("ESP from Nul\0x: $\r\n", 19),
         {longName, "\xe9l\xe8ve", "A\nESP from B", std::string("Nul\0x", 5)}},
    };
    for (const auto& [capture, requests] : rows)
        EXPECT_EQ(host::JoinRequests(host::SplitLines(capture, host::LineEnds::kCrOrCrLf)), requests)
            << capture.substr(0, 200);
}

TEST(Intake, ReadListChunks) {
    auto twenty = [](int i) { return std::string(19, 'a') + static_cast<char>('a' + i); };
    Strings many;
    for (int i = 15; i >= 0; --i)
        many.push_back(twenty(i));
    const auto chunks = host::ReadListChunks(host::SortedCopy(Names(many)));
    ASSERT_EQ(chunks.size(), 3u);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(chunks[c].size(), 154u);
        EXPECT_EQ(chunks[c].substr(0, 20), twenty(7 * c));
        EXPECT_EQ(chunks[c].substr(152), ", ");
    }
    EXPECT_EQ(chunks[2], twenty(14) + ", " + twenty(15));

    const std::string header = "The following are on the list:";
    const std::pair<Strings, Strings> rows[] = {
        {{}, {header}},
        {{"Zed", "amy", "Bob"}, {header, "amy, Bob, Zed"}},
        {{std::string(149, 'x'), "y"}, {header, std::string(149, 'x') + ", ", "y"}},
        {{std::string(148, 'x'), "y", "z"}, {header, std::string(148, 'x') + ", y, ", "z"}},
    };
    for (const auto& [players, said] : rows) {
        Strings got;
        for (const auto& step : host::ReadListScript(Names(players)))
            got.push_back(step.text);
        EXPECT_EQ(got, said);
    }
}

}  // namespace
