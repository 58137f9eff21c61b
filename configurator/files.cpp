// files.cpp: the capture and the settings file, in binary mode so that CR LF is kept as written.
#include "configurator/files.h"

#include "common/file_io.h"
#include "common/support_log.h"

namespace config {

// A capture too big to be real is refused whole rather than read in part: the test lines are its last lines,
// so a prefix could only be judged wrongly, and no capture at all makes the test fail plainly.
std::optional<std::string> ReadCapture(const std::string& path, size_t limit) {
    common::ReadResult read = common::ReadFileCapped(path, limit);
    switch (read.status) {
        case common::ReadStatus::kOk:
        case common::ReadStatus::kFailed:
            return std::move(read.content);
        case common::ReadStatus::kMissing:
        case common::ReadStatus::kTooLarge:
            break;
    }
    return std::nullopt;
}

bool WriteWholeFile(const std::string& path, std::string_view content) {
    const common::WriteResult result = common::ReplaceFileAtomically(path, content);
    common::LogFileWrite(path, content.size(), result);
    return result.ok;
}

}  // namespace config
