// file_store.h: the host's access to its files, behind a small interface that tests replace with a fake.
#pragma once

#include <optional>
#include <string>

#include "common/file_io.h"

namespace host {

using common::WriteResult;

class FileStore {
  public:
    virtual ~FileStore() = default;
    // The whole file as bytes; nullopt when it is missing or cannot be read.
    virtual std::optional<std::string> Read(const std::string& path) = 0;
    // Replaces the file by content in one step: on failure the previous file is left as it was.
    virtual WriteResult Replace(const std::string& path, const std::string& content) = 0;
};

// The real files, relative to the current directory.
class DiskFiles : public FileStore {
  public:
    std::optional<std::string> Read(const std::string& path) override;
    WriteResult Replace(const std::string& path, const std::string& content) override;
};

}  // namespace host
