// Reading the chat capture: line ends, trimming, the marker, the recorded test lines and the returned ESP.
#include "configurator/capture.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using config::ConfiguratorFields;

// Chat lines as FetchAllText writes them: each ended by CR LF.
std::string Chat(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l + "\r\n";
    }
    return out;
}

// A literal that may hold NULs, all of it.
template <size_t N>
std::string Raw(const char (&s)[N]) {
    return std::string(s, N - 1);
}

std::string Line(const std::string& who, int n, const std::string& time) {
    return who + ": " + std::to_string(n) + " -- Configuration Test -- " + time;
}

// Nine test lines by one speaker, one second apart: <minute>41 to <minute>49.
std::vector<std::string> NineLines(const std::string& who, const std::string& minute = "14:05:") {
    std::vector<std::string> out;
    for (int n = 1; n <= 9; ++n) {
        out.push_back(Line(who, n, minute + "4" + std::to_string(n)));
    }
    return out;
}

std::string Join(const std::vector<std::string>& head, const std::vector<std::string>& tail = {}) {
    std::string out;
    for (const auto& l : head) {
        out += l + "\r\n";
    }
    for (const auto& l : tail) {
        out += l + "\r\n";
    }
    return out;
}

const std::string kOff = "Configuration Test: SetFocus - off";

TEST(CaptureLines, LineEnds) {
    struct Row {
        const char* what;
        std::string text;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"lone CR", "a\rb\r", {"a", "b"}},
        {"mixed, no end on the last line", "a\r\nb\rc", {"a", "b", "c"}},
        {"empty lines kept", "a\r\n\r\n\rb", {"a", "", "", "b"}},
        {"a lone LF does not end a line", "a\nb\r\n", {"a\nb"}},
        {"LF CR is a line with an LF, then an end", "a\n\rb", {"a\n", "b"}},
        {"NUL and 8-bit bytes pass", Raw("a\0b\xff\r\n"), {Raw("a\0b\xff")}},
        {"empty text has no lines", "", {}},
        {"just CR LF is one empty line", "\r\n", {""}},
    };
    for (const auto& r : rows) {
        config::CaptureLines lines(r.text);
        std::vector<std::string> got;
        std::string_view l;
        while (lines.Next(l)) {
            got.emplace_back(l);
        }
        EXPECT_EQ(got, r.lines) << r.what;
    }
}

TEST(CaptureLines, TrimSpacesOnly) {
    const std::pair<std::string, std::string> rows[] = {
        {"  Ann  ", "Ann"}, {"Ann", "Ann"}, {"     ", ""}, {"", ""}, {"\tAnn \t", "\tAnn \t"}, {" a b ", "a b"},
    };
    for (const auto& [in, out] : rows) {
        EXPECT_EQ(config::TrimSpaces(in), out) << '"' << in << '"';
    }
}

TEST(RecordTestLines, Scenarios) {
    struct Row {
        const char* what;
        std::string capture;
        std::string marker;
        std::vector<int> seq;  // slots 1 to 9
        int nextSlot;
        std::string own;                  // OwnAvatarName afterwards; it starts as "Earlier"
        std::vector<std::string> stamps;  // slots 1 to 9, checked when given
    };
    const std::string longLine(1 << 20, 'x');
    const Row rows[] = {
        {"clean run", Join({"Ann: " + kOff}, NineLines("Ann")), kOff, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 10, "Ann",
         {"14:05:41", "14:05:42", "14:05:43", "14:05:44", "14:05:45", "14:05:46", "14:05:47", "14:05:48",
          "14:05:49"}},
        {"lines before the marker are not recorded", Join(NineLines("Ann", "13:00:")) + Join({"Ann: " + kOff}, NineLines("Ann")),
         kOff, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 10, "Ann",
         {"14:05:41", "14:05:42", "14:05:43", "14:05:44", "14:05:45", "14:05:46", "14:05:47", "14:05:48",
          "14:05:49"}},
        {"the first marker wins: an earlier run's lines are recorded",
         Join({"Ann: " + kOff}, NineLines("Ann", "13:00:")) + Join({"Ann: " + kOff}, NineLines("Ann")), kOff,
         {1, 2, 3, 4, 5, 6, 7, 8, 9}, 10, "Ann",
         {"13:00:41", "13:00:42", "13:00:43", "13:00:44", "13:00:45", "13:00:46", "13:00:47", "13:00:48",
          "13:00:49"}},
        {"another avatar's test line counts and names the speaker if last",
         Chat({"Ann: " + kOff, Line("Ann", 1, "14:05:41"), Line("Bob", 7, "09:00:00"), "Bob: hello",
               Line("Ann", 2, "14:05:42"), Line("Ann", 3, "14:05:43"), Line("Ann", 4, "14:05:44"),
               Line("Ann", 5, "14:05:45"), Line("Ann", 6, "14:05:46"), Line("Bob", 8, "09:00:01")}),
         kOff, {1, 7, 2, 3, 4, 5, 6, 8, 0}, 9, "Bob", {}},
        {"only seven lines come back", Join({"Ann: " + kOff}, {Line("Ann", 1, "14:05:41"), Line("Ann", 2, "14:05:42"),
                                                               Line("Ann", 3, "14:05:43"), Line("Ann", 4, "14:05:44"),
                                                               Line("Ann", 5, "14:05:45"), Line("Ann", 6, "14:05:46"),
                                                               Line("Ann", 7, "14:05:47")}),
         kOff, {1, 2, 3, 4, 5, 6, 7, 0, 0}, 8, "Ann",
         {"14:05:41", "14:05:42", "14:05:43", "14:05:44", "14:05:45", "14:05:46", "14:05:47", "", ""}},
        {"recording stops at nine lines",
         Chat({"Ann: " + kOff, Line("Ann", 1, "14:05:41"), Line("Ann", 2, "14:05:42"), Line("Ann", 2, "14:05:42"),
               Line("Ann", 3, "14:05:43"), Line("Ann", 4, "14:05:44"), Line("Ann", 5, "14:05:45"),
               Line("Ann", 6, "14:05:46"), Line("Ann", 7, "14:05:47"), Line("Ann", 8, "14:05:48"),
               Line("Zed", 9, "14:05:49")}),
         kOff, {1, 2, 2, 3, 4, 5, 6, 7, 8}, 10, "Ann", {}},
        {"no marker: nothing recorded, the name kept", Join(NineLines("Ann")), kOff, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 1,
         "Earlier", {}},
        {"a marker of the other focus setting is not this test's",
         Join({"Ann: Configuration Test: SetFocus - on"}, NineLines("Ann")), kOff, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 1,
         "Earlier", {}},
        {"the marker must be the whole text after the first colon",
         Chat({"Ann: say " + kOff, "Ann: configuration test: setfocus - off", kOff, Line("Ann", 1, "14:05:41")}),
         kOff, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, "Earlier", {}},
        {"spaces around speaker, marker and line are trimmed",
         Chat({"   Ann  :   " + kOff + "   ", "  Ann :  4 -- Configuration Test -- 14:05:44   "}), kOff,
         {4, 0, 0, 0, 0, 0, 0, 0, 0}, 2, "Ann", {"14:05:44", "", "", "", "", "", "", "", ""}},
        {"DLL marker with its delay", Join({"Ann: Configuration Test: 3"}, NineLines("Ann")), "Configuration Test: 3",
         {1, 2, 3, 4, 5, 6, 7, 8, 9}, 10, "Ann", {}},
        {"lone CR line ends", "Ann: " + kOff + "\r" + Line("Ann", 1, "14:05:41") + "\r" + Line("Ann", 2, "14:05:42"),
         kOff, {1, 2, 0, 0, 0, 0, 0, 0, 0}, 3, "Ann", {"14:05:41", "14:05:42", "", "", "", "", "", "", ""}},
        {"a first character that is not a digit records 0",
         Chat({"Ann: " + kOff, "Ann: x -- Configuration Test -- 14:05:41", "Ann: \xb9 -- Configuration Test -- 1"}),
         kOff, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 3, "Ann",
         {"14:05:41", "est -- 1", "", "", "", "", "", "", ""}},
        {"a test line without a colon is skipped, an empty speaker is recorded",
         Chat({"Ann: " + kOff, "1 -- Configuration Test -- 14:05:41", ": 2 -- Configuration Test -- 14:05:42"}), kOff,
         {2, 0, 0, 0, 0, 0, 0, 0, 0}, 2, "", {}},
        {"a line cut off at the end of the capture is not a test line",
         "Ann: " + kOff + "\r\n" + Line("Ann", 1, "14:05:41") + "\r\nAnn: 2 -- Configuration Te", kOff,
         {1, 0, 0, 0, 0, 0, 0, 0, 0}, 2, "Ann", {}},
        {"the marker as the last line", Chat({"Ann: " + kOff}), kOff, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, "Earlier", {}},
        {"empty capture", "", kOff, {0, 0, 0, 0, 0, 0, 0, 0, 0}, 1, "Earlier", {}},
        {"junk, NULs, colons alone and a megabyte line are skipped",
         Chat({Raw("\0\0\xff\xfe"), ":", " : : ", longLine, "Ann: " + kOff, longLine + ":" + longLine,
               std::string("\x01\x02: \x03"), Line("Ann", 1, "14:05:41"), ":::::", Line("Ann", 2, "14:05:42")}),
         kOff, {1, 2, 0, 0, 0, 0, 0, 0, 0}, 3, "Ann", {}},
        {"NULs inside a test line", Chat({"Ann: " + kOff, Raw("A\0n: 5 -- Configuration Test -- \0\0:00:07")}),
         kOff, {5, 0, 0, 0, 0, 0, 0, 0, 0}, 2, Raw("A\0n"),
         {Raw("\0\0:00:07"), "", "", "", "", "", "", "", ""}},
    };
    for (const auto& r : rows) {
        ConfiguratorFields f;
        // Leftovers of an earlier test must not survive into this record.
        f.SeqNumbers.fill(5);
        f.TimeStamps.fill("99:99:99");
        f.NextSlot = 7;
        f.OwnAvatarName = "Earlier";
        config::ClearRecord(f);
        config::RecordTestLines(r.capture, r.marker, f);

        std::vector<int> seq(f.SeqNumbers.begin() + 1, f.SeqNumbers.begin() + 10);
        EXPECT_EQ(seq, r.seq) << r.what;
        EXPECT_EQ(f.NextSlot, r.nextSlot) << r.what;
        EXPECT_EQ(f.OwnAvatarName, r.own) << r.what;
        if (!r.stamps.empty()) {
            std::vector<std::string> stamps(f.TimeStamps.begin() + 1, f.TimeStamps.begin() + 10);
            EXPECT_EQ(stamps, r.stamps) << r.what;
        }
    }
}

TEST(FindEspReply, Lines) {
    struct Row {
        const char* what;
        std::string capture;
        std::string own;
        bool found;
    };
    const std::string longLine(1 << 20, ':');
    const Row rows[] = {
        {"plain", Chat({"ESP from Ann: Configuration Test!"}), "Ann", true},
        {"extra spaces around line, name and text",
         Chat({"   ESP from    Ann    :     Configuration Test!    "}), "Ann", true},
        {"after other chat and junk",
         Chat({"Ann: hi", longLine, Raw("\0ESP"), "ESP from", "ESP from Bob: x",
               "ESP from Ann: Configuration Test!"}),
         "Ann", true},
        {"lone CR line ends", "Bob: hi\rESP from Ann: Configuration Test!\r", "Ann", true},
        {"no space after the prefix still has the prefix", Chat({"ESP fromAnn: Configuration Test!"}), "Ann", true},
        {"from another avatar", Chat({"ESP from Bob: Configuration Test!"}), "Ann", false},
        {"names are case-sensitive", Chat({"ESP from ann: Configuration Test!"}), "Ann", false},
        {"the prefix is case-sensitive", Chat({"Esp from Ann: Configuration Test!"}), "Ann", false},
        {"a different text", Chat({"ESP from Ann: Configuration Test"}), "Ann", false},
        {"a spoken line is no ESP", Chat({"Ann: Configuration Test!"}), "Ann", false},
        {"the prefix not at the start", Chat({"Bob: ESP from Ann: Configuration Test!"}), "Ann", false},
        {"a tab is not trimmed", Chat({"ESP from \tAnn: Configuration Test!"}), "Ann", false},
        {"a line without a colon", Chat({"ESP from Ann Configuration Test!"}), "Ann", false},
        {"no own name: nothing was sent, so nothing came back", Chat({"ESP from : Configuration Test!"}), "", false},
        {"empty capture", "", "Ann", false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(config::FindEspReply(r.capture, r.own), r.found) << r.what;
    }
}

}  // namespace
