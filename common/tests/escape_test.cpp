// Round trips and malformed input of the printable byte form.
#include "common/escape.h"

#include <gtest/gtest.h>

namespace {

TEST(Escape, FormsAndRoundTrips) {
    struct Row {
        std::string bytes;
        std::string text;
    };
    const Row rows[] = {
        {"", ""},
        {"plain text", "plain text"},
        {std::string("Tumbleroo\x0c" "0\x0c\x0chi\0", 16), "Tumbleroo\\x0c0\\x0c\\x0chi\\x00"},
        {"back\\slash", "back\\\\slash"},
        {"\r\n\x7f\xff", "\\x0d\\x0a\\x7f\\xff"},
        {"~ ", "~ "},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(common::EscapeBytes(r.bytes), r.text);
        EXPECT_EQ(common::UnescapeBytes(r.text), r.bytes) << r.text;
    }
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(common::UnescapeBytes(common::EscapeBytes(all)), all);
    EXPECT_EQ(common::UnescapeBytes("\\x4A\\x4b"), "JK");  // upper-case hex is read too
}

TEST(Escape, MalformedIsRefused) {
    for (const char* bad : {"\\", "a\\", "\\x", "\\x1", "\\xg0", "\\q", "x\\x0"})
        EXPECT_EQ(common::UnescapeBytes(bad), std::nullopt) << bad;
}

}  // namespace
