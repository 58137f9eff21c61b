// Capped reads and atomic replacement against real files in a scratch folder.
#include "common/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

fs::path Scratch(const char* name) {
    fs::path dir = fs::temp_directory_path() / ("file_io_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return dir / name;
}

TEST(FileIo, ReadFileCapped) {
    const fs::path small = Scratch("small.txt");
    std::ofstream(small, std::ios::binary) << "a\r\nb\x0c\r\n";
    struct Case {
        fs::path path;
        size_t cap;
        common::ReadStatus status;
        std::string content;
    } cases[] = {
        {small, 100, common::ReadStatus::kOk, "a\r\nb\x0c\r\n"},
        {small, 7, common::ReadStatus::kOk, "a\r\nb\x0c\r\n"},  // exactly the cap
        {small, 6, common::ReadStatus::kTooLarge, ""},
        {Scratch("missing.txt"), 100, common::ReadStatus::kMissing, ""},
    };
    for (const Case& c : cases) {
        const common::ReadResult r = common::ReadFileCapped(c.path.string(), c.cap);
        EXPECT_EQ(r.status, c.status) << c.path << " cap " << c.cap;
        EXPECT_EQ(r.content, c.content) << c.path << " cap " << c.cap;
    }
}

TEST(FileIo, ReplaceKeepsOldContentWhenTheTemporaryCannotBeMade) {
    const fs::path target = Scratch("target.txt");
    ASSERT_TRUE(common::ReplaceFileAtomically(target.string(), "old\r\n").ok);
    ASSERT_TRUE(common::ReplaceFileAtomically(target.string(), "new\r\n").ok);
    EXPECT_EQ(common::ReadFileCapped(target.string(), 100).content, "new\r\n");
    EXPECT_FALSE(fs::exists(target.string() + ".tmp"));
    // A folder where the temporary file should go makes the write fail; the target stays whole.
    fs::create_directories(target.string() + ".tmp");
    const common::WriteResult failed = common::ReplaceFileAtomically(target.string(), "lost\r\n");
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error.find("target.txt.tmp"), std::string::npos) << failed.error;
    EXPECT_EQ(common::ReadFileCapped(target.string(), 100).content, "new\r\n");
    fs::remove_all(target.parent_path());
}

}  // namespace
