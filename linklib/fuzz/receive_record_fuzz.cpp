// Fuzz target: splitting a receive record poked by a peer (sender FF length FF data), and the counted-field
// extractor on its own with any field index and count.
// Invariants: the split never reads outside the block, and the data handed on is either empty or exactly the
// counted bytes that follow the second separator; a counted field is copied only when it lies wholly inside
// the block, and then byte for byte, and the output is untouched otherwise.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "linklib/records.h"

namespace {

void CheckSplit(const uint8_t* data, size_t size) {
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
        if (static_cast<size_t>(f.length) > size - start)
            std::abort();
        if (start + f.data.size() > size || std::memcmp(data + start, f.data.data(), f.data.size()) != 0)
            std::abort();
    }
}

// First byte: field index (-1..6); next four: the count (any 32-bit value); the rest is the block.
void CheckCounted(const uint8_t* data, size_t size) {
    if (size < 5)
        return;
    const int k = static_cast<int>(data[0] % 8) - 1;
    int32_t count32;
    std::memcpy(&count32, data + 1, sizeof count32);
    const long count = count32;
    const uint8_t* block = data + 5;
    const long n = static_cast<long>(size - 5);
    std::vector<char> out(static_cast<size_t>(n) + 2, 'X');
    const int result = linklib::ExtractCountedField(block, n, k, count, out.data());
    // Where field k starts, independently of the extractor.
    long start = -1;
    if (k >= 0) {
        long pos = 0;
        int found = 0;
        while (found < k && pos < n) {
            if (block[pos] == linklib::kFieldSeparator)
                ++found;
            ++pos;
        }
        if (found == k)
            start = pos;
    }
    const bool fits = k >= 0 && n > 0 && count > 0 && count <= n && start >= 0 && count <= n - start;
    if ((result == linklib::kExtractDone) != fits)
        std::abort();
    if (result == linklib::kExtractDone) {
        if (std::memcmp(out.data(), block + start, static_cast<size_t>(count)) != 0 || out[count] != '\0')
            std::abort();
    } else {
        for (char c : out)
            if (c != 'X')
                std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckSplit(data, size);
    CheckCounted(data, size);
    return 0;
}
