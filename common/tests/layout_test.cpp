// Twips and points to pixels at the usual resolutions, and centring.
#include "common/layout.h"

#include <gtest/gtest.h>

namespace {

TEST(Layout, Conversions) {
    struct Row {
        int value, dpi, twipsPixels, pointPixels;
    };
    const Row rows[] = {
        // value is twips for the first column and hundredths of a point for the second
        {4410, 96, 294, 59},   {2160, 96, 144, 29},   {825, 96, 55, 11},   {825, 120, 69, 14},
        {375, 96, 25, 5},       {375, 120, 31, 6},      {7, 96, 0, 0},       {8, 96, 1, 0},
        {-8, 96, -1, 0},        {1440, 144, 144, 29},   {0, 120, 0, 0},      {1350, 96, 90, 18},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(common::TwipsToPixels(r.value, r.dpi), r.twipsPixels) << r.value << "@" << r.dpi;
        EXPECT_EQ(common::PointsToPixels(r.value, r.dpi), r.pointPixels) << r.value << "@" << r.dpi;
    }
}

TEST(Layout, CentreOffsetDropsTheRemainder) {
    EXPECT_EQ(common::CentreOffset(1024, 300), 362);
    EXPECT_EQ(common::CentreOffset(1025, 300), 362);
    EXPECT_EQ(common::CentreOffset(300, 301), 0);  // -1 / 2 truncates toward zero
    EXPECT_EQ(common::CentreOffset(300, 304), -2);
}

}  // namespace
