// escape.h: byte strings as one printable line, and back.
//
//   bytes 0x20..0x7E except '\'  -> themselves
//   '\'                          -> "\\"
//   any other byte               -> "\xHH" (two lower-case hex digits)
// Example: "Tumbleroo" FF "0" FF FF "hi" NUL  ->  Tumbleroo\x0c0\x0c\x0chi\x00
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace common {

std::string EscapeBytes(std::string_view bytes);
// nullopt when the text holds a malformed escape (a lone '\', "\x" without two hex digits, "\q").
std::optional<std::string> UnescapeBytes(std::string_view text);

}  // namespace common
