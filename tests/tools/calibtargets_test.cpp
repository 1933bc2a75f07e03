// Target placement against the published tables and the limits around them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "driverlink/calibtargets.h"

namespace {

using Points = std::vector<std::pair<int, int>>;

Points AllTargets(int count, float ratio, int width, int height) {
    Points out;
    for (int k = 1; k <= count; ++k) {
        int x = -1, y = -1;
        EXPECT_TRUE(CalibTargetPosition(k, count, ratio, width, height, &x, &y)) << k;
        out.emplace_back(x, y);
    }
    return out;
}

TEST(CalibTargets, FourPointsRunRowByRowFromTopLeft) {
    EXPECT_EQ(AllTargets(4, 0.05f, 1024, 768),
              (Points{{51, 38}, {973, 38}, {51, 730}, {973, 730}}));
}

TEST(CalibTargets, NinePointsOn800x600) {
    EXPECT_EQ(AllTargets(9, 0.05f, 800, 600), (Points{{40, 30},
                                                      {400, 30},
                                                      {760, 30},
                                                      {40, 300},
                                                      {400, 300},
                                                      {760, 300},
                                                      {40, 570},
                                                      {400, 570},
                                                      {760, 570}}));
}

TEST(CalibTargets, TwentyFivePointsUseQuarters) {
    const int xs[] = {51, 256, 512, 768, 973};
    const int ys[] = {38, 192, 384, 576, 730};
    Points expected;
    for (int y : ys) {
        for (int x : xs) {
            expected.emplace_back(x, y);
        }
    }
    EXPECT_EQ(AllTargets(25, 0.05f, 1024, 768), expected);
}

TEST(CalibTargets, InnerLinesTruncateOddSizes) {
    // 1023 / 4 = 255, 1023 / 2 = 511, 3069 / 4 = 767; 767 / 2 = 383.
    int x = 0, y = 0;
    ASSERT_TRUE(CalibTargetPosition(7, 25, 0.05f, 1023, 767, &x, &y));
    EXPECT_EQ(x, 255);
    EXPECT_EQ(y, 191);
    ASSERT_TRUE(CalibTargetPosition(9, 25, 0.05f, 1023, 767, &x, &y));
    EXPECT_EQ(x, 767);
    ASSERT_TRUE(CalibTargetPosition(5, 9, 0.05f, 1023, 767, &x, &y));
    EXPECT_EQ(x, 511);
    EXPECT_EQ(y, 383);
}

TEST(CalibTargets, SmallOrMissingRatioMeansOnePercent) {
    for (float r : {0.0f, 0.005f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
        EXPECT_EQ(AllTargets(4, r, 1024, 768), (Points{{10, 7}, {1014, 7}, {10, 761}, {1014, 761}}))
            << r;
    }
    // 1 % of 800 x 600 is 8 x 6 pixels: the float product, not 7.99999.
    EXPECT_EQ(AllTargets(4, 0.0f, 800, 600).front(), std::make_pair(8, 6));
}

TEST(CalibTargets, MarginIsTheFloatProductTruncated) {
    // 0.03f is a little below 0.03; in float 800 * 0.03f is 24 exactly.
    EXPECT_EQ(AllTargets(4, 0.03f, 800, 600).front(), std::make_pair(24, 18));
    // 1024 * 0.03 = 30.72, 768 * 0.03 = 23.04.
    EXPECT_EQ(AllTargets(4, 0.03f, 1024, 768).back(), std::make_pair(994, 745));
}

TEST(CalibTargets, RefusesUnknownCountsAndPointsOutsideTheRun) {
    int x = 123, y = 456;
    for (int count : {0, 1, 5, 7, 16, 255}) {
        EXPECT_FALSE(CalibTargetPosition(1, count, 0.05f, 1024, 768, &x, &y)) << count;
    }
    for (int point :
         {0, -5, 10, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        EXPECT_FALSE(CalibTargetPosition(point, 9, 0.05f, 1024, 768, &x, &y)) << point;
    }
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 456);
    EXPECT_TRUE(IsCalibPointCount(25));
    EXPECT_FALSE(IsCalibPointCount(16));
}

TEST(CalibTargets, AbsurdScreenValuesStayDefined) {
    // Block contents written by a broken driver must not overflow.
    const int big = std::numeric_limits<int>::max();
    int x = 0, y = 0;
    ASSERT_TRUE(CalibTargetPosition(25, 25, 1e30f, big, -big, &x, &y));
    ASSERT_TRUE(
        CalibTargetPosition(19, 25, std::numeric_limits<float>::infinity(), big, big, &x, &y));
    EXPECT_EQ(y, static_cast<int>((3LL * big) / 4));
    ASSERT_TRUE(CalibTargetPosition(1, 4, 0.05f, 0, 0, &x, &y));
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(0, 0));
}

// The window scale: X pixels to the toolkit's logical pixels.
TEST(CalibTargets, LogicalPixelsHoldTheTargetAtEveryScale) {
    // The marker's centre pixel is put at LogicalPixel(target): its square
    // of scale x scale X pixels must hold the target, for even and odd
    // targets, the far corners of 1024 x 768 and one pixel before them.
    for (int scale : {1, 2, 3}) {
        for (int target : {0, 1, 38, 51, 511, 512, 730, 767, 973, 1023}) {
            const int logical = LogicalPixel(target, scale);
            EXPECT_LE(logical * scale, target) << scale << " " << target;
            EXPECT_GT((logical + 1) * scale, target) << scale << " " << target;
        }
    }
    // Pixels left of the screen stay left of it.
    EXPECT_EQ(LogicalPixel(-1, 2), -1);
    EXPECT_EQ(LogicalPixel(-2, 2), -1);
    EXPECT_EQ(LogicalPixel(-3, 2), -2);
    // A scale the toolkit never reports counts as 1.
    EXPECT_EQ(LogicalPixel(51, 0), 51);
    EXPECT_EQ(LogicalPixel(51, -2), 51);
}

TEST(CalibTargets, LogicalExtentCoversTheWholeScreen) {
    EXPECT_EQ(LogicalExtent(1024, 1), 1024);
    EXPECT_EQ(LogicalExtent(1024, 2), 512);
    EXPECT_EQ(LogicalExtent(1023, 2), 512);  // the last X pixel is not left bare
    EXPECT_EQ(LogicalExtent(800, 3), 267);
    EXPECT_EQ(LogicalExtent(0, 2), 0);
    EXPECT_EQ(LogicalExtent(-3, 2), -1);
    const int big = std::numeric_limits<int>::max();
    EXPECT_EQ(LogicalExtent(big, 2), big / 2 + 1);
    EXPECT_EQ(LogicalExtent(std::numeric_limits<int>::min(), 2),
              std::numeric_limits<int>::min() / 2);
}

}  // namespace
