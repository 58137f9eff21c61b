// Reading GORVATH.TXT, MACTITS.TXT and the macro files, and writing MACTITS.TXT.
#include "host/game_files.h"

#include <gtest/gtest.h>

#include "host/tests/fakes.h"

namespace {

using namespace hosttest;

TEST(GameFiles, Categories) {
    const std::pair<std::string, Strings> rows[] = {
        {"Fruits\r\n\r\n  Animals\r\n", {"Fruits", "  Animals"}},
        {"A\rB\nC\r\nD", {"A", "B", "C", "D"}},
        {"   \r\n \r\n\tTabbed \r\nFruits\r\nFruits\r\n", {"\tTabbed ", "Fruits", "Fruits"}},
        {std::string("Bin\0\xff\x01"
                     "ary\r\n",
                     11),
         {std::string("Bin\0\xff\x01"
                      "ary",
                      9)}},
    };
    for (const auto& [file, categories] : rows)
        EXPECT_EQ(host::ParseCategories(file).Names(), categories);
    std::string many;
    for (int i = 0; i < 40000; ++i)
        many += "C" + std::to_string(i) + "\r\n";
    const auto list = host::ParseCategories(many);
    ASSERT_EQ(list.Count(), host::kMaxListEntries);
    EXPECT_EQ(list.At(host::kMaxListEntries - 1), "C32766");
}

TEST(GameFiles, MacroTitles) {
    const Strings defaults{"Macro1", "Macro2", "Macro3", "Macro4", "Macro5", "Macro6", "Macro7", "Macro8", "Macro9"};
    Strings fromShort = defaults;
    fromShort[0] = "Prizes";
    fromShort[1] = "";
    fromShort[2] = "Rules\tx";
    const std::pair<std::optional<std::string>, Strings> rows[] = {
        {std::nullopt, defaults},
        {"", defaults},
        {"  Prizes  \r\n\r\nRules\tx ", fromShort},
        {"a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj\r\nk\r\nl\r\n", {"a", "b", "c", "d", "e", "f", "g", "h", "i"}},
        // Lone LF line ends, as a file edited elsewhere has them.
        {"Prizes \nRules\n\r\nc\rd\ne\nf\ng\nh\ni\nj\n", {"Prizes", "Rules", "", "c", "d", "e", "f", "g", "h"}},
    };
    for (const auto& [file, titles] : rows) {
        const auto got = host::ParseMacroTitles(file);
        EXPECT_EQ(Strings(got.begin(), got.end()), titles);
    }
    const host::MacroTitles typed{" Prizes ", "Two\r\nLines", "", "4", "5", "6", "7", "8", "9"};
    EXPECT_EQ(host::FormatMacroTitles(typed), " Prizes \r\nTwo  Lines\r\n\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n");
}

TEST(GameFiles, MacroFilesAndTheirLines) {
    EXPECT_EQ(host::MacroFileName(1), "MACRO2.TXT");
    EXPECT_EQ(host::MacroFileName(9), "MACRO10.TXT");
    const std::pair<std::string, Strings> rows[] = {
        {"Welcome!\r\n\r\nHave fun.\r\n", {"Welcome!", "Have fun."}},
        {"", {}},
        {"  spaced  \rlast", {"  spaced  ", "last"}},
        {" \r\none\ntwo\r\n", {" ", "one\ntwo"}},
    };
    for (const auto& [file, said] : rows) {
        Strings got;
        for (const auto& step : host::MacroScript(file))
            got.push_back(step.text);
        EXPECT_EQ(got, said);
    }
}

}  // namespace
