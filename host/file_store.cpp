// file_store.cpp: reading whole files and replacing them atomically, in plain standard C++.
#include "host/file_store.h"

#include <fstream>
#include <iterator>

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
    return common::ReplaceFileAtomically(path, content);
}

}  // namespace host
