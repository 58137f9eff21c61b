// Capped reads and atomic replacement against real files in a scratch folder; the SHA-256 of file bytes.
#include "common/file_io.h"
#include "common/sha256.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

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

// Published vectors (FIPS 180-4's examples, the million a's) and lengths at the padding's edges: 55 bytes leave
// room for the length in the last block, 56 do not; each fed whole and in uneven pieces, as a file is read.
TEST(Sha256, KnownDigests) {
    const struct Case {
        std::string bytes;
        const char* digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopq"
         "rstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
        {std::string(120, 'a'), "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(common::Sha256Hex(c.bytes), c.digest) << c.bytes.size() << " bytes";
        common::Sha256 pieces;
        for (size_t at = 0, piece = 1; at < c.bytes.size(); at += piece, piece = piece * 3 % 101 + 1)
            pieces.Update(std::string_view(c.bytes).substr(at, piece));
        EXPECT_EQ(pieces.HexDigest(), c.digest) << c.bytes.size() << " bytes in pieces";
    }
}

}  // namespace
