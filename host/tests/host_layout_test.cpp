// The HostWindow's and the PlayerMaintenanceWindow's tables against the layouts the game is played with, and the
// binding of every button and menu item to exactly one command.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host/host_window_layout.h"
#include "host/maintenance_layout.h"

namespace {

using common::ControlKind;
using common::ControlSpec;

struct Expected {
    int id;
    ControlKind kind;
    std::string caption;
    int left, top, width, height;
    bool hidden;
    int parent;
};

const ControlSpec* Find(std::span<const ControlSpec> table, int id) {
    const auto it = std::find_if(table.begin(), table.end(), [&](const ControlSpec& c) { return c.id == id; });
    return it == table.end() ? nullptr : &*it;
}

void ExpectTable(std::span<const ControlSpec> table, const std::vector<Expected>& expected) {
    EXPECT_EQ(table.size(), expected.size());
    for (const auto& e : expected) {
        SCOPED_TRACE(e.caption + " (id " + std::to_string(e.id) + ")");
        const ControlSpec* c = Find(table, e.id);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, e.kind);
        EXPECT_EQ(std::string(c->caption), e.caption);
        EXPECT_EQ((std::vector<int>{c->left, c->top, c->width, c->height}),
                  (std::vector<int>{e.left, e.top, e.width, e.height}));
        EXPECT_EQ((c->flags & common::kHidden) != 0, e.hidden);
        EXPECT_EQ(c->parent, e.parent);
    }
}

constexpr int kFrame = IDC_HOST_MACROFRAME;

TEST(HostWindowLayout, ControlsAsTabled) {
    std::vector<Expected> expected = {
        {IDC_HOST_COMMAND1, ControlKind::Button, "Read List", 120, 120, 2055, 375, false, 0},
        {IDC_HOST_COMMAND4, ControlKind::Button, "Reg Countdown", 2280, 120, 2055, 375, false, 0},
        {IDC_HOST_COMMAND12, ControlKind::Button, "Pick a Player", 120, 600, 1575, 375, false, 0},
        {IDC_HOST_PLAYERNAME, ControlKind::CenteredLabel, "", 1800, 600, 2535, 375, false, 0},
        {IDC_HOST_COMMAND5, ControlKind::Button, "Pick Category", 120, 1080, 1575, 375, false, 0},
        {IDC_HOST_SELECTEDCATEGORY, ControlKind::TextBox, "", 1800, 1080, 2535, 375, false, 0},
        {IDC_HOST_COMMAND7, ControlKind::Button, "GIVE CATEGORY", 120, 1560, 4215, 375, true, 0},
        {IDC_HOST_COMMAND6, ControlKind::Button, "Declare WINNER", 120, 1560, 2055, 375, true, 0},
        {IDC_HOST_COMMAND8, ControlKind::Button, "Declare LOSER", 2280, 1560, 2055, 375, true, 0},
        {kFrame, ControlKind::Frame, "", 120, 0, 4215, 2175, true, 0},
        {IDC_HOST_COMMAND14, ControlKind::Button, "Save", 2160, 1680, 855, 375, false, kFrame},
        {IDC_HOST_COMMAND19, ControlKind::Button, "Oops", 3240, 1680, 855, 375, false, kFrame},
        {IDC_HOST_DUMMY, ControlKind::Button, "Dummy", 4800, 360, 1575, 375, false, 0},
    };
    // MacroTitle(i): even i at left 120, odd at 2160; rows from top 240 every 360 twips.
    for (int i = 0; i < 9; ++i) {
        expected.push_back({IDC_HOST_MACROTITLE0 + i, ControlKind::TextBox, "Macro" + std::to_string(i + 1),
                            i % 2 ? 2160 : 120, 240 + (i / 2) * 360, 1935, 285, false, kFrame});
    }
    ExpectTable(host::kHostWindowControls, expected);

    // `Dummy` first in the tab order and outside the client area; the panel above the round controls it covers.
    EXPECT_EQ(host::kHostWindowControls[0].id, IDC_HOST_DUMMY);
    EXPECT_GE(host::kHostWindowControls[0].left, host::kHostClientWidthTwips);
    const auto position = [](int id) {
        return std::find_if(std::begin(host::kHostWindowControls), std::end(host::kHostWindowControls),
                            [&](const ControlSpec& c) { return c.id == id; }) -
               std::begin(host::kHostWindowControls);
    };
    for (int covered :
         {IDC_HOST_COMMAND1, IDC_HOST_COMMAND7, IDC_HOST_COMMAND6, IDC_HOST_COMMAND8, IDC_HOST_SELECTEDCATEGORY})
        EXPECT_LT(position(kFrame), position(covered));
    // Everything in the panel fits inside it.
    for (const auto& c : host::kHostWindowControls) {
        if (c.parent == kFrame) {
            EXPECT_LE(c.left + c.width, 4215) << c.caption;
            EXPECT_LE(c.top + c.height, 2175) << c.caption;
        }
    }
}

TEST(HostWindowLayout, MenuBarAsTabled) {
    const std::vector<std::pair<int, std::string>> expected = {
        {0, "MACROS"},          {1, "How To Play"},     {1, "Macro 1"},  {1, "Macro 2"},
        {1, "Macro 3"},         {1, "Macro 4"},         {1, "Macro 5"},  {1, "Macro 6"},
        {1, "Macro 7"},         {1, "Macro 8"},         {1, "Macro 9"},  {1, "Setup"},
        {0, "Ask_For_$"},       {0, "Get_Players"},     {0, "Recovery"}, {1, "Player Maintenance"},
        {1, "Reconnect to ZM"}, {1, "Restore Players"}, {0, "Season"}};
    std::vector<std::pair<int, std::string>> actual;
    for (const auto& m : host::kHostMenu)
        actual.emplace_back(m.level, m.caption);
    EXPECT_EQ(actual, expected);
}

// Every button (but `Dummy`) and every menu command runs exactly one command; each command has one control,
// except the nine macro items, which play macros 1 to 9 in menu order.
TEST(HostWindowLayout, EveryButtonAndMenuItemHasOneCommand) {
    std::vector<int> ids;
    for (const auto& c : host::kHostWindowControls) {
        if (c.kind == ControlKind::Button && c.id != IDC_HOST_DUMMY)
            ids.push_back(c.id);
        else
            EXPECT_FALSE(host::CommandFor(c.id)) << c.caption;
    }
    for (const auto& m : host::kHostMenu) {
        if (m.id != 0)
            ids.push_back(m.id);
    }
    std::set<int> distinct;
    for (const auto& c : host::kHostWindowControls)
        EXPECT_TRUE(distinct.insert(c.id).second) << "duplicate id " << c.id;
    for (const auto& m : host::kHostMenu) {
        if (m.id != 0) {
            EXPECT_TRUE(distinct.insert(m.id).second) << "duplicate id " << m.id;
        }
    }

    std::map<host::HostCommand, int> uses;
    std::vector<int> macros;
    for (int id : ids) {
        const auto binding = host::CommandFor(id);
        ASSERT_TRUE(binding) << "no command for id " << id;
        EXPECT_EQ(binding->id, id);
        ++uses[binding->command];
        if (binding->command == host::HostCommand::PlayMacro)
            macros.push_back(binding->macro);
    }
    EXPECT_EQ(uses.size(), 18u);
    for (const auto& [command, count] : uses)
        EXPECT_EQ(count, command == host::HostCommand::PlayMacro ? 9 : 1) << static_cast<int>(command);
    EXPECT_EQ(macros, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(HostWindowLayout, BusyStateAroundTheCommandsThatSpeakOrChangeTheGame) {
    using C = host::HostCommand;
    const std::set<C> busy = {C::ReadList,     C::AskForPlayers, C::GetPlayers,     C::PickPlayer,   C::PickCategory,
                              C::GiveCategory, C::DeclareWinner, C::DeclareLoser,   C::RegCountdown, C::PlayMacro,
                              C::HowToPlay,    C::Reconnect,     C::AnnounceTopFive};
    for (int c = 0; c <= static_cast<int>(C::AnnounceTopFive); ++c)
        EXPECT_EQ(host::UsesBusyState(static_cast<C>(c)), busy.count(static_cast<C>(c)) == 1) << c;
}

TEST(HostWindowLayout, MacroTitlesAsMenuCaptions) {
    const struct {
        const char* title;
        const char* caption;
    } rows[] = {
        {"Prizes", "Prizes"}, {"Q&A", "Q&&A"}, {"&&", "&&&&"}, {"", ""}, {"Rules & Prizes &", "Rules && Prizes &&"}};
    for (const auto& r : rows)
        EXPECT_EQ(host::MenuCaptionOfTitle(r.title), r.caption);
}

TEST(MaintenanceLayout, ControlsAsTabledInTabOrder) {
    const std::vector<Expected> controls = {
        {IDC_MAINT_LIST1, ControlKind::ListBox, "", 120, 360, 3375, 1005, false, 0},
        {IDC_MAINT_COMMAND1, ControlKind::Button, "Delete Player", 120, 1440, 1575, 375, true, 0},
        {IDC_MAINT_COMMAND2, ControlKind::Button, "Clear List", 1920, 1440, 1575, 375, false, 0},
        {IDC_MAINT_LIST3, ControlKind::ListBox, "", 120, 2160, 3375, 1005, false, 0},
        {IDC_MAINT_COMMAND6, ControlKind::Button, "Delete Player", 120, 3240, 1575, 375, true, 0},
        {IDC_MAINT_COMMAND5, ControlKind::Button, "Clear List", 1920, 3240, 1575, 375, false, 0},
        {IDC_MAINT_LIST2, ControlKind::ListBox, "", 120, 3960, 3375, 1005, false, 0},
        {IDC_MAINT_COMMAND3, ControlKind::Button, "Delete Player", 120, 5040, 1575, 375, true, 0},
        {IDC_MAINT_COMMAND4, ControlKind::Button, "Clear List", 1920, 5040, 1575, 375, false, 0},
    };
    const std::vector<Expected> labels = {
        {IDC_MAINT_LABEL1, ControlKind::CenteredLabel, "Players List", 120, 0, 3375, 375, false, 0},
        {IDC_MAINT_LABEL2, ControlKind::CenteredLabel, "Winners List", 120, 3600, 3375, 375, false, 0},
        {IDC_MAINT_LABEL3, ControlKind::CenteredLabel, "Players Wait List", 120, 1800, 3375, 375, false, 0},
    };
    ExpectTable(host::kMaintenanceControls, controls);
    ExpectTable(host::kMaintenanceLabels, labels);
    // Tab order 0 to 11 is table order: the controls, then the labels.
    std::vector<int> order;
    for (const auto& c : host::kMaintenanceControls)
        order.push_back(c.id);
    for (const auto& c : host::kMaintenanceLabels)
        order.push_back(c.id);
    std::vector<int> expectedOrder;
    for (const auto* table : {&controls, &labels}) {
        for (const auto& e : *table)
            expectedOrder.push_back(e.id);
    }
    EXPECT_EQ(order, expectedOrder);

    // Each section: its label above its list, its two buttons below it; indexed by the model's section number.
    for (size_t i = 0; i < std::size(host::kMaintenanceSections); ++i) {
        const auto& s = host::kMaintenanceSections[i];
        EXPECT_EQ(static_cast<size_t>(s.section), i);
        const ControlSpec* label = Find(host::kMaintenanceLabels, s.label);
        const ControlSpec* list = Find(host::kMaintenanceControls, s.list);
        const ControlSpec* del = Find(host::kMaintenanceControls, s.deleteButton);
        const ControlSpec* clear = Find(host::kMaintenanceControls, s.clearButton);
        ASSERT_TRUE(label && list && del && clear);
        EXPECT_LE(label->top + label->height, list->top + 15);
        EXPECT_EQ(del->top, clear->top);
        EXPECT_GE(del->top, list->top + list->height);
        EXPECT_STREQ(del->caption, "Delete Player");
        EXPECT_STREQ(clear->caption, "Clear List");
    }
}

}  // namespace
