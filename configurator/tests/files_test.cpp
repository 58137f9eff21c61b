// Whole-file reading and writing: bytes kept exactly, and failures reported rather than taken for success.
#include "configurator/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(::testing::TempDir()) /
               ("config_files_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(FilesTest, RoundTripKeepsEveryByte) {
    const std::string contents[] = {
        "Pelmor 3.0\r\n0\r\n1\r\n3\r\n",
        std::string("a\0b\r\rc\n\xff", 9),
        "",
        std::string(200000, 'z') + "\r\n",
    };
    for (const auto& content : contents) {
        ASSERT_TRUE(config::WriteWholeFile(Path("SCONTROL.TXT"), content));
        EXPECT_EQ(config::ReadWholeFile(Path("SCONTROL.TXT")), content) << content.size() << " bytes";
    }
}

TEST_F(FilesTest, WriteReplacesLongerFile) {
    ASSERT_TRUE(config::WriteWholeFile(Path("SCONTROL.TXT"), "Pelmor 3.0\r\n0\r\n1\r\n32767\r\n"));
    ASSERT_TRUE(config::WriteWholeFile(Path("SCONTROL.TXT"), "x\r\n"));
    EXPECT_EQ(config::ReadWholeFile(Path("SCONTROL.TXT")), "x\r\n");
}

TEST_F(FilesTest, Failures) {
    EXPECT_EQ(config::ReadWholeFile(Path("ZOBRA.TXT")), std::nullopt);
    EXPECT_FALSE(config::WriteWholeFile(Path("missing/SCONTROL.TXT"), "x"));
    fs::create_directories(dir_ / "SCONTROL.TXT");
    EXPECT_FALSE(config::WriteWholeFile(Path("SCONTROL.TXT"), "x"));
    // A device that is always full: the open succeeds, the bytes never land.
    if (fs::exists("/dev/full")) {
        EXPECT_FALSE(config::WriteWholeFile("/dev/full", "Pelmor 3.0\r\n0\r\n0\r\n0\r\n"));
    }
}

}  // namespace
