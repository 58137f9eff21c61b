// status_names.h: every status text of the configurator spelled out once, with the short name the tests use for it;
// shared by the tests of the configuration runs and of the window under Wine.
#pragma once

#include <map>
#include <string>

namespace configtest {

// clang-format off
inline const std::map<std::string, std::string> kStatusNames = {
    {"Starting System Configuration", "start"},            {"Starting - DDE Method", "dde"},
    {"DDE Method: Testing For Lag and Dupicates", "ddetest"}, {"DDE Method: Testing Getting ESPs", "esptest"},
    {"DDE Method Speaking failed", "dde-speaking-failed"}, {"DDE Method failed", "dde-failed"},
    {"DDE Method ESP failed", "esp-failed"},              {"DDE Method Successful", "dde-ok"},
    {"Starting - DLL Method", "dll"},                      {"DLL Method: Testing For Drops", "dlltest"},
    {"DLL Method Successful", "dll-ok"},                   {"DLL Method failed", "dll-failed"},
    {"DLL Method failed - setting timer to 1", "timer-1"}, {"DLL Method failed - setting timer to 2", "timer-2"},
    {"DLL Method failed - setting timer to 3", "timer-3"}, {"DLL Method failed - setting timer to 4", "timer-4"},
    {"DDE Method works but SCONTROL.TXT not saved", "dde-unsaved"},
    {"DLL Method works but SCONTROL.TXT not saved", "dll-unsaved"},
    {"Delay must not be negative - nothing tested", "refused-negative"},
    {"Delay must be 32767 or less - nothing tested", "refused-large"},
};
// clang-format on

// The short name of a status text; a text not in the table shows in quotes.
inline std::string StatusName(const std::string& text) {
    const auto it = kStatusNames.find(text);
    return it == kStatusNames.end() ? '"' + text + '"' : it->second;
}

}  // namespace configtest
