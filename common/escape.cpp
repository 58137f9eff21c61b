// escape.cpp: printable one-line form of byte strings (format in escape.h).
#include "common/escape.h"

namespace common {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string EscapeBytes(std::string_view bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b == '\\') {
            out += "\\\\";
        } else if (b >= 0x20 && b <= 0x7E) {
            out += ch;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

std::optional<std::string> UnescapeBytes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 >= text.size())
            return std::nullopt;
        if (text[i + 1] == '\\') {
            out += '\\';
            ++i;
            continue;
        }
        if (text[i + 1] != 'x' || i + 3 >= text.size())
            return std::nullopt;
        const int hi = HexValue(text[i + 2]), lo = HexValue(text[i + 3]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 3;
    }
    return out;
}

}  // namespace common
