// GORVATH.SAV both ways, the "List2" guard, and replacing a file in one step on the real disk.
#include "host/saved_game.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "host/tests/fakes.h"

namespace {

using host::NameList;
using hosttest::Names;
using Strings = std::vector<std::string>;

host::GameLists Lists(std::initializer_list<const char*> players, std::initializer_list<const char*> winners) {
    host::GameLists lists;
    lists.PlayersList = Names(players);
    lists.WinnersList = Names(winners, NameList::Order::kSortedIgnoreCase);
    return lists;
}

TEST(SavedGame, Format) {
    struct Row {
        host::GameLists lists;
        std::string file;
    };
    const Row rows[] = {
        {Lists({"Amy", "Bob"}, {}), "Amy\r\nBob\r\n"},
        {Lists({}, {"Cara"}), "List2\r\nCara\r\n"},
        {Lists({}, {}), ""},
        {Lists({"Zed", " Amy "}, {"bob", "Al", "bob"}), "Zed\r\n Amy \r\nList2\r\nAl\r\nbob\r\nbob\r\n"},
        // A player named exactly "List2" would turn every later player into a winner: it is left out.
        {Lists({"Amy", "List2", "Bob"}, {"List2", "Cy"}), "Amy\r\nBob\r\nList2\r\nCy\r\n"},
        {Lists({"list2", " List2"}, {}), "list2\r\n List2\r\n"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(host::FormatSavedGame(r.lists), r.file);
}

TEST(SavedGame, Parse) {
    struct Row {
        std::string file;
        Strings players;
        Strings winners;
    };
    const Row rows[] = {
        {"Amy\r\nBob\r\n", {"Amy", "Bob"}, {}},
        {"List2\r\nCara\r\n", {}, {"Cara"}},
        {"", {}, {}},
        {"Amy\r\n\r\n   \r\nBob\r\nList2\r\n\r\nzed\r\n  \r\nCy", {"Amy", "Bob"}, {"Cy", "zed"}},
        {"list2\r\n List2\r\nList2 \r\nAmy\r\n", {"list2", " List2", "List2 ", "Amy"}, {}},
        {"Al\r\nList2\r\nBo\r\nBo\r\n", {"Al"}, {"Bo", "Bo"}},
        {"Al\rBo\r\n\tTab\r\nLi\nne\r\n", {"Al", "Bo", "\tTab", "Li\nne"}, {}},
        {"A\r\nList2\r\nB\r\nList2\r\nC\r\n", {"A"}, {"B", "C"}},
    };
    for (const auto& r : rows) {
        host::GameLists lists;
        lists.PlayersList = Names({"old"});
        lists.WaitList = Names({"Waiting"});
        host::ParseSavedGame(r.file, lists);
        EXPECT_EQ(lists.PlayersList.Names(), r.players) << r.file;
        EXPECT_EQ(lists.WinnersList.Names(), r.winners) << r.file;
        EXPECT_EQ(lists.WaitList.Names(), Strings{"Waiting"});
    }
}

TEST(SavedGame, RoundTripKeepsOrderAndRepeats) {
    const host::GameLists saved = Lists({"Zed", "amy", " Bob ", "amy", "list2"}, {"Bob", "amy", "Bob"});
    hosttest::Log log;
    hosttest::FakeFiles files(log);
    ASSERT_TRUE(host::SaveGame(files, saved).ok);
    host::GameLists restored = Lists({"x"}, {"y"});
    host::RestoreGame(files, restored);
    EXPECT_EQ(restored.PlayersList.Names(), saved.PlayersList.Names());
    EXPECT_EQ(restored.WinnersList.Names(), (Strings{"amy", "Bob", "Bob"}));
    files.files.clear();
    host::RestoreGame(files, restored);
    EXPECT_TRUE(restored.PlayersList.Empty() && restored.WinnersList.Empty());
}

class DiskReplace : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("host_core_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "GORVATH.SAV").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
    std::string path_;
    host::DiskFiles disk_;
};

TEST_F(DiskReplace, ReplacesTheOldFileAndLeavesNoTemporary) {
    ASSERT_TRUE(disk_.Replace(path_, "old\r\n").ok);
    const std::string binary("A\0\xff\r\nB\r", 7);
    ASSERT_TRUE(disk_.Replace(path_, binary).ok);
    EXPECT_EQ(disk_.Read(path_), binary);
    EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
    EXPECT_EQ(disk_.Read((dir_ / "missing").string()), std::nullopt);
}

TEST_F(DiskReplace, AFailedWriteKeepsThePreviousFileAndSaysWhy) {
    ASSERT_TRUE(disk_.Replace(path_, "Amy\r\n").ok);
    struct Row {
        const char* what;
        std::function<void()> arrange;
        std::string target;
    };
    const Row rows[] = {
        {"temporary cannot be created", [&] { std::filesystem::create_directory(path_ + ".tmp"); }, path_},
        {"target is a directory", [&] { std::filesystem::create_directory(dir_ / "DIR.SAV"); },
         (dir_ / "DIR.SAV").string()},
        {"folder missing", [] {}, (dir_ / "nowhere" / "GORVATH.SAV").string()},
    };
    for (const auto& r : rows) {
        r.arrange();
        const host::WriteResult result = disk_.Replace(r.target, "Bob\r\n");
        EXPECT_FALSE(result.ok) << r.what;
        EXPECT_FALSE(result.error.empty()) << r.what;
        EXPECT_EQ(disk_.Read(path_), "Amy\r\n") << r.what;
        std::filesystem::remove_all(path_ + ".tmp");
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "DIR.SAV.tmp"));
}

}  // namespace
