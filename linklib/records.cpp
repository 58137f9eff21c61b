// records.cpp: building request records and splitting notification records (formats in records.h).
#include "linklib/records.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace linklib {
namespace {

// Signed decimal form of a number, as printf's %d writes it.
std::string Decimal(int32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", static_cast<int>(value));
    return buf;
}

void Append(Block& block, const char* text) {
    block.insert(block.end(), text, text + std::strlen(text));
}

// Position just after the k-th form feed (0 for k = 0), or -1 when the block has fewer than k of them.
long FieldStart(const unsigned char* block, long n, int k) {
    long pos = 0;
    for (int found = 0; found < k; ++found) {
        while (pos < n && block[pos] != kFieldSeparator)
            ++pos;
        if (pos >= n)
            return -1;
        ++pos;  // past the form feed
    }
    return pos;
}

// A name or target holding a separator would make the record read as different fields.
bool HoldsSeparator(const char* text) {
    return std::strchr(text, kFieldSeparator) != nullptr;
}

}  // namespace

Block BuildNameRecord(const char* name) {
    Block block;
    Append(block, name);
    block.push_back(0);
    return block;
}

// Mode 2 (ESP):   name FF "2" FF target FF text NUL padding
// Other modes:    name FF mode FF FF text NUL padding        (the target is not read)
// The text is the last field and goes verbatim; a name or an ESP target holding FF drops the request.
// The block is strlen(name) + strlen(target, mode 2 only) + strlen(text) + 10 bytes; the spare bytes behind
// the NUL are zero. Example: "Tumbleroo", mode 0, "hello" gives 19 bytes of record and 5 of padding.
std::optional<Block> BuildCommunicateRecord(const char* name, int32_t mode, const char* target, const char* text) {
    if (!name || !text || (mode == 2 && !target))
        return std::nullopt;
    if (HoldsSeparator(name) || (mode == 2 && HoldsSeparator(target)))
        return std::nullopt;
    const std::string modeText = Decimal(mode);
    if (modeText.size() > kMaxNumberChars)
        return std::nullopt;
    const size_t size = std::strlen(name) + (mode == 2 ? std::strlen(target) : 0) + std::strlen(text) + 10;
    Block block;
    block.reserve(size);
    Append(block, name);
    block.push_back(kFieldSeparator);
    Append(block, modeText.c_str());
    block.push_back(kFieldSeparator);
    if (mode == 2)
        Append(block, target);
    block.push_back(kFieldSeparator);
    Append(block, text);
    block.push_back(0);
    block.resize(size, 0);
    return block;
}

// name FF target FF length FF <length raw bytes> NUL padding; strlen(name) + strlen(target) + length + 10 bytes.
// The data is counted and goes verbatim; a name or target holding FF drops the request.
std::optional<Block> BuildSendRecord(const char* name, const char* target, int32_t length, const unsigned char* data) {
    if (!name || !target || !data || length < 0)
        return std::nullopt;
    if (HoldsSeparator(name) || HoldsSeparator(target))
        return std::nullopt;
    const std::string lengthText = Decimal(length);
    if (lengthText.size() > kMaxNumberChars)
        return std::nullopt;
    const size_t size = std::strlen(name) + std::strlen(target) + static_cast<size_t>(length) + 10;
    Block block;
    block.reserve(size);
    Append(block, name);
    block.push_back(kFieldSeparator);
    Append(block, target);
    block.push_back(kFieldSeparator);
    Append(block, lengthText.c_str());
    block.push_back(kFieldSeparator);
    block.insert(block.end(), data, data + length);
    block.push_back(0);
    block.resize(size, 0);
    return block;
}

void CopyRegisteredName(const char* name, char (&out)[kRegisteredNameSize]) {
    std::memset(out, 0, sizeof out);
    if (name)
        std::strncpy(out, name, kRegisteredNameSize - 1);
}

bool IsRegisteredService(const char* queried, const char* registered) {
    return std::strcmp(queried, registered) == 0;
}

int ExtractField(const unsigned char* block, long n, int k, char* out) {
    if (k < 0 || !block || !out || n <= 0)
        return kExtractBadArgument;
    const long start = FieldStart(block, n, k);
    if (start < 0)
        return kExtractTooFewFields;
    long end = start;
    while (end < n && block[end] != kFieldSeparator)
        ++end;
    --end;  // last byte of the field: before the next form feed, or n-1
    if (start > end)
        return kExtractEmpty;
    const long count = end - start + 1;
    std::memcpy(out, block + start, static_cast<size_t>(count));
    out[count] = '\0';
    return kExtractDone;
}

int ExtractCountedField(const unsigned char* block, long n, int k, long count, char* out) {
    if (k < 0 || !block || !out || n <= 0 || count <= 0 || count > n)
        return kExtractBadArgument;
    const long start = FieldStart(block, n, k);
    if (start < 0)
        return kExtractTooFewFields;
    if (count > n - start)  // start <= n here, so neither side can overflow
        return kExtractEmpty;
    std::memcpy(out, block + start, static_cast<size_t>(count));
    out[count] = '\0';
    return kExtractDone;
}

int32_t LeadingNumber(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = (*p++ == '-');
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > static_cast<long long>(INT32_MAX) + 1)
            value = static_cast<long long>(INT32_MAX) + 1;  // saturate; clamped below
    }
    if (negative)
        value = -value;
    if (value > INT32_MAX)
        value = INT32_MAX;
    return static_cast<int32_t>(value);
}

// sender FF length FF data. Both scratch buffers are n+1 bytes, zero-filled, so a field that cannot be taken
// simply stays empty; a length that does not fit the block leaves the data empty.
ReceiveFields SplitReceiveRecord(const unsigned char* block, long n) {
    const size_t bufSize = static_cast<size_t>(n > 0 ? n : 0) + 1;
    std::vector<char> sender(bufSize, 0), number(bufSize, 0);
    ExtractField(block, n, 0, sender.data());
    ExtractField(block, n, 1, number.data());
    ReceiveFields fields;
    fields.length = LeadingNumber(number.data());
    if (ExtractCountedField(block, n, 2, fields.length, number.data()) != kExtractDone)
        number[0] = '\0';
    fields.sender = sender.data();
    fields.data = number.data();
    return fields;
}

std::string TextOfBlock(const unsigned char* block, size_t n) {
    const void* nul = std::memchr(block, 0, n);
    const size_t len = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - block) : n;
    return std::string(reinterpret_cast<const char*>(block), len);
}

}  // namespace linklib
