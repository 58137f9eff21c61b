// texts.h: the configurator's fixed texts: what it speaks, what its status line says, what it saves.
#pragma once

#include <cstdint>
#include <string>

#include "configurator/link_port.h"

namespace config {

inline constexpr const char* kClientTitle = "Pelmor 3.0";
inline constexpr const char* kTestLineTag = " -- Configuration Test -- ";
inline constexpr const char* kEspTestText = "Configuration Test!";
inline constexpr const char* kSettingsFileName = "SCONTROL.TXT";
inline constexpr const char* kCaptureFileName = "C:\\ZOBRA.TXT";

// Status line texts, exactly as the user sees them.
inline constexpr const char* kStatusStarting = "Starting System Configuration";
inline constexpr const char* kStatusDdeStarting = "Starting - DDE Method";
inline constexpr const char* kStatusDdeTesting = "DDE Method: Testing For Lag and Dupicates";
inline constexpr const char* kStatusEspTesting = "DDE Method: Testing Getting ESPs";
inline constexpr const char* kStatusDdeSpeakingFailed = "DDE Method Speaking failed";
inline constexpr const char* kStatusDdeFailed = "DDE Method failed";
inline constexpr const char* kStatusDdeEspFailed = "DDE Method ESP failed";
inline constexpr const char* kStatusDdeSuccessful = "DDE Method Successful";
inline constexpr const char* kStatusDllStarting = "Starting - DLL Method";
inline constexpr const char* kStatusDllTesting = "DLL Method: Testing For Drops";
inline constexpr const char* kStatusDllSuccessful = "DLL Method Successful";
inline constexpr const char* kStatusDllFailed = "DLL Method failed";
// A method passed but SCONTROL.TXT could not be written: the user must not take this for a saved result.
inline constexpr const char* kStatusDdeNotSaved = "DDE Method works but SCONTROL.TXT not saved";
inline constexpr const char* kStatusDllNotSaved = "DLL Method works but SCONTROL.TXT not saved";
// A test ended by an unexpected failure (out of memory); the reason follows after ": " when there is one.
inline constexpr const char* kStatusStoppedEarly = "The test stopped early";
// The typed delay is refused and nothing is tested.
inline constexpr const char* kStatusDelayNegative = "Delay must not be negative - nothing tested";
inline constexpr const char* kStatusDelayTooLarge = "Delay must be 32767 or less - nothing tested";

std::string DllDelayRaisedStatus(int16_t newDelay);

std::string FormatClockTime(const TimeOfDay& t);
std::string DdeMarker(bool focusControl);
std::string DllMarker(int16_t sendDelaySeconds);
std::string TestLine(int n, const TimeOfDay& t);

std::string CurrentSettingText(const LinkSettings& s);
std::string SettingsFileText(const LinkSettings& s);

// Where the window goes when centred: one axis, in twips.
int CentreOffset(double screenTwips, double windowTwips);

}  // namespace config
