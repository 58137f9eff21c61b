// file_io.cpp: capped whole-file reads and atomic replacement, in plain standard C++.
#include "common/file_io.h"

#include <filesystem>
#include <fstream>
#include <new>
#include <system_error>

namespace common {

// The rename replaces an existing file in one step on both platforms (MoveFileEx with replace on Windows).
WriteResult ReplaceFileAtomically(const std::string& path, std::string_view content) {
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

ReadResult ReadFileCapped(const std::string& path, size_t maxBytes) {
    ReadResult result;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return result;  // kMissing
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    if (size > 0 && static_cast<unsigned long long>(size) > maxBytes) {
        result.status = ReadStatus::kTooLarge;
        return result;
    }
    try {
        char chunk[64 * 1024];
        while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
            result.content.append(chunk, static_cast<size_t>(in.gcount()));
            if (result.content.size() > maxBytes) {  // grew while we read it
                result.content.clear();
                result.status = ReadStatus::kTooLarge;
                return result;
            }
        }
    } catch (const std::bad_alloc&) {
        result.status = ReadStatus::kFailed;
        return result;
    }
    result.status = in.bad() ? ReadStatus::kFailed : ReadStatus::kOk;
    return result;
}

}  // namespace common
