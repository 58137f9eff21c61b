// manual_seconds.cpp: the number in the ManualSeconds box.
//
//   "3"            -> 3         "3 seconds"   -> 3          ""  or "abc"  -> 0
//   " 1 2 "        -> 12        "2.5"         -> 2          "3.5"         -> 4
//   "2.5000001"    -> 3         "-0.4"        -> 0          "-3"          -> refused (negative)
//   "32767.4"      -> 32767     "32767.5"     -> refused (too large)
// Spaces, tabs and line feeds are skipped wherever they stand. Then come an optional sign, digits, an
// optional decimal point and more digits; the first character that cannot continue that ends the number.
// The value is rounded to the nearest whole number, halves to the even neighbour. The decimal text is
// rounded exactly, digit by digit, so no binary fraction tips a value just above or below a half.
// A delay must fit the 16-bit setting and cannot be negative: otherwise the test would run with one value
// and the settings file say another, so such input is refused instead.
#include "configurator/manual_seconds.h"

namespace config {

namespace {

constexpr uint32_t kMaxDelay = 32767;
// Any whole part above this is out of range; stop growing the number there so it cannot overflow.
constexpr uint32_t kCap = 1000000;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

}  // namespace

ManualSecondsReading ReadManualSeconds(std::string_view text) {
    bool negative = false;
    bool seenSign = false;
    bool seenDigitOrPoint = false;
    bool inFraction = false;
    uint32_t whole = 0;
    int firstFractionDigit = -1;     // the digit right after the point, -1 when none
    bool nonZeroAfterFirst = false;  // any non-zero fraction digit after the first one

    for (char c : text) {
        if (IsBlank(c)) {
            continue;
        }
        if ((c == '-' || c == '+') && !seenSign && !seenDigitOrPoint) {
            negative = c == '-';
            seenSign = true;
        } else if (c == '.' && !inFraction) {
            inFraction = true;
            seenDigitOrPoint = true;
        } else if (c >= '0' && c <= '9') {
            seenDigitOrPoint = true;
            const int d = c - '0';
            if (!inFraction) {
                whole = whole >= kCap ? kCap : whole * 10 + static_cast<uint32_t>(d);
            } else if (firstFractionDigit < 0) {
                firstFractionDigit = d;
            } else if (d != 0) {
                nonZeroAfterFirst = true;
            }
        } else {
            break;
        }
    }

    const bool roundUp = firstFractionDigit > 5 || (firstFractionDigit == 5 && (nonZeroAfterFirst || whole % 2 == 1));
    const uint32_t rounded = roundUp && whole < kCap ? whole + 1 : whole;

    ManualSecondsReading r;
    if (rounded == 0) {
        return r;  // "-0.4" is a delay of 0, not a negative one
    }
    if (negative) {
        r.status = ManualSecondsReading::Status::Negative;
    } else if (rounded > kMaxDelay) {
        r.status = ManualSecondsReading::Status::TooLarge;
    } else {
        r.seconds = static_cast<int16_t>(rounded);
    }
    return r;
}

}  // namespace config
