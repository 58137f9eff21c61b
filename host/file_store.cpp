// file_store.cpp: the host's files on disk, read with a cap and written through a temporary file and a rename.
#include "host/file_store.h"

#include <filesystem>
#include <system_error>

namespace host {

ReadResult DiskFiles::Read(const std::string& path, size_t maxBytes) {
    return common::ReadFileCapped(path, maxBytes);
}

WriteResult DiskFiles::Replace(const std::string& path, const std::string& content) {
    return common::ReplaceFileAtomically(path, content);
}

std::optional<std::uintmax_t> DiskFiles::Size(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? std::nullopt : std::optional<std::uintmax_t>(size);
}

// The same two steps as ReplaceFileAtomically: a whole copy beside the target first, then one rename over it.
WriteResult DiskFiles::Copy(const std::string& from, const std::string& to) {
    const std::string tmp = to + ".tmp";
    std::error_code ec;
    std::filesystem::copy_file(from, tmp, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(tmp, ignored))  // a partial copy; never a folder in the way
            std::filesystem::remove(tmp, ignored);
        return {false, "cannot copy " + from + " to " + tmp + ": " + ec.message()};
    }
    std::filesystem::rename(tmp, to, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(tmp, ignored);
        return {false, "cannot replace " + to + ": " + ec.message()};
    }
    return {};
}

std::optional<std::string> UsableContent(ReadResult&& result) {
    if (result.status == ReadStatus::kOk || result.status == ReadStatus::kFailed)
        return std::move(result.content);
    return std::nullopt;
}

}  // namespace host
