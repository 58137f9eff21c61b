// Capped reads, atomic replacement and the support log against real files in a scratch folder; the SHA-256 of
// file bytes.
#include "common/file_io.h"
#include "common/sha256.h"
#include "common/support_log.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <vector>

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

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// The support log's lines without their time stamps ("kind   text"); every line must end with CR LF. A line of
// only x, as the rows write before they log, is shown by its length.
std::vector<std::string> LogLines(const std::string& content) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < content.size()) {
        const size_t end = content.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back("unended: " + content.substr(at));
            break;
        }
        const std::string line = content.substr(at, end - at);
        if (line.find_first_not_of('x') == std::string::npos)
            lines.push_back(std::to_string(line.size()) + " x");
        else
            lines.push_back(line.size() > 24 ? line.substr(24) : "short: " + line);
        at = end + 2;
    }
    return lines;
}

TEST(SupportLog, StartRotationAndFolding) {
    const std::string cut(common::kMaxLogTextBytes, 'y');
    // "2026-12-09 14:05:09.042 cmd    Pick a Player, 9 ms\r\n": a time stamp of 23, a kind padded to 6, the text.
    const std::string text = "Pick a Player, 9 ms";
    const size_t line = 23 + 1 + 6 + 1 + text.size() + 2;
    const size_t fits = common::kMaxLogBytes - line - 2;  // x that leave exactly room for the line
    struct Row {
        const char* what;
        size_t before;                     // a line of that many x in the log before the row (0: no log)
        std::optional<std::string> older;  // the older generation before (nullopt: none; "/": a folder in its way)
        std::function<void(const std::string& path)> log;
        std::vector<std::string> lines;  // the log's lines after, time stamps cut off
        std::optional<std::string> olderAfter;
    } rows[] = {
        {"nothing is kept from before the start, nor after a stop",
         0,
         std::nullopt,
         [](const std::string& path) {
             common::StartSupportLog("");
             common::LogEvent("start", "before");
             common::StartSupportLog(path);
             common::LogEvent("start", "after");
             common::StartSupportLog("");
             common::LogEvent("start", "stopped");
         },
         {"start  after"},
         std::nullopt},
        {"control characters folded, one event one line",
         0,
         std::nullopt,
         [](const std::string&) { common::LogEvent("file", "a\r\nb\tc\x7f\xe9"); },
         {"file   a??b?c?\xe9"},
         std::nullopt},
        {"a text past the limit is cut",
         0,
         std::nullopt,
         [&](const std::string&) { common::LogEvent("link", cut + "zzz"); },
         {"link   " + cut + "..."},
         std::nullopt},
        {"below the cap the line is appended, the older generation untouched",
         1,
         "old\r\n",
         [&](const std::string&) { common::LogEvent("cmd", text); },
         {"1 x", "cmd    " + text},
         "old\r\n"},
        {"exactly up to the cap nothing rotates",
         fits,
         std::nullopt,
         [&](const std::string&) { common::LogEvent("cmd", text); },
         {std::to_string(fits) + " x", "cmd    " + text},
         std::nullopt},
        {"one byte more and the log becomes the older generation, replacing it",
         fits + 1,
         "old\r\n",
         [&](const std::string&) { common::LogEvent("cmd", text); },
         {"cmd    " + text},
         std::string(fits + 1, 'x') + "\r\n"},
        {"a log that cannot become the older generation begins afresh",
         fits + 1,
         "/",
         [&](const std::string&) { common::LogEvent("cmd", text); },
         {"cmd    " + text},
         "/"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const fs::path log = Scratch("SUPPORT.LOG");
        const fs::path older = Scratch("SUPPORT.LO1");
        fs::remove_all(log);
        fs::remove_all(older);
        if (r.before > 0)
            std::ofstream(log, std::ios::binary) << std::string(r.before, 'x') << "\r\n";
        if (r.older == "/") {
            fs::create_directories(older / "inside");
        } else if (r.older) {
            std::ofstream(older, std::ios::binary) << *r.older;
        }
        common::StartSupportLog(log.string());
        r.log(log.string());
        common::StartSupportLog("");
        const std::string content = Slurp(log);
        EXPECT_LE(content.size(), common::kMaxLogBytes);
        EXPECT_EQ(LogLines(content), r.lines);
        if (r.olderAfter == "/") {
            EXPECT_TRUE(fs::is_directory(older / "inside"));
        } else if (r.olderAfter) {
            EXPECT_EQ(Slurp(older), *r.olderAfter);
        } else {
            EXPECT_FALSE(fs::exists(older));
        }
    }
    EXPECT_EQ(common::OlderLogPath("C:\\x.y\\GORVATH.LOG"), "C:\\x.y\\GORVATH.LO1");
    EXPECT_EQ(common::OlderLogPath("C:\\x.y\\LOG"), "C:\\x.y\\LOG.LO1");
    fs::remove_all(Scratch("x").parent_path());
}

// The crash notice shows once: a crash line after the last start line, read from the end of the log.
TEST(SupportLog, LastRunEndedInCrash) {
    const auto line = [](const char* kind, const char* text) {
        return common::FormatLogLine("2026-12-09 14:05:09.042", kind, text) + "\r\n";
    };
    const std::string start = line("start", "Gorvath 1.0.0 in C:\\Game");
    const std::string crash = line("crash", "exception 0xc0000005; report C:\\Game\\GORVATH.DMP");
    const std::string command = line("cmd", "Read List: 3 players, 40 ms");
    const std::pair<std::string, bool> rows[] = {
        {"", false},
        {start + command, false},
        {start + command + crash, true},
        {start + crash + line("link", "close"), true},  // a line another thread wrote as the program went down
        {start + crash + start, false},                 // told once: the next run logged its start
        {crash, true},                                  // the run's start went to the older generation
        {start + line("cmd", "crash of a fake kind"), false},
        {start + line("crashx", "not the kind"), false},
    };
    for (const auto& [tail, crashed] : rows)
        EXPECT_EQ(common::LastRunEndedInCrash(tail), crashed) << tail;

    // From a log file: its last 64 KB, whose first line is cut and is not read as a kind, although the cut puts
    // "crash " where a kind stands; the crash line at the end is read.
    const fs::path log = Scratch("TAIL.LOG");
    const size_t tail = 64 * 1024;
    const std::string cutLine = std::string(24, 'x') + "crash " + std::string(tail - 30 - 2 - command.size(), 'y');
    std::ofstream(log, std::ios::binary) << start << std::string(100000, 'c') << cutLine << "\r\n" << command;
    EXPECT_EQ(common::ReadLogTail(log.string()), cutLine.substr(cutLine.size()) + command);
    EXPECT_FALSE(common::LastRunEndedInCrash(common::ReadLogTail(log.string())));
    std::ofstream(log, std::ios::binary | std::ios::app) << crash;
    EXPECT_TRUE(common::LastRunEndedInCrash(common::ReadLogTail(log.string())));
    EXPECT_EQ(common::ReadLogTail(Scratch("NONE.LOG").string()), "");
    fs::remove_all(log.parent_path());
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
