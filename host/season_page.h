// season_page.h: SEASON.HTM, the season's standings as one self-contained web page (no script, no file beside it):
// the table of every player and an inline SVG bar chart of wins. Portable.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "host/season.h"

namespace host {

inline constexpr char kSeasonPageFile[] = "SEASON.HTM";
// The bar chart shows at most this many players, the top of the table.
inline constexpr size_t kChartPlayers = 20;

// Turns the game's 8-bit text (the system's code page) into UTF-8, the page's character set.
using ToUtf8 = std::function<std::string(std::string_view)>;
// ISO 8859-1 to UTF-8: the stand-in for the system's code page where there is none (tests, other platforms).
std::string Latin1ToUtf8(std::string_view text);

// UTF-8 text as HTML text or attribute value: & < > " ' as references, control characters as U+FFFD.
std::string EscapeHtml(std::string_view utf8);

// The whole page, in UTF-8.
std::string SeasonPage(const SeasonStandings& standings, const ToUtf8& toUtf8);

}  // namespace host
