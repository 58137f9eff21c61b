// records.cpp: reading the poked request records and building the blocks the world pokes back.
#include "worldsim/records.h"

#include <charconv>
#include <vector>

namespace worldsim {
namespace {

std::string_view CutAtNul(std::string_view bytes) {
    const size_t nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

// A whole field as a signed decimal number ("%d" form: optional '-', digits, nothing else).
bool ParseInt(std::string_view field, long long& value) {
    if (field.empty())
        return false;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    return ec == std::errc() && end == field.data() + field.size();
}

}  // namespace

// The caller's registered name opens every record: the bytes before the first FF or NUL. The world
// connects back to the DDE service of that name with its acknowledgement.
std::string CallerName(std::string_view block) {
    const size_t end = block.find_first_of(std::string_view("\x0c\0", 2));
    return std::string(block.substr(0, end));
}

// Register and unregister records: name NUL [padding].
Parsed<std::string> ParseNameRecord(std::string_view block) {
    Parsed<std::string> out;
    out.record = CallerName(block);
    if (out.record.empty())
        out.code = kAckArgumentsMissing;
    return out;
}

// Communicate record, cut at its first NUL:
//   name FF mode FF target FF text NUL [padding]      e.g.  "Tumbleroo\x0c" "2\x0c" "Ann\x0c" "hi\0...."
// mode is "0" speak, "1" think, "2" ESP; target is read for ESP only; the text is everything after the third
// FF (form feeds in it included). Checked in this order: fields and mode (14), text (11), ESP target (12).
Parsed<CommunicateRecord> ParseCommunicate(std::string_view block) {
    Parsed<CommunicateRecord> out;
    const std::string_view record = CutAtNul(block);
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (fields.size() < 3) {
        const size_t ff = record.find(kFieldSeparator, start);
        if (ff == std::string_view::npos) {
            out.code = kAckArgumentsMissing;
            return out;
        }
        fields.push_back(record.substr(start, ff - start));
        start = ff + 1;
    }
    long long mode = -1;
    if (fields[0].empty() || !ParseInt(fields[1], mode) || mode < 0 || mode > 2) {
        out.code = kAckArgumentsMissing;
        return out;
    }
    out.record.name = std::string(fields[0]);
    out.record.mode = mode == 0 ? Mode::Speak : mode == 1 ? Mode::Think : Mode::Esp;
    out.record.text = std::string(record.substr(start));
    if (out.record.mode == Mode::Esp)
        out.record.target = std::string(fields[2]);
    if (out.record.text.empty())
        out.code = kAckNoText;
    else if (out.record.mode == Mode::Esp && out.record.target.empty())
        out.code = kAckEspWithoutTarget;
    return out;
}

// Send record:
//   name FF target FF length FF <length raw bytes> NUL [padding]     e.g. "Tumbleroo\x0c" "Ann\x0c" "3\x0c" "a\x0c" "b\0.."
// The three leading fields are text and end at a NUL; the data is counted and may hold any byte. A missing
// field, a length that is no number or more bytes than the block holds is 14; below zero 15; zero 16.
Parsed<SendRecord> ParseSend(std::string_view block) {
    Parsed<SendRecord> out;
    std::string_view fields[3];
    size_t start = 0;
    for (auto& field : fields) {
        const size_t end = block.find_first_of(std::string_view("\x0c\0", 2), start);
        if (end == std::string_view::npos || block[end] == '\0') {
            out.code = kAckArgumentsMissing;
            return out;
        }
        field = block.substr(start, end - start);
        start = end + 1;
    }
    long long length = 0;
    if (fields[0].empty() || fields[1].empty() || !ParseInt(fields[2], length)) {
        out.code = kAckArgumentsMissing;
        return out;
    }
    if (length < 0) {
        out.code = kAckNegativeLength;
        return out;
    }
    if (length == 0) {
        out.code = kAckNoData;
        return out;
    }
    if (static_cast<unsigned long long>(length) > block.size() - start) {
        out.code = kAckArgumentsMissing;
        return out;
    }
    out.record.name = std::string(fields[0]);
    out.record.target = std::string(fields[1]);
    out.record.data = std::string(block.substr(start, static_cast<size_t>(length)));
    return out;
}

// Acknowledgement block: the code text and a NUL, e.g. "0\0".
std::string AckBlock(std::string_view codeText) {
    std::string block(codeText);
    block += '\0';
    return block;
}

// Receive block: sender FF length FF data NUL, e.g. "Ann\x0c" "5\x0c" "he\x0cyo\0".
std::string ReceiveBlock(std::string_view sender, std::string_view data) {
    std::string block(sender);
    block += kFieldSeparator;
    block += std::to_string(data.size());
    block += kFieldSeparator;
    block += data;
    block += '\0';
    return block;
}

}  // namespace worldsim
