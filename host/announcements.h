// announcements.h: everything the host's avatar says, as data: a Script is a list of steps (say a line, send
// an ESP, wait clock seconds) that the window plays through the link module.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "host/player_lists.h"

namespace host {

struct Step {
    enum class Kind { kSay, kEsp, kWait };
    Kind kind = Kind::kSay;
    std::string text;    // kSay, kEsp
    std::string target;  // kEsp: the avatar the ESP goes to
    int seconds = 0;     // kWait

    static Step Say(std::string text) { return {Kind::kSay, std::move(text), {}, 0}; }
    static Step Esp(std::string target, std::string text) {
        return {Kind::kEsp, std::move(text), std::move(target), 0};
    }
    static Step Wait(int seconds) { return {Kind::kWait, {}, {}, seconds}; }
    bool operator==(const Step&) const = default;
};
using Script = std::vector<Step>;

// What plays a script: the window implements it over SayText, EspTarget + EspText and WaitSeconds.
class Speaker {
  public:
    virtual ~Speaker() = default;
    virtual void Say(const std::string& text) = 0;
    virtual void Esp(const std::string& target, const std::string& text) = 0;
    virtual void Wait(int seconds) = 0;
};

void Play(const Script& script, Speaker& speaker);

// Line 2 of "How To Play". It must differ from the IntakeMarker, so that announcing the rules never sets the
// boundary of player intake.
inline constexpr const char* kHowToPlayNotice = "This game is run by Gorvath, the Tumbleroo host program.";
inline constexpr const char* kJoinConfirmation = "You are on the List.";
inline constexpr const char* kRestoreQuestion = "Are you sure you wish to restore the saved game info?";

Script AskForPlayersScript();                            // "Ask_For_$"
Script ReadListScript(const NameList& players);          // "Read List": header, then the sorted names in chunks
Script DrawScript(const std::string& name);              // "Pick a Player", after a draw
Script GiveCategoryScript(const std::string& category);  // "GIVE CATEGORY": 15 lines and 11 one-second waits
Script WinnerScript(const std::string& name);            // "Declare WINNER"
Script LoserScript(const std::string& name);             // "Declare LOSER"
Script RegCountdownScript();                             // "Reg Countdown"
Script HowToPlayScript();                                // "How To Play": 14 lines

// The chunks that "Read List" says after its header.
std::vector<std::string> ReadListChunks(const NameList& sortedNames);

}  // namespace host
