#include "driverlink/calibsession.h"

#include "driverlink/blockaccess.h"

using driveropts::kCoefficientFamilies;

void BeginCalibRun(DriverSharedBlock* block, const DeviceRecord& record, int width, int height) {
    Store(block->calPoint, 1);
    Store(block->screenNo, record.screenNo);
    Store(block->screenWidth, width);
    Store(block->screenHeight, height);
    Store(block->sampling, record.sampling);
    Store(block->borderRatio, record.borderRatio);
    Store(block->coeffReady, 0);
}

void HandTargetToDriver(DriverSharedBlock* block) {
    // The target's frame is in place before the driver may act on it.
    StoreRelease(block->calState, kCalWaiting);
}

bool CalibDriverAnswered(const DriverSharedBlock* block) {
    return LoadAcquire(block->calState) == kCalTaken;
}

CalibPoll PollCalibRun(DriverSharedBlock* block) {
    CalibPoll poll;
    // Acquired: calPoint and, after the last target, the coefficients are
    // read only after the answer that hands them over, never older ones.
    if (LoadAcquire(block->calState) != kCalTaken) {
        return poll;
    }
    const int point = Load(block->calPoint);
    if (point > Load(block->calibPointsNum)) {
        StoreRelease(block->calState, kCalIdle);
        Store(block->calPoint, 0);
        poll.kind = CalibPoll::kFinished;
        return poll;
    }
    poll.kind = CalibPoll::kShowTarget;
    poll.point = point;
    poll.restartTimeout = point >= 1;
    return poll;
}

void TimeOutCalibRun(DriverSharedBlock* block) { StoreRelease(block->calState, kCalIdle); }

bool CalibRunCompleted(const DriverSharedBlock* block) { return Load(block->calPoint) == 0; }

bool CalibCoefficientsReady(const DriverSharedBlock* block) { return Load(block->coeffReady) != 0; }

void TakeCalibCoefficients(DriverSharedBlock* block, DeviceRecord* record) {
    // A run the driver finished with an unknown count is taken whole.
    const int points = Load(block->calibPointsNum);
    const int used = points == 4 || points == 9 ? points : 25;
    for (const driveropts::CoefficientFamily& family : kCoefficientFamilies) {
        const int32_t* from = CoefficientValues(block, family.field);
        int32_t* to = CoefficientValues(record, family.field);
        for (int n = 0; n < family.CountFor(used); ++n) {
            to[n] = Load(from[n]);
        }
    }
    Store(block->coeffReady, 0);
}
