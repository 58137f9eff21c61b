// file_store.h: the host's access to its files, behind a small interface that tests replace with a fake.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/file_io.h"

namespace host {

using common::ReadResult;
using common::ReadStatus;
using common::WriteResult;

class FileStore {
  public:
    virtual ~FileStore() = default;
    // The whole file as bytes, unless it is larger than maxBytes (kTooLarge, nothing read) or missing.
    virtual ReadResult Read(const std::string& path, size_t maxBytes) = 0;
    // Replaces the file by content in one step: on failure the previous file is left as it was.
    virtual WriteResult Replace(const std::string& path, const std::string& content) = 0;
    // The file's size in bytes; nullopt when there is no such file.
    virtual std::optional<std::uintmax_t> Size(const std::string& path) = 0;
    // Copies the file `from` over `to` in one step, without loading it; on failure `to` is left as it was.
    virtual WriteResult Copy(const std::string& from, const std::string& to) = 0;
};

// The real files, relative to the current directory.
class DiskFiles : public FileStore {
  public:
    ReadResult Read(const std::string& path, size_t maxBytes) override;
    WriteResult Replace(const std::string& path, const std::string& content) override;
    std::optional<std::uintmax_t> Size(const std::string& path) override;
    WriteResult Copy(const std::string& from, const std::string& to) override;
};

// The content a reader may use: the whole file, or what was read before a read error (the readers keep what they
// read and stop there); nothing for a missing or refused file.
std::optional<std::string> UsableContent(ReadResult&& result);

}  // namespace host
