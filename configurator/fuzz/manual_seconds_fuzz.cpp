// Fuzz target: the delay typed into ManualSeconds.
// Invariants, each checked with abort():
//   - an accepted value is a whole number 0 to 32767; a refused text gives 0;
//   - the reading equals that of a second, string-based reading of the same rule: blanks (space, tab, line feed)
//     dropped, the longest "sign, digits, point, digits" prefix taken, rounded to the nearest whole number with
//     halves to the even neighbour; a non-zero result that is negative or above 32767 is refused;
//   - the reading is the same every time, with more blanks anywhere, and with anything after a character that
//     ends the number.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "configurator/manual_seconds.h"

namespace {

using config::ManualSecondsReading;
using Status = ManualSecondsReading::Status;

void Check(bool ok) {
    if (!ok)
        std::abort();
}

bool Same(const ManualSecondsReading& a, const ManualSecondsReading& b) {
    return a.status == b.status && a.seconds == b.seconds;
}

// The rule again, on the decimal text: no arithmetic beyond adding one to a string of digits.
ManualSecondsReading Expected(std::string_view text) {
    std::string kept;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            kept += c;
    size_t i = 0;
    bool negative = false;
    if (i < kept.size() && (kept[i] == '-' || kept[i] == '+'))
        negative = kept[i++] == '-';
    std::string whole, fraction;
    while (i < kept.size() && kept[i] >= '0' && kept[i] <= '9')
        whole += kept[i++];
    if (i < kept.size() && kept[i] == '.') {
        ++i;
        while (i < kept.size() && kept[i] >= '0' && kept[i] <= '9')
            fraction += kept[i++];
    }
    whole.erase(0, whole.find_first_not_of('0'));  // all zeros: empty
    const std::string rest = fraction.empty() ? "" : fraction.substr(1);
    const bool aboveHalf =
        !fraction.empty() &&
        (fraction[0] > '5' || (fraction[0] == '5' && rest.find_first_not_of('0') != std::string::npos));
    const bool exactlyHalf = !fraction.empty() && fraction[0] == '5' && !aboveHalf;
    const bool odd = !whole.empty() && (whole.back() - '0') % 2 == 1;
    if (aboveHalf || (exactlyHalf && odd)) {
        // whole + 1 in decimal
        size_t k = whole.size();
        while (k > 0 && whole[k - 1] == '9')
            whole[--k] = '0';
        if (k == 0)
            whole.insert(whole.begin(), '1');
        else
            ++whole[k - 1];
    }
    ManualSecondsReading r;
    if (whole.empty())
        return r;
    if (negative) {
        r.status = Status::Negative;
    } else if (whole.size() > 5 || std::stoi(whole) > 32767) {
        r.status = Status::TooLarge;
    } else {
        r.seconds = static_cast<int16_t>(std::stoi(whole));
    }
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ManualSecondsReading r = config::ReadManualSeconds(text);
    if (r.status == Status::Ok)
        Check(r.seconds >= 0 && r.seconds <= 32767);
    else
        Check(r.seconds == 0 && (r.status == Status::Negative || r.status == Status::TooLarge));
    Check(Same(r, Expected(text)));
    Check(Same(r, config::ReadManualSeconds(text)));

    const size_t at = size == 0 ? 0 : data[0] % (size + 1);
    std::string spaced = text;
    spaced.insert(at, size % 2 ? " \t" : "\n");
    Check(Same(r, config::ReadManualSeconds(spaced)));
    Check(Same(r, config::ReadManualSeconds(text + "x" + text)));
    return 0;
}
