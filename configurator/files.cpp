// files.cpp: whole-file reading and writing in binary mode, so that CR LF is kept as written.
#include "configurator/files.h"

#include <fstream>
#include <new>

namespace config {

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        return std::nullopt;
    }
    std::string content;
    char chunk[64 * 1024];
    try {
        while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
            content.append(chunk, static_cast<size_t>(in.gcount()));
        }
    } catch (const std::bad_alloc&) {
        // A capture too big for memory is read as far as it fits, like any read that ends early.
    }
    return content;
}

bool WriteWholeFile(const std::string& path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.is_open()) {
        return false;
    }
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    return !out.fail();
}

}  // namespace config
