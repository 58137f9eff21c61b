// intake.h: player intake from the chat capture: ESP lines, the IntakeMarker boundary, and who joins.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/player_lists.h"

namespace host {

inline constexpr const char* kCaptureFile = "C:\\ZOBRA.TXT";
// The most of a chat capture that intake scans; a larger capture is refused with a message.
inline constexpr size_t kMaxCaptureBytes = 64u << 20;

// The longest avatar name intake takes, in bytes. Names in the world are far shorter; anything longer is not an
// avatar's name but junk in the chat text, which "Read List" would otherwise say whole.
inline constexpr size_t kMaxAvatarNameBytes = 64;

// A name intake may take: not empty, at most kMaxAvatarNameBytes, and no control character (bytes 0 to 31 and
// 127), so that it can stand as a field of a record and as one line of GORVATH.SAV. 8-bit letters are fine.
bool IsAcceptableAvatarName(std::string_view name);

// The boundary of intake: once an avatar says this line in the chat, only "$" ESPs after it are taken. The host
// never says it itself; the operator types it to start a fresh list. It differs from kHowToPlayNotice.
inline constexpr const char* kIntakeMarker = "Gorvath game host, by the Tumbleroo team";

struct EspLine {
    std::string name;     // the sender, trimmed
    std::string message;  // the text after the first colon, trimmed
};

// "ESP from Bob: $" -> {Bob, $}. nullopt for any other line, and for an ESP line without a colon.
std::optional<EspLine> ParseEspLine(std::string_view line);

// A line whose text after its first colon, trimmed, is the IntakeMarker.
bool IsMarkerLine(std::string_view line);

// CountIntakeMarkers: the number of marker lines of the capture.
int CountIntakeMarkers(const std::vector<std::string>& lines);

// The taking pass over the capture, one line at a time, after the marker lines were counted.
class CaptureScanner {
  public:
    explicit CaptureScanner(int markerCount) : markerCount_(markerCount), taking_(markerCount == 0) {}
    // The sender when this line is a "$" ESP that intake takes; nullopt otherwise.
    std::optional<std::string> Take(std::string_view line);

  private:
    int markerCount_;
    int passed_ = 0;
    bool taking_;
};

// Both passes at once: every "$" sender after the last marker line, in capture order, repeats included.
std::vector<std::string> JoinRequests(const std::vector<std::string>& lines);

enum class JoinResult {
    kAdded,          // appended to PlayersList; confirm by ESP
    kAlreadyListed,  // some PlayersList entry, trimmed, equals the name
    kRefused,        // not IsAcceptableAvatarName, "List2", or PlayersList is full
};

// One "$" from name: appends it to players unless it is there already.
JoinResult TakeNewPlayer(NameList& players, const std::string& name);

}  // namespace host
