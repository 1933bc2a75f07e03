#include "calibdriver.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "driverlink/blockaccess.h"
#include "driverlink/calibtargets.h"
#include "panelmodel.h"

namespace {

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...) {
    char buffer[512];
    va_list args;
    va_start(args, fmt);
    vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    return buffer;
}

}  // namespace

std::string WriteHostileValue(DriverSharedBlock* block, HostileKind kind) {
    switch (kind) {
        case HostileKind::kCalPointNegative:
            Store(block->calPoint, -5);
            return "calPoint=-5";
        case HostileKind::kCalPointHuge:
            Store(block->calPoint, INT32_MAX);
            return "calPoint=2147483647";
        case HostileKind::kPoints0:
            Store(block->calibPointsNum, 0);
            return "calibPointsNum=0";
        case HostileKind::kPoints7:
            Store(block->calibPointsNum, 7);
            return "calibPointsNum=7";
        case HostileKind::kPoints255:
            Store(block->calibPointsNum, 255);
            return "calibPointsNum=255";
        case HostileKind::kCalState3:
            StoreRelease(block->calState, 3);
            return "calState=3";
        case HostileKind::kNone:
        case HostileKind::kSamplesExtreme:
            break;
    }
    return "";
}

CalibDriver::CalibDriver(DriverSharedBlock* block, CalibMode mode, HostileKind hostile,
                         double autoDelayMs, Printer print)
    : block_(block),
      mode_(mode),
      hostile_(hostile),
      autoDelayMs_(autoDelayMs),
      print_(std::move(print)) {}

double CalibDriver::MsUntilTouch(double nowMs) const {
    if (!armed_ || mode_ == CalibMode::kPointer || mode_ == CalibMode::kSilent) {
        return -1;
    }
    double left = armedAtMs_ + autoDelayMs_ - nowMs;
    return left > 0 ? left : 0;
}

void CalibDriver::Arm(int point, double nowMs, bool afterReply) {
    // Target 1 shown afresh starts a run; shown again after our answer it is
    // the same run (a driver that did not advance).
    if (point == 1 && !afterReply) {
        touches_.clear();
        print_(Format("calib start points=%d screen=%d size=%dx%d border=%.4f",
                      Load(block_->calibPointsNum), Load(block_->screenNo),
                      Load(block_->screenWidth), Load(block_->screenHeight),
                      static_cast<double>(Load(block_->borderRatio))));
    }
    armed_ = true;
    armedPoint_ = point;
    armedAtMs_ = nowMs;
    print_(Format("calib target point=%d", point));
}

void CalibDriver::Poll(double nowMs) {
    int state = LoadAcquire(block_->calState);
    int point = Load(block_->calPoint);

    bool utilityReplied = false;
    if (answered_ && state != lastState_) {
        // The utility has taken our answer.
        if (state == 1) {
            double ms = timer_.Stop(nowMs);
            utilityReplied = true;
            if (ms >= 0) {
                print_(Format("calib reply point=%d ms=%.3f", point, ms));
            }
        } else {
            timer_.Cancel();
        }
        answered_ = false;
    }
    if (state == 1) {
        if (!armed_ || point != armedPoint_ || lastState_ != 1) {
            if (armed_ && lastState_ == 1 && point != armedPoint_) {
                print_(Format("calib moved point=%d to=%d", armedPoint_, point));
            }
            Arm(point, nowMs, utilityReplied);
        }
    } else if (armed_ && !answered_) {
        // The utility gave up on the target (time-out) or ended the run.
        print_(Format("calib cancelled point=%d state=%d", armedPoint_, state));
        armed_ = false;
    }
    lastState_ = state;

    if (armed_ && mode_ != CalibMode::kPointer && mode_ != CalibMode::kSilent &&
        nowMs >= armedAtMs_ + autoDelayMs_) {
        int x = 0, y = 0;
        if (!CalibTargetPosition(armedPoint_, Load(block_->calibPointsNum),
                                 Load(block_->borderRatio), Load(block_->screenWidth),
                                 Load(block_->screenHeight), &x, &y)) {
            // Hostile modes still answer: they are meant to provoke the utility.
            if (hostile_ == HostileKind::kNone) {
                print_(Format("calib refused point=%d points=%d", armedPoint_,
                              Load(block_->calibPointsNum)));
                armed_ = false;
                return;
            }
        }
        int dx = 0, dy = 0;
        AutoTouchError(armedPoint_, &dx, &dy);
        Touch(x + dx, y + dy, nowMs);
    }
}

void CalibDriver::Touch(int sx, int sy, double nowMs) {
    if (!armed_) {
        print_(Format("touch ignored at=%d,%d (no target)", sx, sy));
        return;
    }
    if (nowMs < armedAtMs_ + minTouchDelayMs_) {
        print_(Format("touch ignored at=%d,%d (too soon)", sx, sy));
        return;
    }
    Answer(armedPoint_, sx, sy, nowMs);
}

void CalibDriver::Answer(int point, int sx, int sy, double nowMs) {
    const int count = Load(block_->calibPointsNum);
    const int width = Load(block_->screenWidth), height = Load(block_->screenHeight);
    armed_ = false;

    if (hostile_ != HostileKind::kNone && hostile_ != HostileKind::kSamplesExtreme) {
        Store(block_->calPoint, point + 1);
        std::string what = WriteHostileValue(block_, hostile_);
        if (hostile_ != HostileKind::kCalState3) {
            StoreRelease(block_->calState, 2);
        }
        print_(Format("hostile point=%d wrote %s", point, what.c_str()));
        answered_ = true;
        lastState_ = LoadAcquire(block_->calState);
        timer_.Start(nowMs);
        return;
    }

    int tx = 0, ty = 0;
    if (!CalibTargetPosition(point, count, Load(block_->borderRatio), width, height, &tx, &ty)) {
        print_(Format("calib refused point=%d points=%d", point, count));
        return;
    }
    RawPoint raw = ScreenToRaw(sx, sy, width, height);
    touches_[point] = CalibTouch{static_cast<double>(tx), static_cast<double>(ty),
                                 static_cast<double>(raw.x), static_cast<double>(raw.y)};
    print_(Format("calib touch point=%d target=%d,%d at=%d,%d raw=%d,%d", point, tx, ty, sx, sy,
                  raw.x, raw.y));

    if (mode_ == CalibMode::kNoAdvance) {
        StoreRelease(block_->calState, 2);
        print_(Format("calib answer point=%d next=%d (not advanced)", point, point));
    } else {
        Store(block_->calPoint, point + 1);
        if (point + 1 > count) {
            Finish(count);
        }
        StoreRelease(block_->calState, 2);
        if (point + 1 <= count) {
            print_(Format("calib answer point=%d next=%d", point, point + 1));
        }
    }
    answered_ = true;
    lastState_ = 2;
    // Only answers the utility replies to with a new target are timed.
    if (mode_ == CalibMode::kNoAdvance || point + 1 <= count) {
        timer_.Start(nowMs);
    }
}

void CalibDriver::Finish(int count) {
    std::vector<CalibTouch> ordered;
    bool complete = true;
    for (int k = 1; k <= count; ++k) {
        auto it = touches_.find(k);
        if (it == touches_.end()) {
            complete = false;
            break;
        }
        ordered.push_back(it->second);
    }
    CalibCoefficients c;
    if (complete) {
        c = ComputeCalibration(ordered, count, Load(block_->screenWidth),
                               Load(block_->screenHeight));
    }
    const int used = count == 4 ? 8 : count == 9 ? 32 : 128;
    for (int i = 0; i < 10; ++i)
        Store(block_->coefficientRevise[i], c.coefficientRevise[i]);
    for (int i = 0; i < 8; ++i)
        Store(block_->coefficient4p[i], c.coefficient4p[i]);
    for (int i = 0; i < used; ++i)
        Store(block_->coefficient[i], c.coefficient[i]);
    if (count >= 9) {
        for (int i = 0; i < 2; ++i)
            Store(block_->cal9Base[i], c.cal9Base[i]);
    }
    if (count == 25) {
        for (int i = 0; i < 4; ++i)
            Store(block_->cal25Base[i], c.cal25Base[i]);
    }
    bool ready = c.valid && mode_ != CalibMode::kInvalid;
    // Published with the coefficients by the answer's release of calState.
    Store(block_->coeffReady, ready ? 1 : 0);
    print_(Format("calib done points=%d valid=%d coeffReady=%d rms=%.3f max=%.3f%s", count,
                  c.valid ? 1 : 0, ready ? 1 : 0, c.rmsPixels, c.maxPixels,
                  complete ? "" : " (touches missing)"));
    touches_.clear();
}
