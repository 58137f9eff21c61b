// capture.h: reading the chat capture back: the recorded test lines and the returned ESP.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace config {

inline constexpr int kFirstSlot = 1;
inline constexpr int kLastSlot = 9;
inline constexpr int kSlotCount = 11;  // slots 0 and 10 are never used

// The window's fields that the method tests fill and the buttons judge.
struct ConfiguratorFields {
    std::array<int16_t, kSlotCount> SeqNumbers{};
    std::array<std::string, kSlotCount> TimeStamps{};
    int16_t NextSlot = kFirstSlot;
    std::string OwnAvatarName;
    bool EspReceived = false;
    bool TestFailed = false;
};

// Lines of a capture, ended by CR LF or by a lone CR.
class CaptureLines {
  public:
    explicit CaptureLines(std::string_view text) : rest_(text) {}
    bool Next(std::string_view& line);

  private:
    std::string_view rest_;
};

// Removes spaces (only the space character) from both ends.
std::string_view TrimSpaces(std::string_view s);

// Empties slots 1 to 9 and sets NextSlot to 1. OwnAvatarName is kept.
void ClearRecord(ConfiguratorFields& f);

// Finds the first line whose text after its first colon is the marker, then records the test lines that
// follow it, of any speaker, until nine are recorded or the capture ends.
void RecordTestLines(std::string_view capture, std::string_view marker, ConfiguratorFields& f);

// True when the capture holds "ESP from <ownAvatarName>: Configuration Test!". Never true for an empty name.
bool FindEspReply(std::string_view capture, std::string_view ownAvatarName);

}  // namespace config
