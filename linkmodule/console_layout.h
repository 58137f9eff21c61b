// console_layout.h: the link console window ZM_DDE as plain data: caption, client size and control table.
#pragma once

#include <span>

#include "common/layout.h"
#include "linkmodule/console_ids.h"

namespace linkmodule {

inline constexpr char kConsoleCaption[] = "ZM DDE COMMUNICATION";
inline constexpr char kConsoleClassName[] = "ZM_DDE";
inline constexpr int kConsoleClientWidthTwips = 5430;
inline constexpr int kConsoleClientHeightTwips = 2520;
inline constexpr int kConsoleFontHundredthsOfPoint = 825;  // MS Sans Serif 8.25 pt, bold

std::span<const common::ControlSpec> ConsoleControls();

}  // namespace linkmodule
