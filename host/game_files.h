// game_files.h: the files the host reads at start-up or on request: categories (GORVATH.TXT), macro titles
// (MACTITS.TXT, also written) and macro texts (MACRO2.TXT to MACRO10.TXT).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "host/announcements.h"
#include "host/file_store.h"
#include "host/player_lists.h"

namespace host {

inline constexpr const char* kCategoryFile = "GORVATH.TXT";
inline constexpr const char* kMacroTitlesFile = "MACTITS.TXT";
inline constexpr int kMacroCount = 9;

// The most each reader takes, far above any real file: a larger one is refused with a message, not loaded whole.
inline constexpr size_t kMaxCategoryFileBytes = 4u << 20;  // 32767 categories of a hundred characters
inline constexpr size_t kMaxMacroTitlesBytes = 64u << 10;  // nine titles
inline constexpr size_t kMaxMacroFileBytes = 1u << 20;     // a macro says a handful of lines

using MacroTitles = std::array<std::string, kMacroCount>;  // index 0 is macro 1

// CategoryList from the content of GORVATH.TXT.
NameList ParseCategories(std::string_view content);

// The titles from the content of MACTITS.TXT (nullopt: no file): "Macro1" to "Macro9" where a line is missing.
MacroTitles ParseMacroTitles(const std::optional<std::string>& content);
// A title as it can be stored: line breaks (pasted into the box) become spaces.
std::string OneLineTitle(std::string_view typed);
// MACTITS.TXT for the titles: nine lines.
std::string FormatMacroTitles(const MacroTitles& titles);

// "MACRO2.TXT" for macro 1 up to "MACRO10.TXT" for macro 9.
std::string MacroFileName(int macro);
// The lines of a macro file to say, in order; empty lines say nothing.
Script MacroScript(std::string_view content);

}  // namespace host
