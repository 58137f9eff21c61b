// Reading GORVATH.TXT, MACTITS.TXT and the macro files, and writing MACTITS.TXT.
#include "host/game_files.h"

#include <gtest/gtest.h>

namespace {

using Strings = std::vector<std::string>;

TEST(GameFiles, Categories) {
    struct Row {
        std::string file;
        Strings categories;
    };
    const Row rows[] = {
        {"Fruits\r\n\r\n  Animals\r\n", {"Fruits", "  Animals"}},
        {"", {}},
        {"A\rB\nC\r\nD", {"A", "B", "C", "D"}},
        {"   \r\n \r\n\tTabbed \r\nFruits\r\nFruits\r\n", {"\tTabbed ", "Fruits", "Fruits"}},
        {std::string("Bin\0\xff\x01" "ary\r\n", 11), {std::string("Bin\0\xff\x01" "ary", 9)}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(host::ParseCategories(r.file).Names(), r.categories);

    std::string many;
    for (int i = 0; i < 40000; ++i)
        many += "C" + std::to_string(i) + "\r\n";
    const auto list = host::ParseCategories(many);
    EXPECT_EQ(list.Count(), host::kMaxListEntries);
    EXPECT_EQ(list.At(host::kMaxListEntries - 1), "C32766");
}

TEST(GameFiles, MacroTitles) {
    const Strings defaults{"Macro1", "Macro2", "Macro3", "Macro4", "Macro5",
                           "Macro6", "Macro7", "Macro8", "Macro9"};
    struct Row {
        std::optional<std::string> file;
        Strings titles;
    };
    Strings twelve = {"a", "b", "c", "d", "e", "f", "g", "h", "i"};
    Strings fromShort = defaults;
    fromShort[0] = "Prizes";
    fromShort[1] = "";
    fromShort[2] = "Rules\tx";
    const Row rows[] = {
        {std::nullopt, defaults},
        {"", defaults},
        {"  Prizes  \r\n\r\nRules\tx ", fromShort},
        {"a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nj\r\nk\r\nl\r\n", twelve},
    };
    for (const auto& r : rows) {
        const auto titles = host::ParseMacroTitles(r.file);
        EXPECT_EQ(Strings(titles.begin(), titles.end()), r.titles);
    }

    host::MacroTitles typed{" Prizes ", "Two\r\nLines", "", "4", "5", "6", "7", "8", "9"};
    const std::string written = host::FormatMacroTitles(typed);
    EXPECT_EQ(written, " Prizes \r\nTwo  Lines\r\n\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n");
    const auto back = host::ParseMacroTitles(written);
    EXPECT_EQ(back[0], "Prizes");
    EXPECT_EQ(back[8], "9");
}

TEST(GameFiles, MacroFilesAndTheirLines) {
    const std::pair<int, const char*> names[] = {{1, "MACRO2.TXT"}, {9, "MACRO10.TXT"}, {5, "MACRO6.TXT"}};
    for (const auto& [k, name] : names)
        EXPECT_EQ(host::MacroFileName(k), name);

    struct Row {
        std::string file;
        Strings said;
    };
    const Row rows[] = {
        {"Welcome!\r\n\r\nHave fun.\r\n", {"Welcome!", "Have fun."}},
        {"", {}},
        {"  spaced  \rlast", {"  spaced  ", "last"}},
        {" \r\n", {" "}},
        {"one\ntwo\r\n", {"one\ntwo"}},
    };
    for (const auto& r : rows) {
        Strings said;
        for (const auto& step : host::MacroScript(r.file)) {
            EXPECT_EQ(step.kind, host::Step::Kind::kSay);
            said.push_back(step.text);
        }
        EXPECT_EQ(said, r.said);
    }
}

}  // namespace
