// Request records byte for byte, and the splitting of notification records, including hostile ones.
#include "linklib/records.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

using linklib::Block;

std::string AsString(const Block& b) {
    return std::string(b.begin(), b.end());
}
// Spelled-out bytes: FF is written as \f, NUL as \0 in a string with explicit length.
std::string Bytes(const char* s, size_t n) {
    return std::string(s, n);
}
linklib::ReceiveFields Split(const std::string& block) {
    return linklib::SplitReceiveRecord(reinterpret_cast<const unsigned char*>(block.data()),
                                       static_cast<long>(block.size()));
}

TEST(Records, NameRecords) {
    EXPECT_EQ(AsString(linklib::BuildNameRecord("Tumbleroo")), Bytes("Tumbleroo\0", 10));
    EXPECT_EQ(AsString(linklib::BuildNameRecord("")), Bytes("\0", 1));
}

TEST(Records, CommunicateRecords) {
    struct Row {
        const char* what;
        const char* name;
        int32_t mode;
        const char* target;
        const char* text;
        bool sent;
        std::string block;  // whole block, padding included
    };
    const Row rows[] = {
        // 9-character name, mode 0, 5-character text: 19 bytes of record and 5 of zero padding.
        {"speak", "Tumbleroo", 0, "", "hello", true, Bytes("Tumbleroo\f0\f\fhello\0\0\0\0\0\0", 24)},
        {"speak ignores the target", "Tumbleroo", 0, "Ann", "hello", true,
         Bytes("Tumbleroo\f0\f\fhello\0\0\0\0\0\0", 24)},
        {"think with null target", "Ostrivar", 1, nullptr, "hmm", true, Bytes("Ostrivar\f1\f\fhmm\0\0\0\0\0\0", 21)},
        {"esp", "Tumbleroo", 2, "Ann", "You are on the List.", true,
         Bytes("Tumbleroo\f2\fAnn\fYou are on the List.\0\0\0\0\0", 42)},
        {"esp with empty target", "Tumbleroo", 2, "", "hi", true, Bytes("Tumbleroo\f2\f\fhi\0\0\0\0\0", 21)},
        {"esp with null target", "Tumbleroo", 2, nullptr, "hi", false, ""},
        {"negative mode", "A", -7, nullptr, "x", true, Bytes("A\f-7\f\fx\0\0\0\0\0", 12)},
        {"widest positive mode", "A", 999999, nullptr, "x", true, Bytes("A\f999999\f\fx\0\0", 12)},
        {"widest negative mode", "A", -99999, nullptr, "x", true, Bytes("A\f-99999\f\fx\0\0", 12)},
        {"mode too wide", "A", 1000000, nullptr, "x", false, ""},
        {"negative mode too wide", "A", -100000, nullptr, "x", false, ""},
        {"lowest mode", "A", INT32_MIN, nullptr, "x", false, ""},
        {"empty text", "A", 0, nullptr, "", true, Bytes("A\f0\f\f\0\0\0\0\0\0", 11)},
        {"null name", nullptr, 0, nullptr, "x", false, ""},
        {"null text", "A", 0, nullptr, nullptr, false, ""},
        {"separator in the name", "Tumble\froo", 0, nullptr, "hi", false, ""},
        {"separator ending the name", "Tumbleroo\f", 2, "Ann", "hi", false, ""},
        {"separator in the esp target", "Tumbleroo", 2, "An\fn", "hi", false, ""},
        {"separator alone as esp target", "Tumbleroo", 2, "\f", "hi", false, ""},
        {"target not read outside esp", "Tumbleroo", 0, "An\fn", "hi", true,
         Bytes("Tumbleroo\f0\f\fhi\0\0\0\0\0\0", 21)},
        {"separators in the text go verbatim", "Tumbleroo", 2, "Ann", "a\fb\f", true,
         Bytes("Tumbleroo\f2\fAnn\fa\fb\f\0\0\0\0\0\0", 26)},
    };
    for (const auto& r : rows) {
        const auto block = linklib::BuildCommunicateRecord(r.name, r.mode, r.target, r.text);
        ASSERT_EQ(block.has_value(), r.sent) << r.what;
        if (block) {
            EXPECT_EQ(AsString(*block), r.block) << r.what;
        }
    }
}

TEST(Records, SendRecords) {
    const unsigned char data[] = {'a', '\f', 0, 'b', '\f'};
    struct Row {
        const char* what;
        const char* name;
        const char* target;
        int32_t length;
        const unsigned char* data;
        bool sent;
        std::string block;
    };
    const Row rows[] = {
        {"form feeds and NULs pass unchanged", "Prog", "Ann", 5, data, true,
         Bytes("Prog\fAnn\f5\fa\f\0b\f\0\0\0\0\0", 22)},
        {"zero length", "P", "A", 0, data, true, Bytes("P\fA\f0\f\0\0\0\0\0\0\0", 12)},
        {"negative length", "P", "A", -1, data, false, ""},
        {"length too wide", "P", "A", 1000000, data, false, ""},
        {"null target", "P", nullptr, 1, data, false, ""},
        {"null data", "P", "A", 1, nullptr, false, ""},
        {"null name", nullptr, "A", 1, data, false, ""},
        {"separator in the name", "P\f", "A", 1, data, false, ""},
        {"separator in the target", "P", "\fA", 1, data, false, ""},
    };
    for (const auto& r : rows) {
        const auto block = linklib::BuildSendRecord(r.name, r.target, r.length, r.data);
        ASSERT_EQ(block.has_value(), r.sent) << r.what;
        if (block) {
            EXPECT_EQ(AsString(*block), r.block) << r.what;
        }
    }
    // The widest length fills the block exactly: 6 digits, 3 separators and the NUL, no padding left.
    const std::vector<unsigned char> big(999999, 'z');
    const auto block = linklib::BuildSendRecord("P", "A", 999999, big.data());
    ASSERT_TRUE(block);
    EXPECT_EQ(block->size(), 1u + 1u + 999999u + 10u);
    EXPECT_EQ(block->back(), 0);
}

TEST(Records, RegisteredNameAndConnectCheck) {
    char name[linklib::kRegisteredNameSize];
    linklib::CopyRegisteredName("Tumbleroo", name);
    EXPECT_STREQ(name, "Tumbleroo");
    EXPECT_TRUE(linklib::IsRegisteredService("Tumbleroo", name));
    EXPECT_FALSE(linklib::IsRegisteredService("tumbleroo", name));
    EXPECT_FALSE(linklib::IsRegisteredService("Tumbleroo ", name));

    const std::string longName(40, 'N');
    linklib::CopyRegisteredName(longName.c_str(), name);
    EXPECT_EQ(std::string(name), std::string(31, 'N'));
    // The world client connects back with the whole name, which no longer matches.
    EXPECT_FALSE(linklib::IsRegisteredService(longName.c_str(), name));
}

TEST(Records, ExtractField) {
    struct Row {
        std::string block;
        long n;  // -1: the block's size
        int k;
        int result;
        std::string out;
    };
    const Row rows[] = {
        {"Bob\f5\fhello", -1, 0, 0, "Bob"},
        {"Bob\f5\fhello", -1, 1, 0, "5"},
        {"Bob\f5\fhello", -1, 2, 0, "hello"},
        {"Bob\f5\fhello", -1, 3, 2, "untouched"},
        {"Bob\f5\fhello", -1, -1, 1, "untouched"},
        {"Bob\f5\fhello", 0, 0, 1, "untouched"},
        {"Bob\f5\fhello", 5, 1, 0, "5"},          // n cuts the block: the field ends at byte n-1
        {"Bob\f5\fhello", 4, 1, 3, "untouched"},  // the form feed is the last byte: field 1 is empty
        {"no separators", -1, 0, 0, "no separators"},
        {"no separators", -1, 1, 2, "untouched"},
        {"Bob\f\fdata", -1, 1, 3, "untouched"},
        {"\fx", -1, 0, 3, "untouched"},
        {"x\f", -1, 1, 3, "untouched"},
        {std::string("a\0b\fc", 5), -1, 0, 0, std::string("a\0b", 3)},
    };
    for (const auto& r : rows) {
        const long n = r.n < 0 ? static_cast<long>(r.block.size()) : r.n;
        std::string out(std::max(r.block.size() + 1, sizeof "untouched"), '\0');
        std::memcpy(out.data(), "untouched", sizeof "untouched");
        const int result =
            linklib::ExtractField(reinterpret_cast<const unsigned char*>(r.block.data()), n, r.k, out.data());
        EXPECT_EQ(result, r.result) << r.block << " k=" << r.k;
        if (result == 0) {
            EXPECT_EQ(out.substr(0, r.out.size()), r.out) << r.block << " k=" << r.k;
            EXPECT_EQ(out[r.out.size()], '\0');
        } else {
            EXPECT_STREQ(out.c_str(), "untouched") << r.block << " k=" << r.k;
        }
    }
    char out[8];
    EXPECT_EQ(linklib::ExtractField(nullptr, 3, 0, out), 1);
    EXPECT_EQ(linklib::ExtractField(reinterpret_cast<const unsigned char*>("abc"), 3, 0, nullptr), 1);
}

TEST(Records, ExtractCountedField) {
    struct Row {
        std::string block;
        int k;
        long count;
        int result;
        std::string out;
    };
    const std::string rec("Bob\f5\fa\fb\0c", 11);
    const Row rows[] = {
        {rec, 2, 5, 0, std::string("a\fb\0c", 5)},  // form feeds and NULs inside the counted data
        {rec, 2, 6, 3, ""},                         // runs past the end
        {rec, 2, 0, 1, ""},
        {rec, 2, -1, 1, ""},
        {rec, 2, 12, 1, ""},  // count above n
        {rec, -1, 1, 1, ""},
        {rec, 5, 1, 2, ""},
        {rec, 0, 11, 0, rec},
    };
    for (const auto& r : rows) {
        std::string out(r.block.size() + 1, 'X');
        const int result = linklib::ExtractCountedField(reinterpret_cast<const unsigned char*>(r.block.data()),
                                                        static_cast<long>(r.block.size()), r.k, r.count, out.data());
        EXPECT_EQ(result, r.result) << "k=" << r.k << " count=" << r.count;
        if (result == 0) {
            EXPECT_EQ(out.substr(0, r.count), r.out);
            EXPECT_EQ(out[r.count], '\0');
        } else {
            EXPECT_EQ(out, std::string(r.block.size() + 1, 'X'));
        }
    }
    // A block announced as nearly LONG_MAX bytes (only its first bytes are read) with a count that reaches past
    // its end: the end check itself must not overflow into a copy.
    const std::string head("\f\fxy", 4);
    for (long count : {LONG_MAX, LONG_MAX - 1}) {
        char out[8] = "XXXXXXX";
        EXPECT_EQ(
            linklib::ExtractCountedField(reinterpret_cast<const unsigned char*>(head.data()), LONG_MAX, 2, count, out),
            3)
            << count;
        EXPECT_STREQ(out, "XXXXXXX");
    }
}

TEST(Records, LeadingNumber) {
    struct Row {
        const char* text;
        int32_t value;
    };
    const Row rows[] = {
        {"5", 5},
        {"  42abc", 42},
        {"-3", -3},
        {"+7", 7},
        {"", 0},
        {"abc", 0},
        {"--1", 0},
        {"- 1", 0},
        {"\t9", 9},
        {"007", 7},
        {"2147483647", INT32_MAX},
        {"99999999999999999999", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999999999999", INT32_MIN},
    };
    for (const auto& r : rows)
        EXPECT_EQ(linklib::LeadingNumber(r.text), r.value) << r.text;
}

TEST(Records, SplitReceiveRecord) {
    struct Row {
        const char* what;
        std::string block;
        std::string sender;
        int32_t length;
        std::string data;
    };
    const Row rows[] = {
        {"plain", "Bob\f5\fhello", "Bob", 5, "hello"},
        {"form feed inside the data", "Bob\f5\fhe\flo", "Bob", 5, "he\flo"},
        {"length longer than the data", "Bob\f9\fdata", "Bob", 9, ""},
        {"no form feed at all", "whole block", "whole block", 0, ""},
        {"empty length field", "Bob\f\fdata", "Bob", 0, ""},
        {"data stops at its NUL", std::string("Bob\f5\fab\0cd", 11), "Bob", 5, "ab"},
        {"padding behind the data", std::string("Bob\f2\fhi\0\0\0", 11), "Bob", 2, "hi"},
        {"negative length", "Bob\f-3\fdata", "Bob", -3, ""},
        {"huge length", "Bob\f99999999999\fdata", "Bob", INT32_MAX, ""},
        {"empty sender", "\f2\fhi", "", 2, "hi"},
        {"blanks before the length", "Bob\f  2\fhi", "Bob", 2, "hi"},
    };
    for (const auto& r : rows) {
        const auto f = Split(r.block);
        EXPECT_EQ(f.sender, r.sender) << r.what;
        EXPECT_EQ(f.length, r.length) << r.what;
        EXPECT_EQ(f.data, r.data) << r.what;
    }
}

TEST(Records, SplitReceiveRecordHugeAndLying) {
    // Several megabytes, with a length field that lies in both directions; AddressSanitizer watches the reads.
    const size_t big = 6 * 1024 * 1024;
    std::string payload(big, 'p');
    auto f = Split("Sender\f" + std::to_string(big) + "\f" + payload);
    EXPECT_EQ(f.sender, "Sender");
    EXPECT_EQ(f.data.size(), big);

    f = Split("Sender\f" + std::to_string(big + 1) + "\f" + payload);
    EXPECT_EQ(f.length, static_cast<int32_t>(big + 1));
    EXPECT_TRUE(f.data.empty());

    f = Split(std::string(big, 'q'));
    EXPECT_EQ(f.sender.size(), big);
    EXPECT_EQ(f.length, 0);

    f = Split("");
    EXPECT_EQ(f.sender, "");
    EXPECT_EQ(f.length, 0);
}

TEST(Records, TextOfBlock) {
    const std::string ack("0\0", 2);
    EXPECT_EQ(linklib::TextOfBlock(reinterpret_cast<const unsigned char*>(ack.data()), ack.size()), "0");
    EXPECT_EQ(linklib::TextOfBlock(reinterpret_cast<const unsigned char*>("17"), 2), "17");
    EXPECT_EQ(linklib::TextOfBlock(reinterpret_cast<const unsigned char*>(""), 0), "");
}

}  // namespace
