// The list rules (order, bound, exact matching) and the maintenance window's copies and buttons.
#include "host/maintenance.h"
#include "host/player_lists.h"

#include <gtest/gtest.h>

#include "host/tests/fakes.h"

namespace {

using host::NameList;
using Section = host::PlayerMaintenance::Section;
using hosttest::Names;

TEST(PlayerLists, SortedInsertionIgnoresCaseAndKeepsArrivalAmongEquals) {
    struct Row {
        std::vector<std::string> added;
        std::vector<std::string> held;
    };
    const Row rows[] = {
        {{"Zed", "amy", "Bob"}, {"amy", "Bob", "Zed"}},
        {{"bob", "Bob", "BOB", "al"}, {"al", "bob", "Bob", "BOB"}},
        {{"b", "_x", "A1", "a", "1"}, {"1", "_x", "a", "A1", "b"}},
        {{"Bob", "Bob"}, {"Bob", "Bob"}},
    };
    for (const auto& r : rows) {
        NameList sorted(NameList::Order::kSortedIgnoreCase), arrival;
        for (const auto& n : r.added) {
            sorted.Add(n);
            arrival.Add(n);
        }
        EXPECT_EQ(sorted.Names(), r.held);
        EXPECT_EQ(arrival.Names(), r.added);
    }
}

TEST(PlayerLists, RefusesEntriesPastThe16BitBound) {
    for (auto order : {NameList::Order::kArrival, NameList::Order::kSortedIgnoreCase}) {
        NameList list(order);
        for (int i = 0; i < host::kMaxListEntries; ++i)
            ASSERT_TRUE(list.Add(std::to_string(100000 + i)));
        EXPECT_FALSE(list.Add("one too many"));
        EXPECT_EQ(list.Count(), 32767);
        EXPECT_FALSE(list.Contains("one too many"));
        list.RemoveAt(0);
        EXPECT_TRUE(list.Add("room again"));
    }
}

TEST(PlayerLists, DrawableNamesAreComparedExactly) {
    host::GameLists lists;
    lists.WinnersList = Names({"a", "Cara"}, NameList::Order::kSortedIgnoreCase);
    lists.WaitList = Names({"Bob "});
    const std::pair<const char*, bool> rows[] = {{"A", true}, {"a", false}, {"Cara", false}, {"Bob", true},
                                                 {"Bob ", false}, {"cara", true}};
    for (const auto& [name, drawable] : rows)
        EXPECT_EQ(host::IsDrawable(lists, name), drawable) << name;
}

host::GameLists Sample() {
    host::GameLists lists;
    lists.PlayersList = Names({"Zed", "amy", "Bob"});
    lists.WinnersList = Names({"Bob", "Bob", "amy"}, NameList::Order::kSortedIgnoreCase);
    lists.WaitList = Names({"Zed", "Cy"});
    return lists;
}

TEST(Maintenance, CopiesAreSortedSnapshotsWithNothingSelected) {
    host::GameLists lists = Sample();
    host::PlayerMaintenance window(lists);
    EXPECT_EQ(window.Copy(Section::kPlayers).Names(), (std::vector<std::string>{"amy", "Bob", "Zed"}));
    EXPECT_EQ(window.Copy(Section::kWaitList).Names(), (std::vector<std::string>{"Cy", "Zed"}));
    EXPECT_EQ(window.Copy(Section::kWinners).Names(), (std::vector<std::string>{"amy", "Bob", "Bob"}));
    EXPECT_EQ(lists.PlayersList.Names(), (std::vector<std::string>{"Zed", "amy", "Bob"}));
    lists.PlayersList.Add("Newcomer");
    EXPECT_FALSE(window.Copy(Section::kPlayers).Contains("Newcomer"));
    for (Section s : {Section::kPlayers, Section::kWaitList, Section::kWinners})
        EXPECT_FALSE(window.DeleteShown(s) || window.Selected(s));
}

TEST(Maintenance, AtMostOneDeleteButtonAndOnlyUnderASelection) {
    struct Row {
        std::vector<std::pair<Section, std::optional<int>>> clicks;
        std::optional<Section> shown;
    };
    const Row rows[] = {
        {{{Section::kPlayers, 0}}, Section::kPlayers},
        {{{Section::kPlayers, 1}, {Section::kWinners, 2}}, Section::kWinners},
        {{{Section::kWaitList, 0}, {Section::kPlayers, std::nullopt}}, std::nullopt},
        {{{Section::kWaitList, 5}}, std::nullopt},
    };
    for (const auto& r : rows) {
        host::GameLists lists = Sample();
        host::PlayerMaintenance window(lists);
        for (const auto& [s, i] : r.clicks)
            window.Select(s, i);
        for (Section s : {Section::kPlayers, Section::kWaitList, Section::kWinners}) {
            const bool expected = r.shown == s;
            EXPECT_EQ(window.DeleteShown(s), expected);
            EXPECT_EQ(window.Selected(s).has_value(), expected);
        }
    }
}

TEST(Maintenance, DeleteRemovesTheFirstExactMatchAndTheSelectedCopy) {
    struct Row {
        Section section;
        int selected;
        std::function<void(host::GameLists&)> meanwhile;  // changes made before the click
        std::vector<std::string> hostAfter;
        std::vector<std::string> copyAfter;
    };
    const Row rows[] = {
        {Section::kWinners, 1, nullptr, {"amy", "Bob"}, {"amy", "Bob"}},
        {Section::kPlayers, 1, nullptr, {"Zed", "amy"}, {"amy", "Zed"}},
        {Section::kPlayers, 1, [](host::GameLists& l) { l.PlayersList = Names({"Zed", " Bob", "bob"}); },
         {"Zed", " Bob", "bob"}, {"amy", "Zed"}},
        {Section::kWaitList, 0, [](host::GameLists& l) { l.WaitList = Names({"Zed", "Cy", "Cy"}); },
         {"Zed", "Cy"}, {"Zed"}},
    };
    for (const auto& r : rows) {
        host::GameLists lists = Sample();
        host::PlayerMaintenance window(lists);
        if (r.meanwhile)
            r.meanwhile(lists);
        window.Select(r.section, r.selected);
        window.DeletePlayer(r.section);
        const NameList& mirrored = r.section == Section::kPlayers    ? lists.PlayersList
                                   : r.section == Section::kWinners ? lists.WinnersList
                                                                     : lists.WaitList;
        EXPECT_EQ(mirrored.Names(), r.hostAfter);
        EXPECT_EQ(window.Copy(r.section).Names(), r.copyAfter);
        EXPECT_FALSE(window.DeleteShown(r.section));
    }
}

TEST(Maintenance, ClearListEmptiesOneSectionAndClearsEverySelection) {
    host::GameLists lists = Sample();
    host::PlayerMaintenance window(lists);
    window.Select(Section::kPlayers, 0);
    window.ClearList(Section::kWaitList);
    EXPECT_TRUE(lists.WaitList.Empty());
    EXPECT_TRUE(window.Copy(Section::kWaitList).Empty());
    EXPECT_EQ(lists.PlayersList.Count(), 3);
    EXPECT_FALSE(window.Selected(Section::kPlayers) || window.DeleteShown(Section::kPlayers));
    EXPECT_TRUE(host::IsDrawable(lists, "Zed"));
}

}  // namespace
