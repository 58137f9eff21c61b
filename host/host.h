// host.h: the game host's commands, one function per button or menu item of the HostWindow. The window keeps
// only the busy state, the controls and the link: it implements HostIo over the link module, calls a command,
// and shows the Outcome.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/announcements.h"
#include "host/draw.h"
#include "host/file_store.h"
#include "host/game_files.h"
#include "host/player_lists.h"
#include "host/season.h"

namespace host {

// What the HostWindow shows of the round.
struct Round {
    std::string PlayerName;        // label `PlayerName`
    std::string SelectedCategory;  // text box `SelectedCategory`
    bool Command7 = false;         // "GIVE CATEGORY" shown
    bool Command6 = false;         // "Declare WINNER" shown
    bool Command8 = false;         // "Declare LOSER" shown
    bool operator==(const Round&) const = default;
};

class HostIo : public Speaker {
  public:
    // FetchAllText: writes the capture file afresh, or leaves none.
    virtual void FetchChat() = 0;
    // One pass of the event loop.
    virtual void Yield() = 0;
    // A monotonic clock in milliseconds, for pacing the yields of long scans.
    virtual std::uint64_t Milliseconds() = 0;
    // The round changed: write it to the label, the text box and the three round buttons.
    virtual void ShowRound(const Round& round) = 0;
};

using Problems = std::vector<std::string>;  // messages for the operator; whatever reported them went on

// How often "Get_Players" lets the event loop run while it scans the capture: often enough that the windows
// repaint and the maintenance window answers at once, rarely enough that a chat of tens of thousands of lines is
// not spent in the event loop.
inline constexpr std::uint64_t kIntakeYieldEveryMs = 10;

struct Outcome {
    bool focusDummy = true;  // give the focus to `Dummy` after leaving the busy state
    Problems problems;       // e.g. a save that failed; the command went on
    std::string summary;     // what it did, in sizes and counts only, for the support log: "3 new, 2 already listed"
};

// The support log's line of a finished command: "Get_Players: 2310 bytes of chat, 3 new, 2 already listed,
// 0 refused; 412 ms; 1 message". No names and no chat: the problems only by their number.
std::string CommandLogLine(std::string_view name, const Outcome& outcome, std::uint64_t ms, bool abandoned);

// One step of the HostWindow's start-up, named for the message when it fails.
struct StartUpStep {
    const char* what;  // "loading the macro titles"
    std::function<Problems()> run;
};

// Runs every step in order, each on its own: a step that throws is reported and the next one runs all the same,
// so that a bad file never keeps the link from opening. The problems of all steps, in order.
Problems RunStartUp(std::span<const StartUpStep> steps);

class Host {
  public:
    Host(HostIo& io, FileStore& files, Clock& clock, RandomSource& random, NameCollation less = LessIgnoringCase)
        : io_(io), files_(files), clock_(clock), random_(random), lists_(less) {}

    GameLists& Lists() { return lists_; }
    const Round& CurrentRound() const { return round_; }
    const NameList& CategoryList() const { return categories_; }
    const MacroTitles& Titles() const { return titles_; }

    // Where "Declare WINNER" and "Declare LOSER" record the round they judged; none: nothing is recorded.
    void SetRoundsStore(RoundsStore* store) { rounds_ = store; }

    // The operator typed into `SelectedCategory`.
    void SetSelectedCategory(std::string text) { round_.SelectedCategory = std::move(text); }

    // Start-up. A file too large to be a real one is not read, and reported.
    Problems LOAD_MACTITS();
    Problems LoadCategories();

    Outcome AskForPlayers();   // menu "Ask_For_$"
    Outcome GetPlayers();      // menu "Get_Players"
    Outcome ReadList();        // button "Read List"
    Outcome PickPlayer();      // button "Pick a Player"
    Outcome PickCategory();    // button "Pick Category"
    Outcome GiveCategory();    // button "GIVE CATEGORY"
    Outcome DeclareWinner();   // button "Declare WINNER"
    Outcome DeclareLoser();    // button "Declare LOSER"
    Outcome RegCountdown();    // button "Reg Countdown"
    Outcome HowToPlay();       // menu "How To Play"
    Outcome PlayMacro(int k);  // menu "Macro 1" to "Macro 9", k = 1..9
    // "Save" of the macro panel: stores the typed titles (see Titles()) and writes MACTITS.TXT.
    Outcome SaveMacroTitles(const MacroTitles& typed);
    // "Announce Top 5" of the Season window: the current season's leaders, from ROUNDS.CSV as it is now.
    Outcome AnnounceTopFive();
    // "Restore Players" after the operator answered Yes to kRestoreQuestion.
    Outcome RestorePlayers();

  private:
    void Save(Outcome& outcome);
    bool KeepPreviousGame(Outcome& outcome);
    void RecordRound(Outcome& outcome, const std::string& player, RecordKind result);

    HostIo& io_;
    FileStore& files_;
    Clock& clock_;
    RandomSource& random_;
    GameLists lists_;
    Round round_;
    NameList categories_;
    MacroTitles titles_ = ParseMacroTitles(std::nullopt);
    RoundsStore* rounds_ = nullptr;
    std::string givenCategory_;  // what "GIVE CATEGORY" last announced: the category of the round judged
    // GORVATH.SAV of an earlier run was restored, copied to GORVATH.BAK, or found missing or empty: saving may
    // overwrite it.
    bool previousGameKept_ = false;
};

}  // namespace host
