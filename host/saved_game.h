// saved_game.h: GORVATH.SAV, the saved PlayersList and WinnersList, written and read back.
#pragma once

#include <string>
#include <string_view>

#include "host/file_store.h"
#include "host/player_lists.h"

namespace host {

inline constexpr const char* kSaveFile = "GORVATH.SAV";
// The previous run's saved game, kept before this run first overwrites it (one generation).
inline constexpr const char* kBackupFile = "GORVATH.BAK";
// Two full lists of long names; a larger file is not a saved game of this program.
inline constexpr size_t kMaxSavedGameBytes = 16u << 20;
// The line between the players block and the winners block.
inline constexpr const char* kWinnersSectionLine = "List2";

// The file content for the two lists.
std::string FormatSavedGame(const GameLists& lists);
// Replaces PlayersList and WinnersList by the content; WaitList is left alone.
void ParseSavedGame(std::string_view content, GameLists& lists);

// SaveGame writes GORVATH.SAV in one step; a failure leaves the previous file and is returned, not thrown.
WriteResult SaveGame(FileStore& files, const GameLists& lists);
// RestoreGame empties both lists, then reloads them from GORVATH.SAV; a missing file leaves them empty. A file
// larger than kMaxSavedGameBytes is not read and leaves the lists as they were.
ReadStatus RestoreGame(FileStore& files, GameLists& lists);

}  // namespace host
