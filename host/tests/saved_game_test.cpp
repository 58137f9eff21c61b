// GORVATH.SAV both ways with the "List2" guard, and replacing a file in one step on the real disk.
#include "host/saved_game.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "host/tests/fakes.h"

namespace {

using namespace hosttest;

TEST(SavedGame, Format) {
    const std::pair<host::GameLists, std::string> rows[] = {
        {Lists({"Amy", "Bob"}, {}), "Amy\r\nBob\r\n"},
        {Lists({}, {"Cara"}), "List2\r\nCara\r\n"},
        {Lists({}, {}), ""},
        {Lists({"Zed", " Amy ", "list2", " List2"}, {"bob", "Al", "bob"}),
         "Zed\r\n Amy \r\nlist2\r\n List2\r\nList2\r\nAl\r\nbob\r\nbob\r\n"},
        // Exactly "List2" would turn every later player into a winner: it is left out.
        {Lists({"Amy", "List2", "Bob"}, {"List2", "Cy"}), "Amy\r\nBob\r\nList2\r\nCy\r\n"},
    };
    for (const auto& [lists, file] : rows)
        EXPECT_EQ(host::FormatSavedGame(lists), file);
}

TEST(SavedGame, Parse) {
    struct Row {
        std::string file;
        Strings players, winners;
    };
    const Row rows[] = {
        {"List2\r\nCara\r\n", {}, {"Cara"}},
        {"", {}, {}},
        {"Amy\r\n\r\n   \r\nBob\r\nList2\r\n\r\nzed\r\n  \r\nCy", {"Amy", "Bob"}, {"Cy", "zed"}},
        {"list2\r\n List2\r\nList2 \r\nAmy\r\n", {"list2", " List2", "List2 ", "Amy"}, {}},
        {"Al\r\nList2\r\nBo\r\nBo\r\nList2\r\nAl\r\n", {"Al"}, {"Al", "Bo", "Bo"}},
        {"Al\rBo\r\n\tTab\r\nLi\nne\r\n", {"Al", "Bo", "\tTab", "Li\nne"}, {}},
    };
    for (const auto& r : rows) {
        host::GameLists lists = Lists({"old"}, {"old"}, {"Waiting"});
        host::ParseSavedGame(r.file, lists);
        EXPECT_EQ(lists.PlayersList.Names(), r.players) << r.file;
        EXPECT_EQ(lists.WinnersList.Names(), r.winners) << r.file;
        EXPECT_EQ(lists.WaitList.Names(), Strings{"Waiting"});
    }
}

TEST(SavedGame, ReplacingAndCopyingOnDiskKeepTheOldFileWhenTheyFail) {
    const auto dir = std::filesystem::temp_directory_path() / "host_core_test_disk";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "DIR.SAV");
    const std::string path = (dir / "GORVATH.SAV").string();
    const std::string backup = (dir / "GORVATH.BAK").string();
    host::DiskFiles disk;
    const auto read = [&](const std::string& p) { return host::UsableContent(disk.Read(p, 100)); };
    ASSERT_TRUE(disk.Replace(path, "old\r\n").ok);
    const std::string binary("A\0\xff\r\nB\r", 7);
    ASSERT_TRUE(disk.Replace(path, binary).ok);
    EXPECT_EQ(read(path), binary);
    EXPECT_EQ(disk.Size(path), 7u);
    EXPECT_EQ(disk.Read(path, 6).status, host::ReadStatus::kTooLarge);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    EXPECT_EQ(read((dir / "missing").string()), std::nullopt);
    EXPECT_EQ(disk.Size((dir / "missing").string()), std::nullopt);
    EXPECT_EQ(disk.Size((dir / "DIR.SAV").string()), std::nullopt);

    ASSERT_TRUE(disk.Copy(path, backup).ok);
    EXPECT_EQ(read(backup), binary);
    ASSERT_TRUE(disk.Replace(path, "newer\r\n").ok);
    ASSERT_TRUE(disk.Copy(path, backup).ok);  // one generation: the older copy is replaced
    EXPECT_EQ(read(backup), "newer\r\n");
    EXPECT_FALSE(std::filesystem::exists(backup + ".tmp"));

    std::filesystem::create_directory(path + ".tmp");  // the new file cannot be created
    std::filesystem::create_directory(backup + ".tmp");
    const std::string targets[] = {path, (dir / "DIR.SAV").string(), (dir / "nowhere" / "X.SAV").string()};
    for (const auto& target : targets) {
        const host::WriteResult result = disk.Replace(target, "new\r\n");
        EXPECT_FALSE(result.ok) << target;
        EXPECT_FALSE(result.error.empty()) << target;
    }
    const std::pair<std::string, std::string> copies[] = {
        {path, backup}, {(dir / "missing").string(), (dir / "X.BAK").string()}, {path, (dir / "DIR.SAV").string()}};
    for (const auto& [from, to] : copies) {
        const host::WriteResult result = disk.Copy(from, to);
        EXPECT_FALSE(result.ok) << from << " to " << to;
        EXPECT_FALSE(result.error.empty()) << to;
    }
    EXPECT_EQ(read(path), "newer\r\n");
    EXPECT_EQ(read(backup), "newer\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(backup + ".tmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "DIR.SAV.tmp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "X.BAK"));
    std::filesystem::remove_all(dir);
}

}  // namespace
