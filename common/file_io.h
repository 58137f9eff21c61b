// file_io.h: whole-file reading with a size cap, and replacing a file in one step.
//
// Every file the programs write goes through ReplaceFileAtomically: the new bytes go to "path.tmp" beside the
// file and only a complete file is renamed over the old one, so a crash, a kill or a full disk leaves either
// the old content or the new, whole. Readers of outside files pass a cap far above any real file, so that a
// huge file gives a clear refusal instead of being loaded whole.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace common {

struct WriteResult {
    bool ok = true;
    std::string error;  // what went wrong, for the operator's message; empty when ok
};

WriteResult ReplaceFileAtomically(const std::string& path, std::string_view content);

enum class ReadStatus { kOk, kMissing, kTooLarge, kFailed };

struct ReadResult {
    ReadStatus status = ReadStatus::kMissing;
    std::string content;  // the whole file when kOk; what was read before the failure when kFailed
};

// Reads the file in binary mode. A file larger than maxBytes is not read at all (kTooLarge).
ReadResult ReadFileCapped(const std::string& path, size_t maxBytes);

}  // namespace common
