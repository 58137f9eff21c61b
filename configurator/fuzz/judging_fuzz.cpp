// Fuzz target: judging a record of any content (numbers of any 16-bit value, stamps of any bytes and length).
// Invariants, each checked with abort():
//   - the verdict is one of the four defined ones, the same every time, and TestFailed says whether it is a pass;
//   - speaking failed exactly when slot 1 is 0; the completeness check fails exactly when slots 1 to 9 are not
//     nine distinct non-zero numbers (with slot 1 non-zero);
//   - a record whose stamps are steady one-second steps (any start, midnight crossed) never fails on lag, and one
//     with a gap of three seconds somewhere always does;
//   - the DLL check passes exactly when slots 2 to 9 hold 2 to 9, whatever slot 1 holds;
//   - judging reads only slots 1 to 9 and changes nothing but TestFailed.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "configurator/judging.h"

namespace {

using config::ConfiguratorFields;
using config::DdeVerdict;

void Check(bool ok) {
    if (!ok)
        std::abort();
}

class Bytes {
  public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    int16_t Int16() { return static_cast<int16_t>(Byte() | Byte() << 8); }
    std::string Text() {
        const size_t length = Byte() % 12;
        std::string s;
        for (size_t i = 0; i < length; ++i)
            s += static_cast<char>(Byte());
        return s;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

bool SameExceptTestFailed(const ConfiguratorFields& a, const ConfiguratorFields& b) {
    return a.SeqNumbers == b.SeqNumbers && a.TimeStamps == b.TimeStamps && a.NextSlot == b.NextSlot &&
           a.OwnAvatarName == b.OwnAvatarName && a.EspReceived == b.EspReceived;
}

DdeVerdict Judge(const ConfiguratorFields& f) {
    ConfiguratorFields copy = f;
    const DdeVerdict v = config::JudgeDdeRecord(copy);
    Check(SameExceptTestFailed(copy, f));
    switch (v) {
        case DdeVerdict::SpeakingFailed:
        case DdeVerdict::MethodFailed:
        case DdeVerdict::Lag:
            Check(copy.TestFailed);
            break;
        case DdeVerdict::Passed:
            Check(!copy.TestFailed);
            break;
        default:
            std::abort();
    }
    return v;
}

bool JudgeDll(const ConfiguratorFields& f) {
    ConfiguratorFields copy = f;
    const bool passed = config::JudgeDllRecord(copy);
    Check(SameExceptTestFailed(copy, f) && copy.TestFailed == !passed);
    return passed;
}

std::string Stamp(int secondsOfDay) {
    const int t = (secondsOfDay % 86400 + 86400) % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t / 3600, t / 60 % 60, t % 60);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes in(data, size);
    ConfiguratorFields f;
    for (auto& n : f.SeqNumbers)
        n = in.Int16();
    for (auto& t : f.TimeStamps)
        t = in.Text();
    f.NextSlot = in.Int16();
    f.TestFailed = in.Byte() & 1;
    f.EspReceived = in.Byte() & 1;
    const int start = static_cast<uint16_t>(in.Int16()) * 2;  // 0 to 131070: a day and a half
    const int gapAt = 1 + in.Byte() % 8;

    const DdeVerdict v = Judge(f);
    Check(v == Judge(f));
    Check((v == DdeVerdict::SpeakingFailed) == (f.SeqNumbers[1] == 0));
    std::set<int16_t> distinct;
    for (int k = 1; k <= 9; ++k)
        if (f.SeqNumbers[k] != 0)
            distinct.insert(f.SeqNumbers[k]);
    if (f.SeqNumbers[1] != 0)
        Check((v == DdeVerdict::MethodFailed) == (distinct.size() != 9));

    // Slots 0 and 10 and the other fields have no say.
    ConfiguratorFields other = f;
    other.SeqNumbers[0] = static_cast<int16_t>(~f.SeqNumbers[0]);
    other.SeqNumbers[10] = static_cast<int16_t>(~f.SeqNumbers[10]);
    other.TimeStamps[0] += "x";
    other.TimeStamps[10] = "99:99:99";
    other.NextSlot = static_cast<int16_t>(f.NextSlot + 1);
    other.OwnAvatarName = "Zed";
    other.TestFailed = !f.TestFailed;
    Check(Judge(other) == v && JudgeDll(other) == JudgeDll(f));

    // The same numbers with well-formed stamps: steady steps pass the lag check, one three-second gap fails it.
    if (distinct.size() == 9 && f.SeqNumbers[1] != 0) {
        ConfiguratorFields timed = f;
        for (int k = 1; k <= 9; ++k)
            timed.TimeStamps[k] = Stamp(start + k - 1);
        Check(Judge(timed) == DdeVerdict::Passed);
        for (int k = gapAt + 1; k <= 9; ++k)
            timed.TimeStamps[k] = Stamp(start + k + 1);
        Check(Judge(timed) == DdeVerdict::Lag);
    }

    bool inOrder = true;
    for (int k = 2; k <= 9; ++k)
        inOrder = inOrder && f.SeqNumbers[k] == k;
    Check(JudgeDll(f) == inOrder);
    ConfiguratorFields anyFirst = f;
    anyFirst.SeqNumbers[1] = static_cast<int16_t>(f.SeqNumbers[1] ^ 0x5a5a);
    Check(JudgeDll(anyFirst) == inOrder);
    return 0;
}
