// records.h: the link library's record formats, without any platform code.
//
// Request records are built here and poked whole by the DDE layer; notification records poked back by the
// world client are split here. FF below is the form-feed byte 12, the field separator of every record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace linklib {

constexpr char kFieldSeparator = '\x0c';
// Longest decimal text of a mode or send length that the record blocks have room for.
constexpr int kMaxNumberChars = 6;
// The registered name is kept in a buffer of this size: at most 31 characters and a NUL.
constexpr size_t kRegisteredNameSize = 32;
// DDE string handles are read back into a buffer of this size.
constexpr size_t kQueryBufferSize = 100;

using Block = std::vector<unsigned char>;

// Register and unregister: the name and its NUL.
Block BuildNameRecord(const char* name);

// Communicate. nullopt means "drop the request": a required argument missing, a mode that does not print in
// kMaxNumberChars characters, or FF inside the name or (mode 2) the target, where it would shift the fields.
std::optional<Block> BuildCommunicateRecord(const char* name, int32_t mode, const char* target, const char* text);

// Send. nullopt means "drop the request": an argument missing, a negative length or one that does not print
// in kMaxNumberChars characters, or FF inside the name or the target.
std::optional<Block> BuildSendRecord(const char* name, const char* target, int32_t length, const unsigned char* data);

// The name kept for the connection check: its first 31 characters, NUL-terminated.
void CopyRegisteredName(const char* name, char (&out)[kRegisteredNameSize]);

// A connection is accepted only for the registered name, compared byte for byte and case-sensitively.
bool IsRegisteredService(const char* queried, const char* registered);

// Return codes of the field extractors.
enum ExtractResult : int { kExtractDone = 0, kExtractBadArgument = 1, kExtractTooFewFields = 2, kExtractEmpty = 3 };

// Copies field k (numbered from 0; field k starts after the k-th FF and ends before the next FF or at the last
// byte) into out and NUL-terminates it. out must have room for n+1 bytes. Returns 0, 1 (bad argument), 2 (fewer
// than k FFs) or 3 (empty field; out untouched).
int ExtractField(const unsigned char* block, long n, int k, char* out);

// Copies exactly count bytes starting at field k into out and NUL-terminates them. Returns 0, 1 (bad argument,
// count not positive or above n), 2 (fewer than k FFs) or 3 (the count runs past the end of the block).
int ExtractCountedField(const unsigned char* block, long n, int k, long count, char* out);

// The leading decimal number of a text: blanks, then one optional sign, then digits; no digits gives 0.
// Values beyond the 32-bit range are clamped to it.
int32_t LeadingNumber(const char* text);

// A receive record (sender FF length FF data) split the way the callback hands it on. The strings stop at
// their first NUL, as the OLE strings made from them do.
struct ReceiveFields {
    std::string sender;
    int32_t length = 0;
    std::string data;
};
ReceiveFields SplitReceiveRecord(const unsigned char* block, long n);

// The text of a poked block as the callbacks see it: the bytes up to the first NUL (or all of them).
std::string TextOfBlock(const unsigned char* block, size_t n);

}  // namespace linklib
