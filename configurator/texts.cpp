// texts.cpp: the texts the configurator speaks, shows and saves, and where its window is placed.
#include "configurator/texts.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace config {

std::string DllDelayRaisedStatus(int16_t newDelay) {
    return "DLL Method failed - setting timer to " + std::to_string(newDelay);
}

// hh:mm:ss, two digits each. A value out of range is clamped rather than allowed to widen the text: the
// readers take the stamp as the last eight characters of a line.
std::string FormatClockTime(const TimeOfDay& t) {
    const int parts[] = {std::clamp(t.hour, 0, 23), std::clamp(t.minute, 0, 59), std::clamp(t.second, 0, 59)};
    std::string out;
    for (int p : parts) {
        if (!out.empty()) {
            out += ':';
        }
        out += static_cast<char>('0' + p / 10);
        out += static_cast<char>('0' + p % 10);
    }
    return out;
}

// The line spoken before the numbered lines, so that the reader can tell this run's lines from older chat.
//   Configuration Test: SetFocus - on     (speech test of the DDE method, focus control on)
//   Configuration Test: SetFocus - off    (focus control off)
//   Configuration Test: 2                 (speech test of the DLL method with a send delay of 2)
std::string DdeMarker(bool focusControl) {
    return focusControl ? "Configuration Test: SetFocus - on" : "Configuration Test: SetFocus - off";
}

std::string DllMarker(int16_t sendDelaySeconds) {
    return "Configuration Test: " + std::to_string(sendDelaySeconds);
}

// Test line n:  3 -- Configuration Test -- 14:05:09
// The reader takes the number from the first character and the time from the last eight.
std::string TestLine(int n, const TimeOfDay& t) {
    return std::to_string(n) + kTestLineTag + FormatClockTime(t);
}

std::string CurrentSettingText(const LinkSettings& s) {
    if (s.UseLibraryMethod) {
        if (s.SendDelaySeconds != 0) {
            return "DLL Method - Timer set to " + std::to_string(s.SendDelaySeconds) + " seconds";
        }
        return "DLL Method";
    }
    if (s.FocusControl) {
        return "DDE Method - Set Focus Control On and Pelmor App Title is " + s.ClientWindowTitle;
    }
    return "DDE Method";
}

// SCONTROL.TXT, four lines each ended by CR LF:
//   Pelmor 3.0     the world client's window title
//   0              focus control: 1 on, 0 off
//   1              method: 1 the DLL method, 0 the DDE method
//   3              send delay in seconds, plain decimal
std::string SettingsFileText(const LinkSettings& s) {
    return s.ClientWindowTitle + "\r\n" + (s.FocusControl ? "1" : "0") + "\r\n" + (s.UseLibraryMethod ? "1" : "0") +
           "\r\n" + std::to_string(s.SendDelaySeconds) + "\r\n";
}

// The free space (screen minus window) is rounded to the nearest whole twip, halves to even, then halved
// with the remainder dropped, so a window wider than the screen gets a negative offset rounded toward zero.
int CentreOffset(double screenTwips, double windowTwips) {
    const double space = screenTwips - windowTwips;
    if (!std::isfinite(space)) {
        return 0;
    }
    double whole = std::floor(space);
    const double fraction = space - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    constexpr double kLimit = static_cast<double>(std::numeric_limits<int>::max());
    whole = std::clamp(whole, -kLimit, kLimit);
    return static_cast<int>(static_cast<long long>(whole) / 2);
}

}  // namespace config
