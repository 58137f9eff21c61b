// Capture scanning (ESP lines, markers, line ends, junk), who joins, and the chunks of "Read List".
#include "host/intake.h"

#include <gtest/gtest.h>

#include "host/announcements.h"
#include "host/tests/fakes.h"
#include "host/text_lines.h"

namespace {

using hosttest::Names;
using Strings = std::vector<std::string>;

TEST(Intake, LineSplitting) {
    struct Row {
        std::string text;
        Strings crOnly;  // capture, saved game, macros
        Strings withLf;  // categories
    };
    const Row rows[] = {
        {"", {}, {}},
        {"a", {"a"}, {"a"}},
        {"a\r\nb\r\n", {"a", "b"}, {"a", "b"}},
        {"a\rb\r\rc", {"a", "b", "", "c"}, {"a", "b", "", "c"}},
        {"a\nb\r\n\r\n", {"a\nb", ""}, {"a", "b", ""}},
        {"\r\n", {""}, {""}},
        {"\n\r", {"\n"}, {"", ""}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(host::SplitLines(r.text, host::LineEnds::kCrOrCrLf), r.crOnly);
        EXPECT_EQ(host::SplitLines(r.text, host::LineEnds::kCrCrLfOrLf), r.withLf);
    }
    EXPECT_EQ(host::TrimSpaces("  \tA b\t  "), "\tA b\t");
}

TEST(Intake, EspAndMarkerLines) {
    const std::string marker = host::kIntakeMarker;
    struct Row {
        std::string line;
        std::optional<std::pair<std::string, std::string>> esp;
        bool marker;
    };
    const Row rows[] = {
        {"ESP from Bob: $", {{"Bob", "$"}}, false},
        {"ESP from  Bob :  $  ", {{"Bob", "$"}}, false},
        {"ESP fromBob:$", {{"Bob", "$"}}, false},
        {"ESP from Bob: time: 5", {{"Bob", "time: 5"}}, false},
        {"ESP from \tBob\t: $\t", {{"\tBob\t", "$\t"}}, false},
        {"ESP from Bob $", std::nullopt, false},
        {"esp from Bob: $", std::nullopt, false},
        {" ESP from Bob: $", std::nullopt, false},
        {"Amy: ESP from Bob: $", std::nullopt, false},
        {"ESP fro", std::nullopt, false},
        {"Amy: " + marker, std::nullopt, true},
        {"Amy:" + marker + "   ", std::nullopt, true},
        {"ESP from Amy:  " + marker, {{"Amy", marker}}, true},
        {marker, std::nullopt, false},
        {"Amy: x" + marker, std::nullopt, false},
        {"Amy: " + std::string(host::kHowToPlayNotice), std::nullopt, false},
    };
    for (const auto& r : rows) {
        const auto esp = host::ParseEspLine(r.line);
        ASSERT_EQ(esp.has_value(), r.esp.has_value()) << r.line;
        if (esp) {
            EXPECT_EQ(esp->name, r.esp->first) << r.line;
            EXPECT_EQ(esp->message, r.esp->second) << r.line;
        }
        EXPECT_EQ(host::IsMarkerLine(r.line), r.marker) << r.line;
    }
}

TEST(Intake, JoinRequestsFollowTheLastMarker) {
    const std::string m = std::string("Host: ") + host::kIntakeMarker;
    struct Row {
        const char* what;
        Strings capture;
        Strings requests;
    };
    const Row rows[] = {
        {"no marker: all, in order", {"ESP from Amy: $", "Bob: hello", "ESP from Bob: $", "ESP from Amy: $"},
         {"Amy", "Bob", "Amy"}},
        {"markers on lines 3 and 7",
         {"ESP from A: $", "ESP from B: $", m, "ESP from C: $", "ESP from D: $", "x", m, "ESP from E: $",
          "ESP from A: $"},
         {"E", "A"}},
        {"an ESP carrying the marker is a marker", {"ESP from A: $", "ESP from B: " + m.substr(6), "ESP from C: $"},
         {"C"}},
        {"only a lone dollar counts",
         {"ESP from A:  $  ", "ESP from B: $$", "ESP from C: $ please", "ESP from D: ", "ESP from E: \t$",
          "esp from F: $", "G: ESP from G: $"},
         {"A"}},
        {"marker last: nothing", {"ESP from A: $", m}, {}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(host::JoinRequests(r.capture), r.requests) << r.what;
}

TEST(Intake, JunkBinaryAndLongLinesDoNotDisturbTheScan) {
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>(i % 256);
    const std::string longName(100000, 'N');
    std::string capture = junk + "\r\n";
    capture += "ESP from " + longName + ": $\r\n";
    capture += std::string(2000000, ':') + "\r\n";
    capture += "ESP from \xe9l\xe8ve: $\r\n";
    capture += "ESP from A\nESP from B: $\r";  // a lone LF does not end a capture line
    capture += std::string("ESP from Nul\0x: $\r\n", 19);
    const auto requests = host::JoinRequests(host::SplitLines(capture, host::LineEnds::kCrOrCrLf));
    EXPECT_EQ(requests, (Strings{longName, "\xe9l\xe8ve", "A\nESP from B", std::string("Nul\0x", 5)}));
}

TEST(Intake, TakeNewPlayer) {
    using R = host::JoinResult;
    struct Row {
        std::string name;
        R result;
    };
    const Row rows[] = {
        {"Amy", R::kAlreadyListed}, {"Bob", R::kAlreadyListed}, {"bob", R::kAdded},
        {"Cy", R::kAdded},          {"", R::kRefused},          {"List2", R::kRefused},
        {"list2", R::kAdded},       {std::string("Al\0x", 4), R::kRefused},
    };
    for (const auto& r : rows) {
        host::NameList players = Names({"Amy", "  Bob "});
        EXPECT_EQ(host::TakeNewPlayer(players, r.name), r.result) << r.name;
        EXPECT_EQ(players.Count(), r.result == R::kAdded ? 3 : 2);
    }
    host::NameList full;
    for (int i = 0; i < host::kMaxListEntries; ++i)
        full.Add(std::to_string(i));
    EXPECT_EQ(host::TakeNewPlayer(full, "Late"), R::kRefused);
}

TEST(Intake, ReadListChunks) {
    auto twenty = [](int i) { return std::string(18, 'a') + static_cast<char>('a' + i / 26) + static_cast<char>('a' + i % 26); };
    host::NameList many;
    for (int i = 0; i < 16; ++i)
        many.Add(twenty(15 - i));
    const auto chunks = host::ReadListChunks(host::SortedCopy(many));
    ASSERT_EQ(chunks.size(), 3u);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(chunks[c].size(), 154u);
        EXPECT_EQ(chunks[c].substr(0, 20), twenty(7 * c));
        EXPECT_EQ(chunks[c].substr(152), ", ");
    }
    EXPECT_EQ(chunks[2], twenty(14) + ", " + twenty(15));

    struct Row {
        host::NameList players;
        Strings said;
    };
    const Row rows[] = {
        {Names({}), {"The following are on the list:"}},
        {Names({"Zed", "amy", "Bob"}), {"The following are on the list:", "amy, Bob, Zed"}},
        {Names({std::string(149, 'x').c_str(), "y"}),
         {"The following are on the list:", std::string(149, 'x') + ", ", "y"}},
        {Names({std::string(148, 'x').c_str(), "y", "z"}),
         {"The following are on the list:", std::string(148, 'x') + ", y, ", "z"}},
    };
    for (const auto& r : rows) {
        Strings said;
        for (const auto& step : host::ReadListScript(r.players))
            said.push_back(step.text);
        EXPECT_EQ(said, r.said);
    }
}

}  // namespace
