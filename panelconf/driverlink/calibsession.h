// The utility's side of the calibration handshake, without the window: what
// a run writes into the driver block, what each look at the block means
// (wait, show a target, finished), when the time-out starts again, and which
// coefficients are taken over. The calibration window only draws what these
// decide.
//
// The two sides meet only in the block: the utility sets calState to 1 when
// a target is shown, the driver takes the touch, advances calPoint and
// answers with 2; a calPoint above the point count means the run is done.
#ifndef PANELCONF_DRIVERLINK_CALIBSESSION_H
#define PANELCONF_DRIVERLINK_CALIBSESSION_H

#include <cstdint>

#include "devicerecord.h"
#include "driverlink/sharedblock.h"

// Handshake values of calState.
constexpr uint8_t kCalIdle = 0;
constexpr uint8_t kCalWaiting = 1;  // a target is shown, the driver may take it
constexpr uint8_t kCalTaken = 2;    // the driver took it (or finished the run)

// How long the driver may take for one target before the run is given up.
constexpr unsigned int kCalibTimeoutMs = 10000;

// Writes the frame of a run for the record: calPoint 1, its screen, the size
// of that X screen in X pixels (the targets are laid out on it, which need
// not be the screen the utility started on), sampling and border ratio, and
// clears coeffReady. The point count stays as attach or the last Apply left
// it: an unapplied choice on the Calibration page is not the driver's.
void BeginCalibRun(DriverSharedBlock* block, const DeviceRecord& record, int width, int height);

// A target is on the screen: the driver may take it (calState 1).
void HandTargetToDriver(DriverSharedBlock* block);

// What one look at the block found.
struct CalibPoll {
    enum Kind {
        kWaiting,     // the driver has not answered
        kShowTarget,  // show target `point`, then HandTargetToDriver
        kFinished,    // the run is over; calState and calPoint are back to 0
    };
    Kind kind = kWaiting;
    int point = 0;
    // Only a target that exists is progress: the time-out of the last real
    // target starts again. A driver that keeps answering with a target number
    // below 1 would otherwise keep the run going for ever.
    bool restartTimeout = false;
};

// True when the driver has answered the target shown (calState 2). Only
// reads the block: the watcher thread uses it.
bool CalibDriverAnswered(const DriverSharedBlock* block);

// Looks at the block once, reading each field once (the driver may write it
// again at any moment). On kFinished calState and calPoint are set to 0.
CalibPoll PollCalibRun(DriverSharedBlock* block);

// The driver had no answer within the time-out: calState 0. calPoint keeps
// its value, so the run reports itself unfinished.
void TimeOutCalibRun(DriverSharedBlock* block);

// True when the run ended with every target taken (calPoint 0).
bool CalibRunCompleted(const DriverSharedBlock* block);

// True when the driver marked the finished run's coefficients as valid.
bool CalibCoefficientsReady(const DriverSharedBlock* block);

// Copies the finished run's coefficients into the record, as many of each
// family as the block's point count uses (a count other than 4 or 9 copies
// all of them), and clears coeffReady.
void TakeCalibCoefficients(DriverSharedBlock* block, DeviceRecord* record);

#endif
