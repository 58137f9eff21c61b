// Reading the chat capture back: line ends, trimming, the marker, test lines of any speaker, the ESP.
#include "configurator/capture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Test shorthand: "\n" is CR LF, "@" the marker "Configuration Test: SetFocus - off", "#3.41" test line 3
// spoken at 14:05:41.
std::string Cap(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\n') {
            out += "\r\n";
        } else if (s[i] == '@') {
            out += "Configuration Test: SetFocus - off";
        } else if (s[i] == '#' && i + 4 < s.size()) {
            out += s[i + 1] + std::string(" -- Configuration Test -- 14:05:") + s.substr(i + 3, 2);
            i += 4;
        } else {
            out += s[i];
        }
    }
    return out;
}
const std::string kNine = "Ann: #1.41\nAnn: #2.42\nAnn: #3.43\nAnn: #4.44\nAnn: #5.45\nAnn: #6.46\nAnn: #7.47\n";
const std::string kNineLines = kNine + "Ann: #8.48\nAnn: #9.49\n";
const std::string kOldNine =
    "Ann: #1.11\nAnn: #2.12\nAnn: #3.13\nAnn: #4.14\nAnn: #5.15\nAnn: #6.16\nAnn: #7.17\n"
    "Ann: #8.18\nAnn: #9.19\n";

TEST(Capture, LineEndsAndTrimming) {
    const std::pair<std::string, std::vector<std::string>> rows[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\n\rb", {"a", "", "", "b"}},
        {"a\nb\r\nc", {"a\nb", "c"}},
        {std::string("\0\xff\r", 3), {std::string("\0\xff", 2)}},
        {"", {}},
    };
    for (const auto& [text, want] : rows) {
        config::CaptureLines lines(text);
        std::vector<std::string> got;
        for (std::string_view l; lines.Next(l);) {
            got.emplace_back(l);
        }
        EXPECT_EQ(got, want) << text;
    }
    EXPECT_EQ(config::TrimSpaces("  Ann  "), "Ann");
    EXPECT_EQ(config::TrimSpaces("    "), "");
    EXPECT_EQ(config::TrimSpaces("\tAnn \t"), "\tAnn \t");  // spaces only
}

TEST(Capture, RecordTestLines) {
    struct Row {
        const char* what;
        std::string capture;
        std::string seq;  // slots 1 to 9
        int nextSlot;
        std::string own;    // OwnAvatarName afterwards; it was "Earlier"
        std::string stamp;  // slot 1, checked when given
    };
    const std::string mb(1 << 20, 'x');
    const Row rows[] = {
        {"clean", Cap("Ann: @\n" + kNineLines), "123456789", 10, "Ann", "14:05:41"},
        {"lines before the marker are left out", Cap(kOldNine + "Ann: @\n" + kNineLines), "123456789", 10, "Ann",
         "14:05:41"},
        {"the first marker wins", Cap("Ann: @\n" + kOldNine + "Ann: @\n" + kNineLines), "123456789", 10, "Ann",
         "14:05:11"},
        {"another avatar's line counts and names the speaker", Cap("Ann: @\nAnn: #1.41\nBob: #7.00\nBob: hi\n"),
         "170000000", 3, "Bob", ""},
        {"only seven lines", Cap("Ann: @\n" + kNine), "123456700", 8, "Ann", ""},
        {"recording stops at nine", Cap("Ann: @\nAnn: #2.40\n" + kNineLines), "212345678", 10, "Ann", "14:05:40"},
        {"no marker", Cap(kNineLines), "000000000", 1, "Earlier", ""},
        {"the other focus marker", Cap("Ann: Configuration Test: SetFocus - on\n" + kNineLines), "000000000", 1,
         "Earlier", ""},
        {"the marker is the whole text after the first colon",
         Cap("Ann: say @\n@\nAnn: configuration test: setfocus - off\nAnn: #1.41"), "000000000", 1, "Earlier", ""},
        {"spaces trimmed", Cap("   Ann  :   @   \n  Ann :  #4.44   "), "400000000", 2, "Ann", "14:05:44"},
        {"lone CR", Cap("Ann: @\rAnn: #1.41\rAnn: #2.42"), "120000000", 3, "Ann", ""},
        {"first character not a digit", Cap("Ann: @\nAnn: #x.41\nAnn: #\xb9.42"), "000000000", 3, "Ann", "14:05:41"},
        {"no colon skipped, empty speaker kept", Cap("Ann: @\n#1.41\n: #2.42"), "200000000", 2, "", ""},
        {"a line cut off", Cap("Ann: @\nAnn: #1.41\nAnn: 2 -- Configuration Te"), "100000000", 2, "Ann", ""},
        {"junk, NULs and megabyte lines",
         Cap(std::string("\0\xff\n:\n : \n", 9) + mb + "\nAnn: @\n" + mb + ":" + mb + "\nAnn: #1.41\n:::\nAnn: #2.42"),
         "120000000", 3, "Ann", ""},
        {"empty", "", "000000000", 1, "Earlier", ""},
    };
    for (const auto& r : rows) {
        config::ConfiguratorFields f;
        f.SeqNumbers.fill(5);  // leftovers of an earlier test
        f.TimeStamps.fill("99:99:99");
        f.NextSlot = 7;
        f.OwnAvatarName = "Earlier";
        config::ClearRecord(f);
        config::RecordTestLines(r.capture, "Configuration Test: SetFocus - off", f);
        std::string seq;
        for (int k = 1; k <= 9; ++k) {
            seq += static_cast<char>('0' + f.SeqNumbers[k]);
            EXPECT_EQ(f.TimeStamps[k].empty(), f.NextSlot <= k) << r.what << " slot " << k;
        }
        EXPECT_EQ(seq, r.seq) << r.what;
        EXPECT_EQ(f.NextSlot, r.nextSlot) << r.what;
        EXPECT_EQ(f.OwnAvatarName, r.own) << r.what;
        if (!r.stamp.empty()) {
            EXPECT_EQ(f.TimeStamps[1], r.stamp) << r.what;
        }
    }
}

TEST(Capture, FindEspReply) {
    const std::string mb(1 << 20, ':');
    const struct {
        std::string capture, own;
        bool found;
    } rows[] = {
        {"ESP from Ann: Configuration Test!\r\n", "Ann", true},
        {"   ESP from    Ann    :     Configuration Test!    ", "Ann", true},
        {"Ann: hi\r\n" + mb + "\r\nESP from\rESP from Bob: x\rESP from Ann: Configuration Test!", "Ann", true},
        {"ESP fromAnn: Configuration Test!", "Ann", true},
        {"ESP from Bob: Configuration Test!", "Ann", false},
        {"ESP from ann: Configuration Test!", "Ann", false},
        {"Esp from Ann: Configuration Test!", "Ann", false},
        {"ESP from Ann: Configuration Test", "Ann", false},
        {"Ann: Configuration Test!", "Ann", false},
        {"Bob: ESP from Ann: Configuration Test!", "Ann", false},
        {"ESP from \tAnn: Configuration Test!", "Ann", false},
        {"ESP from Ann Configuration Test!", "Ann", false},
        {"ESP from : Configuration Test!", "", false},  // no name: nothing was sent
        {"", "Ann", false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(config::FindEspReply(r.capture, r.own), r.found) << r.capture.substr(0, 60);
    }
}

}  // namespace
