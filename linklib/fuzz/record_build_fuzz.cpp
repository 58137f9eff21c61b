// Fuzz target: request records built from any caller strings, by the library (communicate and send) and by the
// console method (its communicate text).
// Input: a flags byte (which arguments are null), four bytes of mode or length, then name, target and text (or
// send data) separated by NUL bytes.
// Invariants: a request is dropped exactly when an argument is missing, the name or the target read by the
// record holds FF, or the mode or length does not fit; a record that leaves reads back, field by field, as
// exactly what went in (the text or data verbatim, separators included); its block has the documented size.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "linklib/records.h"
#include "linkmodule/link_texts.h"

namespace {

bool HasFF(const std::string& s) {
    return s.find('\f') != std::string::npos;
}

// Field k of a block, as the world client's reader takes it; "" for an empty or missing field.
std::string Field(const std::vector<unsigned char>& block, int k) {
    std::vector<char> out(block.size() + 1, 0);
    if (linklib::ExtractField(block.data(), static_cast<long>(block.size()), k, out.data()) != linklib::kExtractDone)
        return std::string();
    return std::string(out.data());  // fields of built records hold no NUL before their end
}

// The bytes after the k-th FF up to the first NUL: the last field of a record, which may hold FFs.
std::string Rest(const std::vector<unsigned char>& block, int k) {
    size_t pos = 0;
    for (int found = 0; found < k; ++pos)
        if (pos >= block.size())
            std::abort();
        else if (block[pos] == '\f')
            ++found;
    std::string rest;
    while (pos < block.size() && block[pos] != 0)
        rest.push_back(static_cast<char>(block[pos++]));
    return rest;
}

void CheckCommunicate(bool nameNull,
                      bool targetNull,
                      bool textNull,
                      int32_t mode,
                      const std::string& name,
                      const std::string& target,
                      const std::string& text) {
    const auto block =
        linklib::BuildCommunicateRecord(nameNull ? nullptr : name.c_str(), mode, targetNull ? nullptr : target.c_str(),
                                        textNull ? nullptr : text.c_str());
    const std::string modeText = std::to_string(mode);
    const bool esp = mode == 2;
    const bool dropped =
        nameNull || textNull || (esp && targetNull) || HasFF(name) || (esp && HasFF(target)) || modeText.size() > 6;
    if (dropped != !block.has_value())
        std::abort();
    if (!block)
        return;
    if (block->size() != name.size() + (esp ? target.size() : 0) + text.size() + 10)
        std::abort();
    if (Field(*block, 0) != name || Field(*block, 1) != modeText || Field(*block, 2) != (esp ? target : ""))
        std::abort();
    if (Rest(*block, 3) != text)
        std::abort();
}

void CheckSend(bool nameNull,
               bool targetNull,
               bool dataNull,
               int32_t length,
               const std::string& name,
               const std::string& target,
               const std::string& payload) {
    // The length may claim fewer bytes than the payload holds; never more than there are.
    const int32_t sent = length < 0 ? length : static_cast<int32_t>(std::min<int64_t>(length, payload.size()));
    const auto block =
        linklib::BuildSendRecord(nameNull ? nullptr : name.c_str(), targetNull ? nullptr : target.c_str(), sent,
                                 dataNull ? nullptr : reinterpret_cast<const unsigned char*>(payload.data()));
    const bool dropped =
        nameNull || targetNull || dataNull || sent < 0 || sent > 999999 || HasFF(name) || HasFF(target);
    if (dropped != !block.has_value())
        std::abort();
    if (!block)
        return;
    if (block->size() != name.size() + target.size() + static_cast<size_t>(sent) + 10)
        std::abort();
    if (Field(*block, 0) != name || Field(*block, 1) != target || Field(*block, 2) != std::to_string(sent))
        std::abort();
    std::vector<char> out(block->size() + 1, 0);
    const int counted =
        linklib::ExtractCountedField(block->data(), static_cast<long>(block->size()), 3, sent, out.data());
    if (sent > 0 && (counted != linklib::kExtractDone || std::memcmp(out.data(), payload.data(), sent) != 0))
        std::abort();
}

// The console method's record: sent only when title, mode and avatar hold no FF; then it splits back.
void CheckConsole(const std::string& title,
                  const std::string& mode,
                  const std::string& avatar,
                  const std::string& text) {
    if (linkmodule::HoldsFieldSeparator(title) || linkmodule::HoldsFieldSeparator(mode) ||
        linkmodule::HoldsFieldSeparator(avatar)) {
        if (!HasFF(title + mode + avatar))
            std::abort();
        return;
    }
    const std::string record = linkmodule::CommunicateText(title, mode, avatar, text);
    std::vector<unsigned char> block(record.begin(), record.end());
    block.push_back(0);
    if (Field(block, 0) != title || Field(block, 1) != mode || Field(block, 2) != avatar || Rest(block, 3) != text)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5)
        return 0;
    const uint8_t flags = data[0];
    int32_t number;
    std::memcpy(&number, data + 1, sizeof number);
    if (flags & 0x80)
        number %= 8;  // small modes (0, 1, 2...) often
    std::vector<std::string> parts(3);
    size_t part = 0;
    for (size_t i = 5; i < size; ++i) {
        if (data[i] == 0 && part < 2)
            ++part;
        else if (data[i] != 0)
            parts[part].push_back(static_cast<char>(data[i]));
    }
    const bool nameNull = flags & 1, targetNull = flags & 2, textNull = flags & 4;
    CheckCommunicate(nameNull, targetNull, textNull, number, parts[0], parts[1], parts[2]);
    CheckSend(nameNull, targetNull, textNull, number, parts[0], parts[1], parts[2]);
    CheckConsole(parts[0], std::to_string(number), parts[1], parts[2]);
    return 0;
}
