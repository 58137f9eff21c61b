// ConfiguratorWindow's control table against the window as designed: every control by name with its kind,
// text and place, in tab order; ids unique; every button runs a command of its own and nothing else does.
#include "configurator/configurator_layout.h"
#include "configurator/font_fit.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using common::ControlKind;

struct Designed {
    const char* name;
    int id;
    ControlKind kind;
    std::string text;
    int left, top, width, height;
};

// Label1's instruction and Label2's hint, word for word: two spaces after each full stop, the hint's spelling
// and its closing space included.
const char kInstruction[] =
    "Be sure That you have only one Pelmor Window up and running.  Also be sure that you are as an avatar and that "
    "your ESP is turned on.  This program will test your current setup for what would be the best settings for "
    "Zobek's host program to run with.  Press the Auto configuration to have the program test it all.  Use the "
    "Manual Test buttons if you want to control the configuration.";
const char kHint[] = "When you get a sucess message then just close this program and start your host program. ";

// The design, in tab order 0 to 8.
// clang-format off
const Designed kDesign[] = {
    {"Label1",         IDC_CONFIGURATOR_LABEL1,          ControlKind::Label,   kInstruction,                          120,  120, 3615, 2055},
    {"CurrentSetting", IDC_CONFIGURATOR_CURRENT_SETTING, ControlKind::Label,   "",                                    120, 2160, 3615,  495},
    {"Command1",       IDC_CONFIGURATOR_COMMAND1,        ControlKind::Button,  "Auto Configuration",                  120, 2760, 3615,  375},
    {"LStatus",        IDC_CONFIGURATOR_LSTATUS,         ControlKind::Label,   "",                                    120, 4680, 3615,  255},
    {"Label2",         IDC_CONFIGURATOR_LABEL2,          ControlKind::Label,   kHint,                                 240, 4920, 3495,  615},
    {"Command2",       IDC_CONFIGURATOR_COMMAND2,        ControlKind::Button,  "Manual Test - DDE/No Focus",          120, 3240, 3615,  375},
    {"Command3",       IDC_CONFIGURATOR_COMMAND3,        ControlKind::Button,  "Manual Test - DDE/Use Focus Control", 120, 3720, 3615,  375},
    {"Command4",       IDC_CONFIGURATOR_COMMAND4,        ControlKind::Button,  "Manual Test - DLL with delay -->",    120, 4200, 3135,  375},
    {"ManualSeconds",  IDC_CONFIGURATOR_MANUAL_SECONDS,  ControlKind::TextBox, "0",                                  3360, 4200,  375,  375},
};
// clang-format on

TEST(ConfiguratorLayout, TableIsTheDesignInTabOrder) {
    ASSERT_EQ(std::size(config::kConfiguratorControls), std::size(kDesign));
    for (size_t i = 0; i < std::size(kDesign); ++i) {
        const common::ControlSpec& c = config::kConfiguratorControls[i];
        const Designed& d = kDesign[i];
        SCOPED_TRACE(d.name);
        EXPECT_EQ(c.id, d.id);
        EXPECT_EQ(c.kind, d.kind);
        EXPECT_EQ(std::string(c.caption), d.text);
        EXPECT_EQ((std::array{c.left, c.top, c.width, c.height}), (std::array{d.left, d.top, d.width, d.height}));
        EXPECT_EQ(c.flags, 0u) << "every control is shown and takes the tab";
        EXPECT_EQ(c.parent, 0);
        EXPECT_LE(c.left + c.width, config::kClientWidthTwips);
        EXPECT_LE(c.top + c.height, config::kClientHeightTwips);
    }
}

TEST(ConfiguratorLayout, IdsAreUniqueAndEachButtonRunsItsOwnCommand) {
    std::set<int> ids;
    std::set<config::ConfiguratorCommand> commands;
    for (const common::ControlSpec& c : config::kConfiguratorControls) {
        EXPECT_TRUE(ids.insert(c.id).second) << "id " << c.id << " twice";
        const auto command = config::CommandOfControl(c.id);
        if (c.kind == ControlKind::Button) {
            ASSERT_TRUE(command.has_value()) << c.caption << " has no handler";
            EXPECT_TRUE(commands.insert(*command).second) << c.caption << " shares a handler";
        } else {
            EXPECT_FALSE(command.has_value()) << c.caption;
        }
    }
    EXPECT_EQ(commands.size(), std::size(config::kButtonCommands));
    for (int panel : config::kPanelLabels)
        EXPECT_TRUE(ids.count(panel)) << panel;
}

// Label1's font: the designed size where the text fits, else the largest size in quarter points that does, never
// below 7 pt; the sizes tried, in order, end at the first that fits.
TEST(ConfiguratorLayout, InstructionFontStepsDownOnlyAsFarAsNeeded) {
    const struct {
        const char* what;
        int designed;
        int largestThatFits;  // 0: no size fits
        int chosen;
        std::vector<int> tried;
    } rows[] = {
        {"fits as designed", 825, 825, 825, {825}},
        {"fits from 8 pt", 825, 800, 800, {825, 800}},
        {"fits from 7.75 pt", 825, 790, 775, {825, 800, 775}},
        {"fits only at 7 pt", 825, 700, 700, {825, 800, 775, 750, 725}},
        {"fits nowhere: 7 pt all the same", 825, 0, 700, {825, 800, 775, 750, 725}},
        {"fits only below 7 pt", 825, 650, 700, {825, 800, 775, 750, 725}},
        {"designed at 7 pt", 700, 0, 700, {}},
        {"designed below 7 pt: left alone", 600, 0, 600, {}},
    };
    for (const auto& r : rows) {
        std::vector<int> tried;
        const int chosen =
            config::FittingFontSize(r.designed, config::kSmallestLabelFont, config::kLabelFontStep, [&](int size) {
                tried.push_back(size);
                return size <= r.largestThatFits;
            });
        EXPECT_EQ(chosen, r.chosen) << r.what;
        EXPECT_EQ(tried, r.tried) << r.what;
    }
}

}  // namespace
