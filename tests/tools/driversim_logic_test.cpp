// The driver stand-in's logic without X or a real segment: the fit, the
// handshake on a block in memory, and the communication-test pattern.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "calibdriver.h"
#include "calibfit.h"
#include "commpattern.h"
#include "driverlink/calibtargets.h"
#include "handshaketimer.h"
#include "panelmodel.h"

namespace {

double Fixed(int32_t v) { return v / kFixedOne; }

// Evaluates one bilinear patch of 8 Q16.16 values at raw (rx, ry).
void EvalBilinear(const int32_t* c, double rx, double ry, double* x, double* y) {
    double u = rx / kRawFullScale, v = ry / kRawFullScale;
    *x = Fixed(c[0]) + Fixed(c[1]) * u + Fixed(c[2]) * v + Fixed(c[3]) * u * v;
    *y = Fixed(c[4]) + Fixed(c[5]) * u + Fixed(c[6]) * v + Fixed(c[7]) * u * v;
}

TEST(CalibFit, LeastSquaresRecoversAKnownAffineMapping) {
    // screen = A * raw/4096 + b, sampled at ten scattered raw points.
    const double a[6] = {-12.5, 1100.0, 35.0, 790.0, -20.0, -850.0};
    std::vector<CalibTouch> touches;
    for (int i = 0; i < 10; ++i) {
        CalibTouch t;
        t.rawX = 200 + (i * 977) % 3700;
        t.rawY = 150 + (i * 1531) % 3800;
        double u = t.rawX / kRawFullScale, v = t.rawY / kRawFullScale;
        t.targetX = a[0] + a[1] * u + a[2] * v;
        t.targetY = a[3] + a[4] * u + a[5] * v;
        touches.push_back(t);
    }
    double fit[6];
    ASSERT_TRUE(FitAffine(touches, fit));
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(fit[i], a[i], 1e-6) << i;
    }
    // Noise in the touches: the fit is the least-squares one, so adding
    // symmetric noise around the mapping leaves it close.
    for (size_t i = 0; i < touches.size(); ++i) {
        touches[i].targetX += (i % 2 == 0) ? 1.5 : -1.5;
    }
    ASSERT_TRUE(FitAffine(touches, fit));
    EXPECT_NEAR(fit[1], a[1], 5.0);
    EXPECT_NEAR(fit[4], a[4], 1e-6);
}

TEST(CalibFit, DegenerateTouchesHaveNoFit) {
    std::vector<CalibTouch> line;
    for (int i = 0; i < 5; ++i) {
        line.push_back(CalibTouch{double(i * 100), double(i * 80), double(300 + i * 500),
                                  double(200 + i * 400)});
    }
    double fit[8];
    EXPECT_FALSE(FitAffine(line, fit));
    EXPECT_FALSE(FitBilinear({line[0], line[1], line[2]}, fit));  // fewer points than terms
}

TEST(CalibFit, FixedPointRoundsAndSaturates) {
    int32_t v = 0;
    EXPECT_TRUE(ToFixed(1.5, &v));
    EXPECT_EQ(v, 98304);
    EXPECT_TRUE(ToFixed(-0.25, &v));
    EXPECT_EQ(v, -16384);
    EXPECT_FALSE(ToFixed(40000.0, &v));
    EXPECT_EQ(v, INT32_MAX);
    EXPECT_FALSE(ToFixed(-40000.0, &v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_FALSE(ToFixed(std::nan(""), &v));
}

// Touches as the stand-in's panel reports them for each target.
std::vector<CalibTouch> PanelTouches(int count, int w, int h, bool withError) {
    std::vector<CalibTouch> touches;
    for (int k = 1; k <= count; ++k) {
        int x = 0, y = 0;
        EXPECT_TRUE(CalibTargetPosition(k, count, 0.05f, w, h, &x, &y));
        int dx = 0, dy = 0;
        if (withError)
            AutoTouchError(k, &dx, &dy);
        RawPoint raw = ScreenToRaw(x + dx, y + dy, w, h);
        touches.push_back(CalibTouch{double(x), double(y), double(raw.x), double(raw.y)});
    }
    return touches;
}

TEST(CalibFit, EveryCellPatchPassesThroughItsCorners) {
    for (int count : {4, 9, 25}) {
        SCOPED_TRACE(count);
        const int side = count == 4 ? 2 : count == 9 ? 3 : 5;
        auto touches = PanelTouches(count, 1024, 768, true);
        CalibCoefficients c = ComputeCalibration(touches, count, 1024, 768);
        EXPECT_TRUE(c.valid);
        EXPECT_LT(c.rmsPixels, 4.5);  // the automatic error is at most 3 px each way
        for (int r = 0; r + 1 < side; ++r) {
            for (int col = 0; col + 1 < side; ++col) {
                const int32_t* patch = &c.coefficient[(r * (side - 1) + col) * 8];
                for (int corner : {r * side + col, (r + 1) * side + col + 1}) {
                    double x, y;
                    EvalBilinear(patch, touches[corner].rawX, touches[corner].rawY, &x, &y);
                    EXPECT_NEAR(x, touches[corner].targetX, 0.05);
                    EXPECT_NEAR(y, touches[corner].targetY, 0.05);
                }
            }
        }
        // The four-point set goes through the outer corners.
        double x, y;
        EvalBilinear(c.coefficient4p, touches[count - 1].rawX, touches[count - 1].rawY, &x, &y);
        EXPECT_NEAR(x, touches[count - 1].targetX, 0.05);
        EXPECT_EQ(c.coefficientRevise[8], count);
        EXPECT_EQ(c.coefficientRevise[9], 4096);
    }
}

TEST(CalibFit, BasesAreTheRawCellBoundaries) {
    auto touches = PanelTouches(25, 1024, 768, false);
    CalibCoefficients c = ComputeCalibration(touches, 25, 1024, 768);
    EXPECT_NEAR(c.cal9Base[0], ScreenToRaw(512, 384, 1024, 768).x, 12);
    EXPECT_NEAR(c.cal9Base[1], ScreenToRaw(512, 384, 1024, 768).y, 12);
    EXPECT_NEAR(c.cal25Base[0], ScreenToRaw(256, 192, 1024, 768).x, 12);
    EXPECT_NEAR(c.cal25Base[3], ScreenToRaw(768, 576, 1024, 768).y, 12);
}

TEST(CalibFit, InconsistentTouchesAreNotValid) {
    auto touches = PanelTouches(9, 1024, 768, false);
    std::swap(touches[0].rawX, touches[8].rawX);  // a touch far from its target
    EXPECT_FALSE(ComputeCalibration(touches, 9, 1024, 768).valid);
    EXPECT_FALSE(ComputeCalibration(PanelTouches(4, 1024, 768, false), 9, 1024, 768).valid);
}

// The handshake driven on a block in ordinary memory, the test playing the
// utility.
class Handshake : public ::testing::Test {
protected:
    void SetUp() override {
        block = std::make_unique<DriverSharedBlock>();
        memset(block.get(), 0, sizeof *block);
        block->screenWidth = 1024;
        block->screenHeight = 768;
        block->borderRatio = 0.05f;
    }
    CalibDriver Make(CalibMode mode, HostileKind hostile = HostileKind::kNone) {
        return CalibDriver(block.get(), mode, hostile, 100,
                           [this](const std::string& line) { log += line + "\n"; });
    }
    void StartRun(int count) {
        block->calibPointsNum = static_cast<uint8_t>(count);
        block->calPoint = 1;
        block->coeffReady = 0;
        block->calState = 1;
    }
    std::unique_ptr<DriverSharedBlock> block;
    std::string log;
};

TEST_F(Handshake, AutoRunAnswersEachTargetThenStoresValidCoefficients) {
    CalibDriver driver = Make(CalibMode::kAuto);
    StartRun(9);
    double now = 0;
    for (int k = 1; k <= 9; ++k) {
        driver.Poll(now);
        EXPECT_EQ(block->calState, 1) << "answered before the delay, target " << k;
        now += 100;
        driver.Poll(now);
        ASSERT_EQ(block->calState, 2) << k;
        ASSERT_EQ(block->calPoint, k + 1);
        if (k < 9) {
            EXPECT_TRUE(driver.AwaitingUtility());
            now += 2;
            block->calState = 1;  // the utility shows the next target
        }
    }
    EXPECT_EQ(block->coeffReady, 1);
    EXPECT_NE(block->coefficient[31], 0);
    EXPECT_EQ(block->coefficient[32], 0);  // only 32 values belong to 9 points
    EXPECT_NE(block->cal9Base[0], 0);
    EXPECT_EQ(block->cal25Base[0], 0);
    EXPECT_EQ(driver.Timer().Count(), 8u);
    EXPECT_NEAR(driver.Timer().MedianMs(), 2.0, 1e-9);
    EXPECT_NE(log.find("calib done points=9 valid=1 coeffReady=1"), std::string::npos) << log;
}

TEST_F(Handshake, InvalidModeFinishesWithoutCoeffReady) {
    CalibDriver driver = Make(CalibMode::kInvalid);
    StartRun(4);
    double now = 0;
    for (int k = 1; k <= 4; ++k) {
        driver.Poll(now);
        driver.Poll(now += 150);
        ASSERT_EQ(block->calState, 2);
        block->calState = 1;
    }
    EXPECT_EQ(block->calPoint, 5);
    EXPECT_EQ(block->coeffReady, 0);
    EXPECT_NE(block->coefficient4p[1], 0);  // computed all the same
}

TEST_F(Handshake, SilentAndPointerModesWaitForATouch) {
    CalibDriver silent = Make(CalibMode::kSilent);
    StartRun(4);
    silent.Poll(0);
    silent.Poll(60000);
    EXPECT_EQ(block->calState, 1);

    CalibDriver pointer = Make(CalibMode::kPointer);
    pointer.SetMinTouchDelay(250);
    pointer.Poll(0);
    pointer.Touch(51, 38, 100);  // the click that opened the window
    EXPECT_EQ(block->calState, 1);
    pointer.Touch(52, 40, 400);
    EXPECT_EQ(block->calState, 2);
    EXPECT_EQ(block->calPoint, 2);
}

TEST_F(Handshake, NoAdvanceAnswersWithTheSamePoint) {
    CalibDriver driver = Make(CalibMode::kNoAdvance);
    StartRun(4);
    driver.Poll(0);
    driver.Poll(200);
    EXPECT_EQ(block->calState, 2);
    EXPECT_EQ(block->calPoint, 1);
    block->calState = 1;  // same target shown again
    driver.Poll(201);
    driver.Poll(400);
    EXPECT_EQ(block->calState, 2);
    EXPECT_EQ(block->calPoint, 1);
    EXPECT_EQ(driver.Timer().Count(), 1u);
}

TEST_F(Handshake, UtilityTimeOutCancelsAndANewRunStartsAfresh) {
    CalibDriver driver = Make(CalibMode::kAuto);
    StartRun(4);
    driver.Poll(0);
    driver.Poll(100);
    block->calState = 1;
    driver.Poll(101);
    block->calState = 0;  // time-out at target 2
    driver.Poll(150);
    EXPECT_NE(log.find("calib cancelled point=2"), std::string::npos) << log;
    driver.Poll(10000);
    EXPECT_EQ(block->calState, 0);

    StartRun(4);
    double now = 20000;
    for (int k = 1; k <= 4; ++k) {
        driver.Poll(now);
        driver.Poll(now += 100);
        ASSERT_EQ(block->calState, 2);
        block->calState = 1;
    }
    EXPECT_EQ(block->coeffReady, 1);
}

TEST_F(Handshake, RefusesAPointCountItDoesNotKnow) {
    CalibDriver driver = Make(CalibMode::kAuto);
    StartRun(7);
    driver.Poll(0);
    driver.Poll(500);
    EXPECT_EQ(block->calState, 1);
    EXPECT_NE(log.find("calib refused point=1 points=7"), std::string::npos);
}

TEST_F(Handshake, HostileModesWriteOutOfRangeValues) {
    struct Case {
        HostileKind kind;
        int calState, calPoint, points;
    } cases[] = {
        {HostileKind::kCalPointNegative, 2, -5, 4}, {HostileKind::kCalPointHuge, 2, INT32_MAX, 4},
        {HostileKind::kPoints7, 2, 2, 7},           {HostileKind::kPoints255, 2, 2, 255},
        {HostileKind::kCalState3, 3, 2, 4},
    };
    for (const Case& c : cases) {
        SetUp();
        CalibDriver driver = Make(CalibMode::kAuto, c.kind);
        StartRun(4);
        driver.Poll(0);
        driver.Poll(100);
        EXPECT_EQ(block->calState, c.calState);
        EXPECT_EQ(block->calPoint, c.calPoint);
        EXPECT_EQ(block->calibPointsNum, c.points);
    }
}

TEST(HandshakeTimer, MedianAndWorst) {
    HandshakeTimer t;
    EXPECT_LT(t.Stop(5), 0);  // nothing running
    for (double ms : {4.0, 1.0, 9.0, 2.0}) {
        t.Start(100);
        t.Stop(100 + ms);
    }
    EXPECT_EQ(t.Count(), 4u);
    EXPECT_DOUBLE_EQ(t.MedianMs(), 3.0);
    EXPECT_DOUBLE_EQ(t.WorstMs(), 9.0);
}

TEST(CommPattern, RecordsAreDeterministicWithNegativesAndWaitForTheUtility) {
    CommRecord r0 = MakeCommRecord(0, false);
    EXPECT_EQ(r0.samples[0].x, 7);
    EXPECT_EQ(r0.samples[0].y, -5);
    EXPECT_EQ(r0.samples[1].x, 11);  // 211 - 200
    EXPECT_EQ(r0.samples[2].y, 314 - 150);
    bool negative = false;
    int64_t sum = 0;
    for (const CommSample& s : r0.samples) {
        negative = negative || s.x < 0 || s.y < 0;
        sum += s.x;
    }
    EXPECT_TRUE(negative);
    EXPECT_EQ(r0.resultX, sum / kCommSampleCount);
    EXPECT_NE(MakeCommRecord(1, false).samples[1].x, r0.samples[1].x);

    auto block = std::make_unique<DriverSharedBlock>();
    memset(block.get(), 0, sizeof *block);
    EXPECT_TRUE(OfferCommRecord(block.get(), r0));
    EXPECT_EQ(block->commDataReady, 1);
    EXPECT_EQ(block->commSamples[39].y, r0.samples[39].y);
    EXPECT_FALSE(OfferCommRecord(block.get(), MakeCommRecord(1, false)));
    EXPECT_EQ(block->commSamples[1].x, r0.samples[1].x);  // untouched while unread

    CommRecord extreme = MakeCommRecord(0, true);
    EXPECT_EQ(extreme.samples[0].x, INT32_MIN);
    EXPECT_EQ(extreme.samples[1].x, INT32_MAX);
}

}  // namespace
