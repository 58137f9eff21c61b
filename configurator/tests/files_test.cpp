// The settings file is replaced whole or not at all, and the capture is read whole, in part, or refused.
#include "configurator/files.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

fs::path FreshFolder(const char* name) {
    const fs::path dir = fs::path(::testing::TempDir()) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

void Put(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// A file size limit makes every write past it fail, as a full disk does, without filling one.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

  private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

const std::string kOld = "Pelmor 3.0\r\n1\r\n0\r\n0\r\n";
const std::string kNew = "Pelmor 3.0\r\n0\r\n1\r\n3\r\n";

TEST(Files, SettingsFileIsReplacedWholeOrNotAtAll) {
    const fs::path dir = FreshFolder("config_files_write");
    const struct {
        const char* what;
        std::string before;  // "" : no file before
        std::string content;
        rlim_t room;  // bytes a write may reach; 0: no limit
        bool ok;
        std::string after;
    } rows[] = {
        {"new file", "", kNew, 0, true, kNew},
        {"replaces a longer file", kOld + "junk\r\n", kNew, 0, true, kNew},
        {"bytes kept as given", kOld, std::string("a\0\r\n\xff", 5), 0, true, std::string("a\0\r\n\xff", 5)},
        {"large", kOld, std::string(200000, 'z'), 0, true, std::string(200000, 'z')},
        {"disk full after 5 bytes: the old file stays whole", kOld, kNew, 5, false, kOld},
        {"disk full at once: the old file stays whole", kOld, kNew, 1, false, kOld},
        {"disk full, no file before: still none", "", kNew, 5, false, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const fs::path path = dir / "SCONTROL.TXT";
        fs::remove(path);
        if (!r.before.empty())
            Put(path, r.before);
        bool ok;
        if (r.room) {
            const FileSizeLimit full(r.room);
            ok = config::WriteWholeFile(path.string(), r.content);
        } else {
            ok = config::WriteWholeFile(path.string(), r.content);
        }
        EXPECT_EQ(ok, r.ok);
        EXPECT_EQ(config::ReadCapture(path.string()).value_or(""), r.after);
        EXPECT_EQ(fs::exists(path), !r.after.empty());
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), r.after.empty() ? 0 : 1)
            << "nothing left beside it";
    }
    fs::create_directories(dir / "DIR.TXT");
    EXPECT_FALSE(config::WriteWholeFile((dir / "DIR.TXT").string(), "x"));
    EXPECT_FALSE(config::WriteWholeFile((dir / "missing" / "SCONTROL.TXT").string(), "x"));
    fs::remove_all(dir);
}

TEST(Files, CaptureIsReadWholeOrRefusedWhenHuge) {
    const fs::path dir = FreshFolder("config_files_read");
    const struct {
        const char* what;
        std::optional<size_t> size;  // nullopt: no file
        size_t limit;
        bool read;
    } rows[] = {
        {"no file", std::nullopt, 100, false},
        {"empty", 0, 100, true},
        {"below the limit", 99, 100, true},
        {"at the limit", 100, 100, true},
        {"one byte over", 101, 100, false},
        {"far over the usual limit", config::kCaptureByteLimit + 1, config::kCaptureByteLimit, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const fs::path path = dir / "ZOBRA.TXT";
        fs::remove(path);
        std::string content;
        if (r.size) {
            for (size_t i = 0; content.size() < std::min<size_t>(*r.size, 1000); ++i)
                content += "Ann: " + std::to_string(i) + "\r\n";
            content.resize(std::min<size_t>(*r.size, 1000));
            Put(path, content);
            fs::resize_file(path, *r.size);  // sparse past the first bytes
        }
        const auto got = config::ReadCapture(path.string(), r.limit);
        ASSERT_EQ(got.has_value(), r.read);
        if (got && *r.size <= 1000) {
            EXPECT_EQ(*got, content);
        }
    }
    fs::remove_all(dir);
}

}  // namespace
