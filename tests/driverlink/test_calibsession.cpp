// The calibration handshake without a window: the utility's session and the
// driver stand-in's own calibration core take turns on one block in memory,
// with time simulated, so every rule of the handshake is seen in process.
#include <gtest/gtest.h>
#include <poll.h>

#include <cstring>
#include <string>
#include <vector>

#include "calibdriver.h"
#include "devicerecord.h"
#include "driverlink/blockaccess.h"
#include "driverlink/calibscreen.h"
#include "driverlink/calibsession.h"
#include "driverlink/calibwatch.h"

namespace {

using driveropts::CoefficientField;

// A run as the calibration window carries it out: a target shown when the
// session says so, the time-out started again on progress, the run given up
// after kCalibTimeoutMs without progress.
struct SimulatedRun {
    std::vector<int> shown;      // targets in the order they were shown
    std::vector<bool> restarts;  // whether each showing restarted the time-out
    bool finished = false;
    bool timedOut = false;
    bool coefficientsReady = false;
};

class CalibSession : public ::testing::Test {
protected:
    void SetUp() override {
        std::memset(&block, 0, sizeof block);
        block.screenWidth = 1024;
        block.screenHeight = 768;
        std::memset(&record, 0, sizeof record);
        record.screenNo = 0;
        record.sampling = 3;
        record.borderRatio = 0.05f;
    }

    SimulatedRun Run(CalibMode mode, int points, HostileKind hostile = HostileKind::kNone,
                     double limitMs = 60000) {
        block.calibPointsNum = static_cast<uint8_t>(points);
        CalibDriver driver(&block, mode, hostile, 30,
                           [this](const std::string& line) { driverLog.push_back(line); });
        SimulatedRun run;
        BeginCalibRun(&block, record, 1024, 768);
        run.shown.push_back(1);  // the first target comes with the window
        run.restarts.push_back(true);
        HandTargetToDriver(&block);
        double lastProgress = 0;
        for (double now = 0; now < limitMs; now += 1) {
            driver.Poll(now);
            const CalibPoll poll = PollCalibRun(&block);
            if (poll.kind == CalibPoll::kFinished) {
                run.finished = true;
                run.coefficientsReady = CalibCoefficientsReady(&block);
                return run;
            }
            if (poll.kind == CalibPoll::kShowTarget) {
                run.shown.push_back(poll.point);
                run.restarts.push_back(poll.restartTimeout);
                HandTargetToDriver(&block);
                if (poll.restartTimeout) {
                    lastProgress = now;
                }
            }
            if (now - lastProgress >= kCalibTimeoutMs) {
                TimeOutCalibRun(&block);
                run.timedOut = true;
                return run;
            }
        }
        return run;
    }

    // Values no driver computes, to see what a run replaced.
    void FillSentinels() {
        for (const auto& family : driveropts::kCoefficientFamilies) {
            int32_t* values = CoefficientValues(&record, family.field);
            for (int n = 0; n < family.size; ++n) {
                values[n] = 1000000 + static_cast<int32_t>(family.field) * 1000 + n;
            }
        }
    }

    // How many entries of the family still hold their sentinel.
    int Untouched(CoefficientField field) {
        const int32_t* values = CoefficientValues(&record, field);
        int count = 0;
        for (int n = 0; n < driveropts::FamilyOf(field).size; ++n) {
            count += values[n] == 1000000 + static_cast<int32_t>(field) * 1000 + n;
        }
        return count;
    }

    DriverSharedBlock block;
    DeviceRecord record;
    std::vector<std::string> driverLog;
};

TEST_F(CalibSession, BeginWritesTheFrameAndLeavesThePointCount) {
    block.calibPointsNum = 25;
    block.coeffReady = 1;
    record.screenNo = 2;
    record.sampling = 9;
    record.borderRatio = 0.07f;
    BeginCalibRun(&block, record, 1024, 768);
    EXPECT_EQ(block.calPoint, 1);
    EXPECT_EQ(block.screenNo, 2);
    EXPECT_EQ(block.sampling, 9);
    EXPECT_EQ(block.borderRatio, 0.07f);
    EXPECT_EQ(block.coeffReady, 0);
    EXPECT_EQ(block.calibPointsNum, 25);
    EXPECT_EQ(block.calState, kCalIdle);  // the driver may act only once a target is shown
    HandTargetToDriver(&block);
    EXPECT_EQ(block.calState, kCalWaiting);
}

class SessionCompleteRun : public CalibSession, public ::testing::WithParamInterface<int> {};

TEST_P(SessionCompleteRun, ShowsEveryTargetInOrderAndTakesTheFamiliesInUse) {
    const int points = GetParam();
    FillSentinels();
    const SimulatedRun run = Run(CalibMode::kAuto, points);
    ASSERT_TRUE(run.finished);
    ASSERT_FALSE(run.timedOut);
    std::vector<int> expected;
    for (int n = 1; n <= points; ++n) {
        expected.push_back(n);
    }
    EXPECT_EQ(run.shown, expected);
    EXPECT_EQ(block.calState, kCalIdle);
    EXPECT_EQ(block.calPoint, 0);
    EXPECT_TRUE(CalibRunCompleted(&block));
    ASSERT_TRUE(run.coefficientsReady);

    TakeCalibCoefficients(&block, &record);
    EXPECT_EQ(block.coeffReady, 0);
    const int used = points == 4 ? 8 : points == 9 ? 32 : 128;
    EXPECT_EQ(std::memcmp(record.coefficient, block.coefficient, used * sizeof(int32_t)), 0);
    EXPECT_EQ(Untouched(CoefficientField::kCoefficient), 128 - used);
    EXPECT_EQ(std::memcmp(record.coefficient4p, block.coefficient4p, sizeof block.coefficient4p),
              0);
    EXPECT_EQ(std::memcmp(record.coefficientRevise, block.coefficientRevise,
                          sizeof block.coefficientRevise),
              0);
    EXPECT_EQ(Untouched(CoefficientField::kCal9Base), points == 4 ? 2 : 0);
    EXPECT_EQ(Untouched(CoefficientField::kCal25Base), points == 25 ? 0 : 4);
}

INSTANTIATE_TEST_SUITE_P(Points, SessionCompleteRun, ::testing::Values(4, 9, 25));

TEST_F(CalibSession, InvalidCoefficientsFinishTheRunWithoutOfferingThem) {
    const SimulatedRun run = Run(CalibMode::kInvalid, 9);
    EXPECT_TRUE(run.finished);
    EXPECT_FALSE(run.coefficientsReady);
    EXPECT_TRUE(CalibRunCompleted(&block));
}

TEST_F(CalibSession, DriverThatDoesNotAdvanceGetsTheSameTargetAndRestartsTheTimeOut) {
    const SimulatedRun run = Run(CalibMode::kNoAdvance, 9, HostileKind::kNone, 1000);
    ASSERT_GT(run.shown.size(), 5u);
    for (size_t i = 0; i < run.shown.size(); ++i) {
        EXPECT_EQ(run.shown[i], 1) << i;
        EXPECT_TRUE(run.restarts[i]) << i;
    }
    EXPECT_FALSE(run.finished);
    EXPECT_FALSE(run.timedOut);
}

TEST_F(CalibSession, SilentDriverTimesOutAndTheRunIsUnfinished) {
    const SimulatedRun run = Run(CalibMode::kSilent, 9);
    EXPECT_TRUE(run.timedOut);
    EXPECT_EQ(run.shown, std::vector<int>{1});
    EXPECT_EQ(block.calState, kCalIdle);
    EXPECT_EQ(block.calPoint, 1);
    EXPECT_FALSE(CalibRunCompleted(&block));
}

TEST_F(CalibSession, TargetNumbersBelowOneAreNoProgress) {
    const SimulatedRun run = Run(CalibMode::kAuto, 9, HostileKind::kCalPointNegative);
    ASSERT_GE(run.shown.size(), 2u);
    EXPECT_EQ(run.shown[1], -5);
    EXPECT_FALSE(run.restarts[1]);
    // The driver keeps answering -5; only the time-out ends the run.
    EXPECT_TRUE(run.timedOut);
    EXPECT_FALSE(CalibRunCompleted(&block));
}

TEST_F(CalibSession, TargetNumberAboveTheCountEndsTheRun) {
    const SimulatedRun run = Run(CalibMode::kAuto, 9, HostileKind::kCalPointHuge);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.shown, std::vector<int>{1});
    EXPECT_EQ(block.calPoint, 0);
}

TEST_F(CalibSession, UnknownCountAtTheEndTakesEveryFamilyWhole) {
    FillSentinels();
    block.calibPointsNum = 7;
    for (int n = 0; n < 128; ++n) {
        block.coefficient[n] = n;
    }
    block.cal25Base[3] = 42;
    block.coeffReady = 1;
    TakeCalibCoefficients(&block, &record);
    EXPECT_EQ(Untouched(CoefficientField::kCoefficient), 0);
    EXPECT_EQ(record.coefficient[127], 127);
    EXPECT_EQ(record.cal25Base[3], 42);
}

// The watcher thread that waits for the driver in place of a main-loop
// timer: it reports each answer once, misses none that comes while the main
// loop is still busy with the last one, and stops cleanly.
bool Readable(int fd, int waitMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, waitMs) == 1 && (p.revents & POLLIN) != 0;
}

TEST(CalibWatcherThread, ReportsEachAnswerOnceAndNoneIsMissed) {
    DriverSharedBlock block;
    std::memset(&block, 0, sizeof block);
    block.calibPointsNum = 9;
    block.calPoint = 1;
    HandTargetToDriver(&block);

    CalibWatcher watcher;
    ASSERT_TRUE(watcher.Start(&block, 1));
    EXPECT_FALSE(Readable(watcher.WakeFd(), 30)) << "reported before the driver answered";

    block.calPoint = 2;
    StoreRelease(block.calState, kCalTaken);  // the driver took target 1
    ASSERT_TRUE(Readable(watcher.WakeFd(), 5000));
    // The main loop takes the answer up and shows the next target.
    ASSERT_EQ(PollCalibRun(&block).kind, CalibPoll::kShowTarget);
    HandTargetToDriver(&block);
    watcher.Rearm();
    EXPECT_FALSE(Readable(watcher.WakeFd(), 30)) << "one answer reported twice";

    // An answer that comes before the main loop re-arms is reported after.
    StoreRelease(block.calState, kCalTaken);
    EXPECT_TRUE(Readable(watcher.WakeFd(), 5000));
    HandTargetToDriver(&block);
    StoreRelease(block.calState, kCalTaken);
    watcher.Rearm();
    EXPECT_TRUE(Readable(watcher.WakeFd(), 5000)) << "an answer was missed";

    watcher.Stop();
    EXPECT_EQ(watcher.WakeFd(), -1);
    watcher.Stop();
}

// Which X screen shows a record's targets, and the connection that reaches it.
TEST(CalibScreen, TargetsGoToTheRecordsScreenOrNowhere) {
    struct Case {
        int record, display, serverScreens;
        CalibScreenKind kind;
    };
    const Case cases[] = {
        {0, 0, 1, CalibScreenKind::kOwn},     {1, 1, 2, CalibScreenKind::kOwn},
        {1, 0, 2, CalibScreenKind::kOther},   {0, 1, 2, CalibScreenKind::kOther},
        {1, 0, 1, CalibScreenKind::kRefuse},  {2, 0, 2, CalibScreenKind::kRefuse},
        {-1, 0, 2, CalibScreenKind::kRefuse},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlanCalibScreen(c.record, c.display, c.serverScreens), c.kind)
            << c.record << " on " << c.display << " of " << c.serverScreens;
    }
}

TEST(CalibScreen, DisplayNameOfAnotherScreenOfTheSameServer) {
    EXPECT_EQ(DisplayNameForScreen(":0", 1), ":0.1");
    EXPECT_EQ(DisplayNameForScreen(":0.0", 1), ":0.1");
    EXPECT_EQ(DisplayNameForScreen(":12.1", 0), ":12.0");
    EXPECT_EQ(DisplayNameForScreen("panel1:3.0", 2), "panel1:3.2");
    // The host part may hold dots; the screen is after the last ":".
    EXPECT_EQ(DisplayNameForScreen("10.0.0.5:0", 1), "10.0.0.5:0.1");
    EXPECT_EQ(DisplayNameForScreen("[::1]:4.0", 1), "[::1]:4.1");
    EXPECT_EQ(DisplayNameForScreen("no-display", 1), "");
    EXPECT_EQ(DisplayNameForScreen(nullptr, 1), "");
    EXPECT_EQ(DisplayNameForScreen(":0", -1), "");
}

}  // namespace
