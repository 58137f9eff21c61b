// console_layout.h: the link console window ZM_DDE as plain data (caption, client size, controls in twips),
// and the twips and points conversions that turn it into pixels.
#pragma once

#include <span>

#include "linkmodule/console_ids.h"

namespace linkmodule {

enum class ControlKind { Label, TextBox, MultiLineTextBox, CheckBox, Button };

struct ControlSpec {
    int id;
    ControlKind kind;
    const char* name;  // the control's name in the module, or "" for a plain label
    const char* caption;
    int left, top, width, height;  // twips
};

inline constexpr char kConsoleCaption[] = "ZM DDE COMMUNICATION";
inline constexpr char kConsoleClassName[] = "ZM_DDE";
inline constexpr int kConsoleClientWidthTwips = 5430;
inline constexpr int kConsoleClientHeightTwips = 2520;
inline constexpr char kConsoleFontFace[] = "MS Sans Serif";
inline constexpr int kConsoleFontHundredthsOfPoint = 825;  // 8.25 pt, bold

std::span<const ControlSpec> ConsoleControls();

// Twips (1440 per inch) to pixels at `dpi`, to the nearest pixel, halves away from zero.
int TwipsToPixels(int twips, int dpi);
// A font size in hundredths of a point to a character height in pixels at `dpi`, nearest, halves away from zero.
int PointsToPixels(int hundredthsOfPoint, int dpi);

}  // namespace linkmodule
