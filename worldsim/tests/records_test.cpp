// records_test.cpp: reading the poked request records and the codes chosen for bad ones.
#include "worldsim/records.h"

#include <gtest/gtest.h>

namespace worldsim {
namespace {

using namespace std::string_literals;

TEST(RecordsTest, Communicate) {
    struct Row {
        std::string block;
        int code;
        std::string name;
        Mode mode;
        std::string target;
        std::string text;
    };
    const Row rows[] = {
        {"Tumbleroo\x0c" "0\x0c\x0c" "hello\0pad!!"s, 0, "Tumbleroo", Mode::Speak, "", "hello"},
        {"T\x0c" "1\x0c\x0c" "hm\0"s, 0, "T", Mode::Think, "", "hm"},
        {"T\x0c" "2\x0c" "Ann\x0c" "hi\0\0\0"s, 0, "T", Mode::Esp, "Ann", "hi"},
        // The text runs to the NUL, form feeds included; outside ESP the target is not read.
        {"T\x0c" "2\x0c" "Ann\x0c" "a\x0c" "b\0"s, 0, "T", Mode::Esp, "Ann", "a\x0c" "b"},
        {"T\x0c" "1\x0c" "Ann\x0c" "hm\0"s, 0, "T", Mode::Think, "", "hm"},
        {"T\x0c" "0\x0c\x0c" "hi\0there"s, 0, "T", Mode::Speak, "", "hi"},
        {"T\x0c" "0\x0c\x0c" "hi"s, 0, "T", Mode::Speak, "", "hi"},
        {"T\x0c" "0\x0c\x0c\0pad"s, 11, "", Mode::Speak, "", ""},
        {"T\x0c" "2\x0c\x0c" "hi\0"s, 12, "", Mode::Speak, "", ""},
        {"T\x0c" "2\x0c\x0c\0"s, 11, "", Mode::Speak, "", ""},
        {"T\x0c" "0\x0c" "hi\0"s, 14, "", Mode::Speak, "", ""},
        {"T\0\x0c" "0\x0c\x0c" "hi"s, 14, "", Mode::Speak, "", ""},
        {"T\x0c" "0\0\x0c\x0c" "hi"s, 14, "", Mode::Speak, "", ""},
        {"Tumbleroo\0"s, 14, "", Mode::Speak, "", ""},
        {""s, 14, "", Mode::Speak, "", ""},
        {"\x0c" "0\x0c\x0c" "hi"s, 14, "", Mode::Speak, "", ""},
        {"T\x0c" "x\x0c\x0c" "hi"s, 14, "", Mode::Speak, "", ""},
        {"T\x0c\x0c\x0c" "hi"s, 14, "", Mode::Speak, "", ""},
        {"T\x0c" "3\x0c\x0c" "hi"s, 14, "", Mode::Speak, "", ""},
        {"T\x0c" "-1\x0c\x0c" "hi"s, 14, "", Mode::Speak, "", ""},
        {"T\x0c" " 0\x0c\x0c" "hi"s, 14, "", Mode::Speak, "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.block);
        const auto parsed = ParseCommunicate(row.block);
        EXPECT_EQ(parsed.code, row.code);
        if (row.code != 0)
            continue;
        EXPECT_EQ(parsed.record.name, row.name);
        EXPECT_EQ(parsed.record.mode, row.mode);
        EXPECT_EQ(parsed.record.target, row.target);
        EXPECT_EQ(parsed.record.text, row.text);
    }
}

TEST(RecordsTest, Send) {
    struct Row {
        std::string block;
        int code;
        std::string name;
        std::string target;
        std::string data;
    };
    const Row rows[] = {
        {"T\x0c" "Ann\x0c" "3\x0c" "a\x0c\0" "\0pad"s, 0, "T", "Ann", "a\x0c\0"s},
        {"T\x0c" "Marla\x0c" "2\x0c" "ok"s, 0, "T", "Marla", "ok"},
        {"T\x0c" "Ann\x0c" "-2\x0c" "xx\0"s, 15, "", "", ""},
        {"T\x0c" "Ann\x0c" "0\x0c\0"s, 16, "", "", ""},
        {"T\x0c" "Ann\x0c" "5\x0c" "ab\0"s, 14, "", "", ""},
        {"T\x0c" "Ann\x0c" "3"s, 14, "", "", ""},
        {"T\x0c" "Ann"s, 14, "", "", ""},
        {"T\0"s, 14, "", "", ""},
        {"T\x0c\x0c" "3\x0c" "abc"s, 14, "", "", ""},
        {"\x0c" "Ann\x0c" "3\x0c" "abc"s, 14, "", "", ""},
        {"T\x0c" "Ann\x0c\x0c" "abc"s, 14, "", "", ""},
        {"T\x0c" "Ann\x0c" "x\x0c" "abc"s, 14, "", "", ""},
        {"T\x0c" "Ann\0\x0c" "3\x0c" "abc"s, 14, "", "", ""},
        {"T\x0c" "Ann\x0c" "99999999999999999999\x0c" "abc"s, 14, "", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.block);
        const auto parsed = ParseSend(row.block);
        EXPECT_EQ(parsed.code, row.code);
        if (row.code != 0)
            continue;
        EXPECT_EQ(parsed.record.name, row.name);
        EXPECT_EQ(parsed.record.target, row.target);
        EXPECT_EQ(parsed.record.data, row.data);
    }
}

TEST(RecordsTest, NamesAndBlocks) {
    struct Row {
        std::string block;
        int code;
        std::string name;
    };
    const Row rows[] = {
        {"Tumbleroo\0"s, 0, "Tumbleroo"},
        {"Tumbleroo\0\xcc\xcc"s, 0, "Tumbleroo"},
        {"Tum\0bleroo"s, 0, "Tum"},
        {"Ostrivar"s, 0, "Ostrivar"},
        {"\0"s, 14, ""},
        {""s, 14, ""},
    };
    for (const auto& row : rows) {
        const auto parsed = ParseNameRecord(row.block);
        EXPECT_EQ(parsed.code, row.code) << row.block;
        EXPECT_EQ(parsed.record, row.name);
    }
    EXPECT_EQ(CallerName("Tumbleroo\x0c" "0\x0c\x0c" "hi"), "Tumbleroo");
    EXPECT_EQ(AckBlock("12"), "12\0"s);
    EXPECT_EQ(ReceiveBlock("Ann", "he\x0cyo"), "Ann\x0c" "5\x0c" "he\x0cyo\0"s);
    EXPECT_EQ(ReceiveBlock("Marla", "a\0b"s), "Marla\x0c" "3\x0c" "a\0b\0"s);
}

}  // namespace
}  // namespace worldsim
