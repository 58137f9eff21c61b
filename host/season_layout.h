// season_layout.h: the Season window ("Tumbleroo Season") as plain data: caption, size, its control table and the
// columns of its standings list. Portable, so that the native tests can check it.
#pragma once

#include "common/layout.h"
#include "host/host_ids.h"

namespace host {

inline constexpr char kSeasonCaption[] = "Tumbleroo Season";
inline constexpr char kSeasonClassName[] = "GorvathSeason";
inline constexpr int kSeasonClientWidthTwips = 7800;
inline constexpr int kSeasonClientHeightTwips = 5040;
inline constexpr int kSeasonFontHundredthsOfPoint = 825;  // MS Sans Serif 8.25 pt, bold, like the other windows

// The standings list, created by the window itself: it needs tab stops, which no kind of the shared tables has.
// Its rows are host::StandingRowText, one column per tab.
inline constexpr common::ControlSpec kSeasonList = {
    IDC_SEASON_LIST, common::ControlKind::ListBox, "", 120, 990, 7560, 3000};

// Table order after the list is the tab order: the four buttons, then the labels (which take no tab).
inline constexpr common::ControlSpec kSeasonControls[] = {
    // id, kind, caption, left, top, width, height (twips), flags
    {IDC_SEASON_ANNOUNCE, common::ControlKind::Button, "Announce Top 5", 120, 4140, 1770, 375},
    {IDC_SEASON_SAVEPAGE, common::ControlKind::Button, "Save Page", 2050, 4140, 1770, 375},
    {IDC_SEASON_VOID, common::ControlKind::Button, "Void Last Round", 3980, 4140, 1770, 375},
    {IDC_SEASON_NEW, common::ControlKind::Button, "New Season", 5910, 4140, 1770, 375},
    {IDC_SEASON_SUMMARY, common::ControlKind::Label, "", 120, 120, 7560, 255},
    {IDC_SEASON_UNREAD, common::ControlKind::Label, "", 120, 390, 7560, 255},
    {IDC_SEASON_HEADING0 + 0, common::ControlKind::Label, "Rank", 120, 720, 540, 255},
    {IDC_SEASON_HEADING0 + 1, common::ControlKind::Label, "Player", 660, 720, 2520, 255},
    {IDC_SEASON_HEADING0 + 2, common::ControlKind::Label, "Wins", 3180, 720, 600, 255},
    {IDC_SEASON_HEADING0 + 3, common::ControlKind::Label, "Rounds", 3780, 720, 780, 255},
    {IDC_SEASON_HEADING0 + 4, common::ControlKind::Label, "Win rate", 4560, 720, 900, 255},
    {IDC_SEASON_HEADING0 + 5, common::ControlKind::Label, "Last played", 5460, 720, 2220, 255},
    {IDC_SEASON_STATUS, common::ControlKind::Label, "", 120, 4620, 7560, 255},
};

// Where each column of the list starts, in twips from the window's left edge: the headings' lefts.
inline constexpr int kSeasonColumnLefts[] = {120, 660, 3180, 3780, 4560, 5460};

}  // namespace host
