// Reading SCONTROL.TXT: line ends, the numeric value of a line, rounding of the delay and the stop at the
// first failure.
#include "linkmodule/link_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include <unistd.h>

namespace linkmodule {
namespace {

LinkSettings Settings(std::string title, bool focus, bool library, std::int16_t delay) {
    return {std::move(title), focus, library, delay};
}

TEST(LinkSettings, NumericValueOfALine) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        std::string line;
        double value;
    } rows[] = {
        {"1", 1},
        {"1.0", 1},
        {"1abc", 1},
        {"  1", 1},
        {"\t1", 1},
        {"+1", 1},
        {"-1", -1},
        {"01", 1},
        {"2.5", 2.5},
        {".5", 0.5},
        {"7.", 7},
        {"-.25x", -0.25},
        {"1.5.3", 1.5},
        {"1e3", 1},
        {"1 2", 12},
        {" 1 . 5 ", 1.5},
        {"2\t0", 20},
        {"", 0},
        {"abc", 0},
        {"- 1", -1},
        {"+ \t 7", 7},
        {"+", 0},
        {".", 0},
        {"-.", 0},
        {"x1", 0},
        {"++1", 0},
        {"1,5", 1},
        {"0.99", 0.99},
        {std::string(400, '9'), inf},
        {"-" + std::string(400, '9'), -inf},
        {"0." + std::string(400, '0') + "1", 0},
        {std::string(5000, '0') + "1", 1},
        {"1" + std::string(100000, 'x'), 1},
        {std::string("\0"
                     "1",
                     2),
         0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(LineNumericValue(r.line), r.value) << "line: " << r.line.substr(0, 40);
}

TEST(LinkSettings, DelayRoundsHalvesToEvenWithin16Bits) {
    const struct {
        double value;
        std::optional<std::int16_t> rounded;
    } rows[] = {
        {0, 0},
        {2.5, 2},
        {3.5, 4},
        {2.4999, 2},
        {2.5001, 3},
        {-0.5, 0},
        {-1.5, -2},
        {-2.5, -2},
        {0.5, 0},
        {1.5, 2},
        {32767, 32767},
        {32767.4, 32767},
        {32767.5, std::nullopt},
        {32768, std::nullopt},
        {-32768, -32768},
        {-32768.5, -32768},
        {-32768.6, std::nullopt},
        {40000, std::nullopt},
        {1e300, std::nullopt},
        {std::numeric_limits<double>::infinity(), std::nullopt},
        {std::nan(""), std::nullopt},
    };
    for (const auto& r : rows)
        EXPECT_EQ(RoundToInt16HalfEven(r.value), r.rounded) << r.value;
}

// The four lines, any line ends, junk and very long lines, and the stop at the first line that fails.
TEST(LinkSettings, ParsesTheFourLines) {
    const std::string longTitle(100000, 'W');
    const std::string junkTitle("\x01\xff\0Z\x1a", 5);
    const struct {
        std::string content;
        LinkSettings want;
    } rows[] = {
        {"", Settings("Pelmor 3.0", false, false, 0)},
        {"Pelmor 3.0\r\n1\r\n1\r\n2\r\n", Settings("Pelmor 3.0", true, true, 2)},
        {"  My World \t\r\n1\r\n", Settings("My World", true, false, 0)},  // only two lines
        {"T\r\n1\r\n1\r\n", Settings("T", true, true, 0)},                 // no fourth line
        {"T\r\n0\r\n2\r\n0\r\n", Settings("T", false, false, 0)},          // only 1 means true
        {"T\r\n1.0\r\n1abc\r\n0\r\n", Settings("T", true, true, 0)},
        {"T\r\nyes\r\n 1\r\n0\r\n", Settings("T", false, true, 0)},
        {"T\r\n1\r\n1\r\n2.5\r\n", Settings("T", true, true, 2)},
        {"T\r\n1\r\n1\r\n3.5\r\n", Settings("T", true, true, 4)},
        {"T\r\n1\r\n1\r\n40000\r\n", Settings("T", true, true, 0)},  // out of range: delay keeps 0
        {"T\r\n1\r\n1\r\n-32768\r\n", Settings("T", true, true, -32768)},
        {"T\r\n1\r\n1\r\n4", Settings("T", true, true, 4)},   // last line without its end
        {"\r\n\r\n\r\n\r\n", Settings("", false, false, 0)},  // an empty title stays empty
        {"   \r\n", Settings("", false, false, 0)},
        {"T\r\n1\r\n1\r\n3\r\nextra\r\nlines\r\n", Settings("T", true, true, 3)},
        // Lone CR, lone LF and mixed line ends.
        {"World\r1\r1\r3\r", Settings("World", true, true, 3)},
        {"World\n1\n1\n3\n", Settings("World", true, true, 3)},
        {"World\n1\r\n1\r3", Settings("World", true, true, 3)},
        // CR CR is two line ends: the second line is empty, so focus is off and line 3 holds "1".
        {"World\r\r1\r1\r\n", Settings("World", false, true, 1)},
        // LF CR is two line ends as well.
        {"World\n\r1\r\n1\r\n", Settings("World", false, true, 1)},
        {longTitle + "\r\n1\r\n0\r\n2\r\n", Settings(longTitle, true, false, 2)},
        {"T\r\n" + std::string(20000, '0') + "1\r\n1\r\n" + "2" + std::string(50000, 'z') + "\r\n",
         Settings("T", true, true, 2)},
        {"T\r\n1\r\n1\r\n" + std::string(500, '9') + "\r\n", Settings("T", true, true, 0)},
        // Bytes of any value belong to their line; a NUL or Ctrl-Z does not end the file.
        {" " + junkTitle + " \r\n\x1a" + "1\r\n1\r\n1\r\n", Settings(junkTitle, false, true, 1)},
        {"\xef\xbb\xbfPelmor 3.0\r\n1\r\n1\r\n1\r\n", Settings("\xef\xbb\xbfPelmor 3.0", true, true, 1)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.content.substr(0, 40));
        const LinkSettings got = ParseLinkSettingsText(r.content);
        EXPECT_EQ(got.clientWindowTitle, r.want.clientWindowTitle);
        EXPECT_EQ(got.focusControl, r.want.focusControl);
        EXPECT_EQ(got.useLibraryMethod, r.want.useLibraryMethod);
        EXPECT_EQ(got.sendDelaySeconds, r.want.sendDelaySeconds);
    }
}

TEST(LinkSettings, ReadsTheFileOrKeepsTheDefaults) {
    const auto dir = std::filesystem::temp_directory_path() / ("linkmodule_settings_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "SCONTROL.TXT";
    std::filesystem::remove(path);
    EXPECT_EQ(ReadLinkSettingsFile(path), Settings("Pelmor 3.0", false, false, 0));
    {
        std::ofstream out(path, std::ios::binary);
        out << "Pelmor 3.0\r\n0\r\n1\r\n4\r\n";
    }
    EXPECT_EQ(ReadLinkSettingsFile(path), Settings("Pelmor 3.0", false, true, 4));
    std::filesystem::resize_file(path, kSettingsFileByteLimit);  // NULs after the delay line: still read
    EXPECT_EQ(ReadLinkSettingsFile(path), Settings("Pelmor 3.0", false, true, 4));
    std::filesystem::resize_file(path, kSettingsFileByteLimit + 1);  // too large to be a settings file
    EXPECT_EQ(ReadLinkSettingsFile(path), Settings("Pelmor 3.0", false, false, 0));
    std::filesystem::remove_all(dir);
}

TEST(LinkSettings, ReadTextLineSplitsEveryKindOfLineEnd) {
    std::istringstream in(std::string("a\r\nb\rc\nd\r\r\ne"));
    std::vector<std::string> lines;
    while (auto line = ReadTextLine(in))
        lines.push_back(*line);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
}

}  // namespace
}  // namespace linkmodule
