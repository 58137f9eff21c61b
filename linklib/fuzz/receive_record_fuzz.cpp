// Fuzz target: splitting a receive record poked by a peer (sender FF length FF data).
// Invariants: the split never reads outside the block, and the data handed on is either empty or exactly
// the counted bytes that follow the second separator.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "linklib/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const linklib::ReceiveFields f = linklib::SplitReceiveRecord(data, static_cast<long>(size));
    if (f.sender.size() > size || f.data.size() > size)
        std::abort();
    if (!f.data.empty() && f.length > 0) {
        // The data is a prefix (up to its first NUL) of the bytes after the second separator.
        const void* first = std::memchr(data, linklib::kFieldSeparator, size);
        if (!first)
            std::abort();
        const size_t at = static_cast<const uint8_t*>(first) - data + 1;
        const void* second = std::memchr(data + at, linklib::kFieldSeparator, size - at);
        if (!second)
            std::abort();
        const size_t start = static_cast<const uint8_t*>(second) - data + 1;
        if (start + f.data.size() > size || std::memcmp(data + start, f.data.data(), f.data.size()) != 0)
            std::abort();
    }
    return 0;
}
