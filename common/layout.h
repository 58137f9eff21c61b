// layout.h: windows declared as plain data — controls placed in twips (1440 per inch) — and the conversions
// that turn twips and points into pixels. Portable, so that tests can inspect every window's table.
#pragma once

#include <cstdint>

namespace common {

enum class ControlKind {
    Button,
    Label,          // left-aligned static text
    CenteredLabel,  // centred static text on the system window colours
    TextBox,        // one-line edit box
    MultiLineTextBox,
    CheckBox,
    Frame,          // group box without caption: a panel that holds other controls
    ListBox,        // entries in the order they were added
    SortedListBox,  // entries kept in alphabetical order, ignoring case
};

// Control flags.
constexpr unsigned kHidden = 1u;        // created invisible
constexpr unsigned kNoTabStop = 2u;     // skipped by the Tab key
constexpr unsigned kReadOnly = 4u;      // text boxes only

struct ControlSpec {
    int id;
    ControlKind kind;
    const char* caption;
    int left, top, width, height;  // twips, relative to the parent's client area (or to the frame `parent`)
    unsigned flags = 0;
    int parent = 0;  // id of the Frame this control sits in, 0 for the window itself
};

// Twips to pixels at `dpi`, to the nearest pixel, halves away from zero (15 twips per pixel at 96 dpi).
int TwipsToPixels(int twips, int dpi);
// A font size in hundredths of a point to a character height in pixels at `dpi`, rounded the same way.
int PointsToPixels(int hundredthsOfPoint, int dpi);
// Left (or top) that centres a window on the screen: (screen - window) / 2, the remainder dropped.
int CentreOffset(int screen, int window);

}  // namespace common
