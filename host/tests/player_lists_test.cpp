// The list rules (order, bound) and the maintenance window's copies and buttons.
#include "host/announcements.h"
#include "host/maintenance.h"

#include <gtest/gtest.h>

#include "host/tests/fakes.h"

namespace {

using host::NameList;
using Section = host::PlayerMaintenance::Section;
using namespace hosttest;

TEST(PlayerLists, SortedInsertionIgnoresCaseAndKeepsArrivalAmongEquals) {
    const std::pair<Strings, Strings> rows[] = {
        {{"Zed", "amy", "Bob"}, {"amy", "Bob", "Zed"}},
        {{"bob", "Bob", "BOB", "al"}, {"al", "bob", "Bob", "BOB"}},
        {{"b", "_x", "A1", "a", "1"}, {"1", "_x", "a", "A1", "b"}},
        // Without the program's collation, 8-bit letters sort by their byte (code page 1252 here).
        {{"Zo\xEB", "adam", "\xC5nn", "bob", "Jos\xE9", "\xC9mile", "Ann"},
         {"adam", "Ann", "bob", "Jos\xE9", "Zo\xEB", "\xC5nn", "\xC9mile"}},
    };
    for (const auto& [added, held] : rows) {
        EXPECT_EQ(Names(added, NameList::Order::kSortedIgnoreCase).Names(), held);
        EXPECT_EQ(Names(added).Names(), added);
    }
}

// The program's collation (the platform's, in the user's language) reaches every sorted list: WinnersList, the
// copies of the maintenance window and Read List's scratch list, also when a list is cleared and refilled. A
// reversed order stands in for it here; equal names keep their arrival order in either.
TEST(PlayerLists, SortedListsAndCopiesTakeTheProgramsCollation) {
    const host::NameCollation reversed = [](std::string_view a, std::string_view b) {
        return host::LessIgnoringCase(b, a);
    };
    host::GameLists lists(reversed);
    for (const char* name : {"amy", "Zed", "bob", "Bob"}) {
        lists.PlayersList.Add(name);
        lists.WinnersList.Add(name);
        lists.WaitList.Add(name);
    }
    const Strings sorted = {"Zed", "bob", "Bob", "amy"};
    EXPECT_EQ(lists.WinnersList.Names(), sorted);
    EXPECT_EQ(lists.PlayersList.Names(), (Strings{"amy", "Zed", "bob", "Bob"}));
    host::PlayerMaintenance window(lists);
    for (Section s : {Section::kPlayers, Section::kWaitList, Section::kWinners})
        EXPECT_EQ(window.Copy(s).Names(), sorted) << static_cast<int>(s);
    EXPECT_EQ(host::ReadListChunks(host::SortedCopy(lists.PlayersList)), Strings{"Zed, bob, Bob, amy"});
    lists.WinnersList.Clear();
    lists.WinnersList.Add("amy");
    lists.WinnersList.Add("Zed");
    EXPECT_EQ(lists.WinnersList.Names(), (Strings{"Zed", "amy"}));
}

TEST(PlayerLists, RefusesEntriesPastThe16BitBound) {
    for (auto order : {NameList::Order::kArrival, NameList::Order::kSortedIgnoreCase}) {
        NameList list(order);
        for (int i = 0; i < host::kMaxListEntries; ++i)
            ASSERT_TRUE(list.Add(std::to_string(100000 + i)));
        EXPECT_FALSE(list.Add("one too many"));
        EXPECT_EQ(list.Count(), 32767);
        list.RemoveAt(0);
        EXPECT_TRUE(list.Add("room again"));
    }
}

NameList& Mirrored(host::GameLists& l, Section s) {
    return s == Section::kPlayers ? l.PlayersList : s == Section::kWinners ? l.WinnersList : l.WaitList;
}

TEST(Maintenance, CopiesAreSortedSnapshots) {
    host::GameLists lists = Lists({"Zed", "amy", "Bob"}, {"Bob", "Bob", "amy"}, {"Zed", "Cy"});
    host::PlayerMaintenance window(lists);
    lists.PlayersList.Add("Newcomer");
    EXPECT_EQ(window.Copy(Section::kPlayers).Names(), (Strings{"amy", "Bob", "Zed"}));
    EXPECT_EQ(window.Copy(Section::kWaitList).Names(), (Strings{"Cy", "Zed"}));
    EXPECT_EQ(window.Copy(Section::kWinners).Names(), (Strings{"amy", "Bob", "Bob"}));
    EXPECT_EQ(lists.PlayersList.Names(), (Strings{"Zed", "amy", "Bob", "Newcomer"}));
}

TEST(Maintenance, SelectDeleteAndClear) {
    using Click = std::pair<Section, std::optional<int>>;
    struct Row {
        const char* what;
        std::vector<Click> selections;
        std::function<void(host::PlayerMaintenance&, host::GameLists&)> then;
        std::optional<Section> deleteShown;
        Section checked;
        Strings hostAfter, copyAfter;
    };
    auto del = [](Section s) { return [s](host::PlayerMaintenance& w, host::GameLists&) { w.DeletePlayer(s); }; };
    const Row rows[] = {
        {"select",
         {{Section::kPlayers, 1}},
         nullptr,
         Section::kPlayers,
         Section::kPlayers,
         {"Zed", "amy", "Bob"},
         {"amy", "Bob", "Zed"}},
        {"a later selection elsewhere wins",
         {{Section::kPlayers, 1}, {Section::kWinners, 2}},
         nullptr,
         Section::kWinners,
         Section::kWinners,
         {"amy", "Bob", "Bob"},
         {"amy", "Bob", "Bob"}},
        {"no selection, no button",
         {{Section::kWaitList, 0}, {Section::kPlayers, std::nullopt}},
         nullptr,
         std::nullopt,
         Section::kPlayers,
         {"Zed", "amy", "Bob"},
         {"amy", "Bob", "Zed"}},
        {"first of two equal winners",
         {{Section::kWinners, 2}},
         del(Section::kWinners),
         std::nullopt,
         Section::kWinners,
         {"amy", "Bob"},
         {"amy", "Bob"}},
        {"stale copy: only the copy entry goes",
         {{Section::kPlayers, 1}},
         [](host::PlayerMaintenance& w, host::GameLists& l) {
             l.PlayersList = Names({"Zed", " Bob", "bob"});
             w.DeletePlayer(Section::kPlayers);
         },
         std::nullopt,
         Section::kPlayers,
         {"Zed", " Bob", "bob"},
         {"amy", "Zed"}},
        {"clear",
         {{Section::kPlayers, 0}},
         [](host::PlayerMaintenance& w, host::GameLists&) { w.ClearList(Section::kWaitList); },
         std::nullopt,
         Section::kWaitList,
         {},
         {}},
    };
    for (const auto& r : rows) {
        host::GameLists lists = Lists({"Zed", "amy", "Bob"}, {"Bob", "Bob", "amy"}, {"Zed", "Cy"});
        host::PlayerMaintenance window(lists);
        for (const auto& [s, i] : r.selections)
            window.Select(s, i);
        if (r.then)
            r.then(window, lists);
        for (Section s : {Section::kPlayers, Section::kWaitList, Section::kWinners}) {
            EXPECT_EQ(window.DeleteShown(s), r.deleteShown == s) << r.what;
            EXPECT_EQ(window.Selected(s).has_value(), r.deleteShown == s) << r.what;
        }
        EXPECT_EQ(Mirrored(lists, r.checked).Names(), r.hostAfter) << r.what;
        EXPECT_EQ(window.Copy(r.checked).Names(), r.copyAfter) << r.what;
    }
}

}  // namespace
