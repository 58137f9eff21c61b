// file_store.cpp: reading whole files and replacing them atomically, in plain standard C++.
#include "host/file_store.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace host {

std::optional<std::string> DiskFiles::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return content;
}

WriteResult DiskFiles::Replace(const std::string& path, const std::string& content) {
    return ReplaceFileAtomically(path, content);
}

// Truncating the file in place and writing it again would leave a half-written or empty file behind a crash
// or a full disk. The new content goes to a file beside it instead, and only a complete file is renamed over
// the old one; the rename replaces an existing file in one step on both platforms.
WriteResult ReplaceFileAtomically(const std::string& path, const std::string& content) {
    const std::string tmp = path + ".tmp";
    std::error_code ec;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return {false, "cannot create " + tmp};
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(tmp, ec);
            return {false, "cannot write " + tmp};
        }
    }
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(tmp, ignored);
        return {false, "cannot replace " + path + ": " + ec.message()};
    }
    return {};
}

}  // namespace host
