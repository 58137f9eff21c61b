// font_fit.h: choosing a label's font size so that its whole text shows.
#pragma once

#include <functional>

namespace config {

// Label1 never goes below this, in hundredths of a point, and steps down by this much at a time.
inline constexpr int kSmallestLabelFont = 700;
inline constexpr int kLabelFontStep = 25;

// The first size of designed, designed - step, ... (never below smallest, which is tried last) at which
// fits(size) holds; smallest when none does. designed itself when it already fits or is not above smallest.
int FittingFontSize(int designed, int smallest, int step, const std::function<bool(int)>& fits);

}  // namespace config
