// host.cpp: the HostWindow's commands in their order of steps: saves, list changes, display and speech.
//
// The link yields while it speaks, and the PlayerMaintenanceWindow stays usable meanwhile, so a command may find
// the lists changed after any Say, Esp, Wait or Yield. Nothing here holds a reference into a list across those
// calls: names are copied, and each list access looks at the list as it is then.
#include "host/host.h"

#include <algorithm>

#include "host/intake.h"
#include "host/saved_game.h"
#include "host/text_lines.h"

namespace host {

namespace {

void AddProblem(Outcome& outcome, std::string message) {
    if (std::find(outcome.problems.begin(), outcome.problems.end(), message) == outcome.problems.end())
        outcome.problems.push_back(std::move(message));
}

}  // namespace

// A save that fails leaves the previous GORVATH.SAV whole; the operator is told once per command and the
// command carries on.
void Host::Save(Outcome& outcome) {
    const WriteResult r = SaveGame(files_, lists_);
    if (!r.ok) {
        AddProblem(outcome, std::string("The game could not be saved to ") + kSaveFile + " (" + r.error +
                                "). The previous saved game is kept and the game goes on.");
    }
}

void Host::LOAD_MACTITS() {
    titles_ = ParseMacroTitles(files_.Read(kMacroTitlesFile));
}

void Host::LoadCategories() {
    const auto content = files_.Read(kCategoryFile);
    categories_ = content ? ParseCategories(*content) : NameList();
}

Outcome Host::AskForPlayers() {
    Play(AskForPlayersScript(), io_);
    return {};
}

// Two passes over the capture, yielding once per line in each: the first counts the marker lines, the second
// takes the "$" senders after the last of them. Every new sender is appended and confirmed at once, in capture
// order; a missing capture adds nothing.
Outcome Host::GetPlayers() {
    Outcome outcome;
    Save(outcome);
    io_.FetchChat();
    if (const auto capture = files_.Read(kCaptureFile)) {
        const auto lines = SplitLines(*capture, LineEnds::kCrOrCrLf);
        int markers = 0;
        for (const auto& line : lines) {
            io_.Yield();
            if (IsMarkerLine(line))
                ++markers;
        }
        CaptureScanner scanner(markers);
        for (const auto& line : lines) {
            io_.Yield();
            const auto name = scanner.Take(line);
            if (name && TakeNewPlayer(lists_.PlayersList, *name) == JoinResult::kAdded)
                io_.Esp(*name, kJoinConfirmation);
        }
    }
    Save(outcome);
    return outcome;
}

Outcome Host::ReadList() {
    Outcome outcome;
    Save(outcome);
    Play(ReadListScript(lists_.PlayersList), io_);
    return outcome;
}

Outcome Host::PickPlayer() {
    Outcome outcome;
    Save(outcome);
    const DrawResult draw = DrawPlayer(lists_, clock_, random_);
    if (draw.status != DrawResult::Status::kDrawn) {
        outcome.focusDummy = false;
        return outcome;
    }
    round_.PlayerName = draw.name;
    round_.SelectedCategory.clear();
    io_.ShowRound(round_);
    Play(DrawScript(draw.name), io_);
    round_.Command7 = true;
    io_.ShowRound(round_);
    return outcome;
}

Outcome Host::PickCategory() {
    if (!categories_.Empty()) {
        const int k = ClockSeededPosition(categories_.Count(), clock_, random_);
        round_.SelectedCategory = categories_.At(k - 1);
        io_.ShowRound(round_);
    }
    return {};
}

Outcome Host::GiveCategory() {
    Outcome outcome;
    round_.SelectedCategory = TrimSpaces(round_.SelectedCategory);
    io_.ShowRound(round_);
    if (round_.SelectedCategory.empty()) {
        outcome.focusDummy = false;
        return outcome;
    }
    Save(outcome);
    Play(GiveCategoryScript(round_.SelectedCategory), io_);
    round_.Command7 = false;
    round_.Command6 = true;
    round_.Command8 = true;
    io_.ShowRound(round_);
    return outcome;
}

// A judging button can be reached with no player named: draw in the judging state, judge that player, then
// "GIVE CATEGORY" again with a typed category shows the judging buttons once more over an empty `PlayerName`.
// Judging nobody then records no empty entry (it would count as a winner in the draw's counts rule and vanish
// from the saved game) and says nothing; the round still ends.
Outcome Host::DeclareWinner() {
    Outcome outcome;
    Save(outcome);
    const std::string name = round_.PlayerName;
    if (!name.empty()) {
        if (!lists_.WinnersList.Add(name))
            AddProblem(outcome, "WinnersList is full; " + name + " was not added to it.");
        Play(WinnerScript(name), io_);
    }
    round_.PlayerName.clear();
    round_.Command6 = false;
    round_.Command8 = false;
    io_.ShowRound(round_);
    Save(outcome);
    return outcome;
}

Outcome Host::DeclareLoser() {
    Outcome outcome;
    Save(outcome);
    const std::string name = round_.PlayerName;
    if (!name.empty()) {
        if (!lists_.WaitList.Add(name))
            AddProblem(outcome, "WaitList is full; " + name + " was not added to it.");
        Play(LoserScript(name), io_);
    }
    round_.PlayerName.clear();
    round_.Command6 = false;
    round_.Command8 = false;
    io_.ShowRound(round_);
    return outcome;
}

Outcome Host::RegCountdown() {
    Outcome outcome;
    Save(outcome);
    Play(RegCountdownScript(), io_);
    return outcome;
}

Outcome Host::HowToPlay() {
    Play(HowToPlayScript(), io_);
    return {};
}

Outcome Host::PlayMacro(int k) {
    if (k >= 1 && k <= kMacroCount) {
        if (const auto content = files_.Read(MacroFileName(k)))
            Play(MacroScript(*content), io_);
    }
    return {};
}

// The new titles take effect in the menu even when MACTITS.TXT cannot be written; the operator is told that
// they will not survive a restart.
Outcome Host::SaveMacroTitles(const MacroTitles& typed) {
    Outcome outcome;
    outcome.focusDummy = false;
    for (size_t i = 0; i < titles_.size(); ++i)
        titles_[i] = OneLineTitle(typed[i]);
    const WriteResult r = files_.Replace(kMacroTitlesFile, FormatMacroTitles(titles_));
    if (!r.ok) {
        AddProblem(outcome, std::string("The macro titles could not be saved to ") + kMacroTitlesFile + " (" + r.error +
                                "). The menu shows them until the program ends.");
    }
    return outcome;
}

void Host::RestorePlayers() {
    RestoreGame(files_, lists_);
}

}  // namespace host
