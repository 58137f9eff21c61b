// host.cpp: the HostWindow's commands in their order of steps: saves, list changes, display and speech.
//
// The link yields while it speaks, and the PlayerMaintenanceWindow stays usable meanwhile, so a command may find
// the lists changed after any Say, Esp, Wait or Yield. Nothing here holds a reference into a list across those
// calls: names are copied, and each list access looks at the list as it is then.
#include "host/host.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "host/intake.h"
#include "host/saved_game.h"
#include "host/text_lines.h"

namespace host {

namespace {

void AddProblem(Problems& problems, std::string message) {
    if (std::find(problems.begin(), problems.end(), message) == problems.end())
        problems.push_back(std::move(message));
}

void AddProblem(Outcome& outcome, std::string message) {
    AddProblem(outcome.problems, std::move(message));
}

std::string SizeText(size_t bytes) {
    return bytes >= (1u << 20) ? std::to_string(bytes >> 20) + " MB" : std::to_string(bytes >> 10) + " KB";
}

// "GORVATH.TXT is larger than a category file can be (over 4 MB) and was not read; ..."
std::string TooLarge(const std::string& file, const char* limit, size_t cap, const char* consequence) {
    return file + " is larger than " + limit + " (over " + SizeText(cap) + ") and was not read; " + consequence;
}

// Yields once kIntakeYieldEveryMs have passed since the last yield. The time spent inside a yield (a click
// handled, a window repainted) does not count towards the next one.
class YieldPacer {
  public:
    explicit YieldPacer(HostIo& io) : io_(io), last_(io.Milliseconds()) {}
    void Step() {
        if (io_.Milliseconds() - last_ < kIntakeYieldEveryMs)
            return;
        io_.Yield();
        last_ = io_.Milliseconds();
    }

  private:
    HostIo& io_;
    std::uint64_t last_;
};

}  // namespace

std::string CommandLogLine(std::string_view name, const Outcome& outcome, std::uint64_t ms, bool abandoned) {
    std::string line(name);
    line += ": ";
    if (!outcome.summary.empty())
        line += outcome.summary + "; ";
    line += std::to_string(ms) + " ms";
    if (abandoned)
        line += "; abandoned: the program is ending";
    if (!outcome.problems.empty())
        line +=
            "; " + std::to_string(outcome.problems.size()) + (outcome.problems.size() == 1 ? " message" : " messages");
    return line;
}

Problems RunStartUp(std::span<const StartUpStep> steps) {
    Problems problems;
    for (const StartUpStep& step : steps) {
        std::optional<std::string> failure;
        try {
            for (auto& p : step.run())
                AddProblem(problems, std::move(p));
        } catch (const std::exception& e) {
            failure = e.what();
        } catch (...) {
            failure = "unknown failure";
        }
        if (failure) {
            AddProblem(problems,
                       std::string("Start-up went on after a failure while ") + step.what + " (" + *failure + ").");
        }
    }
    return problems;
}

// A save that fails leaves the previous GORVATH.SAV whole; the operator is told once per command and the
// command carries on.
void Host::Save(Outcome& outcome) {
    if (!previousGameKept_ && !KeepPreviousGame(outcome))
        return;
    const WriteResult r = SaveGame(files_, lists_);
    if (!r.ok) {
        AddProblem(outcome, std::string("The game could not be saved to ") + kSaveFile + " (" + r.error +
                                "). The previous saved game is kept and the game goes on.");
    }
}

// The lists start empty, so the first save of a run would replace the last game's GORVATH.SAV by empty lists
// when the operator did not choose "Restore Players" first. Before that first overwrite, a non-empty file is
// copied to GORVATH.BAK (the one before it is replaced; the format stays as it is). A copy that fails keeps
// GORVATH.SAV as it is and tells the operator; the next saving command tries again.
bool Host::KeepPreviousGame(Outcome& outcome) {
    const auto size = files_.Size(kSaveFile);
    if (size && *size > 0) {
        const WriteResult r = files_.Copy(kSaveFile, kBackupFile);
        if (!r.ok) {
            AddProblem(outcome, std::string("The last game's ") + kSaveFile + " could not be copied to " + kBackupFile +
                                    " (" + r.error + "), so it was not overwritten and this game is " +
                                    "not saved yet. Choose \"Restore Players\" to go on with the last game, or " +
                                    "make room for " + kBackupFile + ".");
            return false;
        }
    }
    previousGameKept_ = true;
    return true;
}

Problems Host::LOAD_MACTITS() {
    ReadResult read = files_.Read(kMacroTitlesFile, kMaxMacroTitlesBytes);
    if (read.status == ReadStatus::kTooLarge) {
        titles_ = ParseMacroTitles(std::nullopt);
        return {TooLarge(kMacroTitlesFile, "a macro title file can be", kMaxMacroTitlesBytes,
                         "the macros are called Macro1 to Macro9.")};
    }
    titles_ = ParseMacroTitles(UsableContent(std::move(read)));
    return {};
}

Problems Host::LoadCategories() {
    categories_ = NameList();
    ReadResult read = files_.Read(kCategoryFile, kMaxCategoryFileBytes);
    if (read.status == ReadStatus::kTooLarge) {
        return {TooLarge(kCategoryFile, "a category file can be", kMaxCategoryFileBytes,
                         "\"Pick Category\" has nothing to pick, but a category can still be typed.")};
    }
    if (const auto content = UsableContent(std::move(read)))
        categories_ = ParseCategories(*content);
    return {};
}

Outcome Host::AskForPlayers() {
    Play(AskForPlayersScript(), io_);
    return {};
}

// Two passes over the capture: the first counts the marker lines, the second takes the "$" senders after the last
// of them. Every new sender is appended and confirmed at once, in capture order. Both passes let the event loop
// run every kIntakeYieldEveryMs rather than after every line: a yield costs a fraction of a millisecond, which over
// a chat of 20,000 lines was seconds of a disabled window. A missing capture adds nothing and is reported: the
// world client gave no text, which the operator could not tell from a room where nobody asked to join.
// Under Wine a chat text above about 2.08 MB never arrives, by either method: DDEML fails the request itself (a
// bare DdeClientTransaction gets DMLERR_MEMORY_ERROR, see bench/intake_bench_win.cpp), so FetchAllText ends its
// five tries without a capture, and this is where the operator hears of it.
Outcome Host::GetPlayers() {
    Outcome outcome;
    Save(outcome);
    io_.FetchChat();
    ReadResult read = files_.Read(kCaptureFile, kMaxCaptureBytes);
    if (read.status == ReadStatus::kTooLarge) {
        AddProblem(outcome,
                   TooLarge("The chat text", "Get_Players can scan", kMaxCaptureBytes, "nobody was added from it."));
    } else if (read.status == ReadStatus::kMissing) {
        AddProblem(outcome, kNoChatText);
        outcome.summary = "no chat text";
    }
    int taken[3] = {};  // by JoinResult
    if (const auto capture = UsableContent(std::move(read))) {
        const auto lines = SplitLines(*capture, LineEnds::kCrOrCrLf);
        YieldPacer pacer(io_);
        int markers = 0;
        for (const auto& line : lines) {
            pacer.Step();
            if (IsMarkerLine(line))
                ++markers;
        }
        CaptureScanner scanner(markers);
        for (const auto& line : lines) {
            pacer.Step();
            const auto name = scanner.Take(line);
            if (!name)
                continue;
            const JoinResult joined = TakeNewPlayer(lists_.PlayersList, *name);
            ++taken[static_cast<int>(joined)];
            if (joined == JoinResult::kAdded)
                io_.Esp(*name, kJoinConfirmation);
        }
        outcome.summary = std::to_string(capture->size()) + " bytes of chat, " +
                          std::to_string(taken[static_cast<int>(JoinResult::kAdded)]) + " new, " +
                          std::to_string(taken[static_cast<int>(JoinResult::kAlreadyListed)]) + " already listed, " +
                          std::to_string(taken[static_cast<int>(JoinResult::kRefused)]) + " refused";
    }
    Save(outcome);
    return outcome;
}

Outcome Host::ReadList() {
    Outcome outcome;
    outcome.summary = std::to_string(lists_.PlayersList.Count()) + " players";
    Save(outcome);
    Play(ReadListScript(lists_.PlayersList), io_);
    return outcome;
}

Outcome Host::PickPlayer() {
    Outcome outcome;
    Save(outcome);
    const DrawResult draw = DrawPlayer(lists_, clock_, random_);
    outcome.summary = draw.status == DrawResult::Status::kDrawn ? "drawn in " + std::to_string(draw.passes) + " passes"
                                                                : std::string("nobody to draw");
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
    givenCategory_ = round_.SelectedCategory;
    Play(GiveCategoryScript(givenCategory_), io_);
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
    RecordRound(outcome, name, RecordKind::kWinner);
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
    RecordRound(outcome, name, RecordKind::kLoser);
    return outcome;
}

// The file is read afresh, so that what is said is what the file holds now, whatever the window showed. The game
// is neither saved nor changed.
Outcome Host::AnnounceTopFive() {
    Outcome outcome;
    if (!rounds_)
        return outcome;
    const SeasonRead read = ReadRounds(*rounds_);
    if (!read.book) {
        AddProblem(outcome, read.problem);
        return outcome;
    }
    const std::vector<std::string> lines = TopFiveLines(ComputeStandings(*read.book, lists_.WinnersList.Collation()));
    outcome.summary = std::to_string(lines.size()) + " lines";
    for (const std::string& line : lines)
        io_.Say(line);
    return outcome;
}

// The season's history gets the round once the game has done all of its own steps. A history that cannot be
// written never stops the game: the operator gets no message, the support log gets the reason (the summary).
void Host::RecordRound(Outcome& outcome, const std::string& player, RecordKind result) {
    if (!rounds_ || player.empty())
        return;
    WriteResult written;
    try {
        written = AppendRecord(*rounds_, SeasonRecord{"", 0, player, givenCategory_, result});
    } catch (const std::exception& e) {
        written = {false, e.what()};
    }
    outcome.summary =
        written.ok ? "round recorded in ROUNDS.CSV" : "round not recorded in ROUNDS.CSV: " + written.error;
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
    Outcome outcome;
    if (k < 1 || k > kMacroCount)
        return outcome;
    ReadResult read = files_.Read(MacroFileName(k), kMaxMacroFileBytes);
    if (read.status == ReadStatus::kTooLarge)
        AddProblem(outcome,
                   TooLarge(MacroFileName(k), "a macro file can be", kMaxMacroFileBytes, "the macro said nothing."));
    else if (const auto content = UsableContent(std::move(read)))
        Play(MacroScript(*content), io_);
    return outcome;
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

// A restored file is the game that goes on, so later saves may overwrite it without a copy.
Outcome Host::RestorePlayers() {
    Outcome outcome;
    const ReadStatus status = RestoreGame(files_, lists_);
    if (status == ReadStatus::kTooLarge) {
        AddProblem(outcome,
                   TooLarge(kSaveFile, "a saved game can be", kMaxSavedGameBytes, "the lists were left as they were."));
    } else if (status != ReadStatus::kMissing) {
        previousGameKept_ = true;
    }
    outcome.summary = status == ReadStatus::kMissing ? std::string("no saved game")
                                                     : std::to_string(lists_.PlayersList.Count()) + " players, " +
                                                           std::to_string(lists_.WinnersList.Count()) + " winners";
    return outcome;
}

}  // namespace host
