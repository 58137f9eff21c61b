// layout.cpp: unit conversions for windows declared in twips.
#include "common/layout.h"

namespace common {
namespace {

// value * dpi / divisor to the nearest integer, halves away from zero, without floating point.
int ScaleRounded(int value, int dpi, int divisor) {
    const long long product = static_cast<long long>(value) * dpi;
    const long long half = divisor / 2;
    const long long rounded = product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
    return static_cast<int>(rounded);
}

}  // namespace

int TwipsToPixels(int twips, int dpi) {
    return ScaleRounded(twips, dpi, 1440);
}

int PointsToPixels(int hundredthsOfPoint, int dpi) {
    return ScaleRounded(hundredthsOfPoint, dpi, 7200);
}

int CentreOffset(int screen, int window) {
    return (screen - window) / 2;
}

}  // namespace common
