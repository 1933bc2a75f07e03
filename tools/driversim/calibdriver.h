// The driver's side of the calibration handshake, on a block in memory:
// watches calState, takes a touch for target calPoint, advances calPoint,
// answers with calState 2 and, after the last target, fits and stores the
// coefficients. Knows nothing of X: touches are handed in as screen points.
#ifndef TOOLS_DRIVERSIM_CALIBDRIVER_H
#define TOOLS_DRIVERSIM_CALIBDRIVER_H

#include <functional>
#include <map>
#include <string>

#include "calibfit.h"
#include "driverlink/sharedblock.h"
#include "handshaketimer.h"

enum class CalibMode {
    kAuto,       // touches itself, near the target, after a delay
    kPointer,    // touches come from pointer button releases
    kSilent,     // never answers (the utility times out)
    kInvalid,    // answers, but never reports the coefficients as valid
    kNoAdvance,  // answers without advancing calPoint
};

enum class HostileKind {
    kNone,
    kCalPointNegative,  // calPoint -5
    kCalPointHuge,      // calPoint INT32_MAX
    kPoints0,           // calibPointsNum 0
    kPoints7,           // calibPointsNum 7
    kPoints255,         // calibPointsNum 255
    kCalState3,         // answers with calState 3
    kSamplesExtreme,    // communication samples at the int32 limits
};

// Writes the hostile kind's value into the block (nothing for kNone and
// kSamplesExtreme, whose harm lies in the samples). Returns a description
// for the log, empty when nothing was written.
std::string WriteHostileValue(DriverSharedBlock* block, HostileKind kind);

class CalibDriver {
public:
    using Printer = std::function<void(const std::string&)>;

    CalibDriver(DriverSharedBlock* block, CalibMode mode, HostileKind hostile, double autoDelayMs,
                Printer print);

    // Looks at the block; in the automatic modes touches when the delay
    // is over. Call often.
    void Poll(double nowMs);
    // A touch at screen pixel (sx, sy), e.g. from a pointer button.
    void Touch(int sx, int sy, double nowMs);

    // True while the driver has answered and waits for the utility: the
    // caller should poll finely then, so the timing means something.
    bool AwaitingUtility() const { return timer_.Running(); }
    // Milliseconds until the next automatic touch, negative when none.
    double MsUntilTouch(double nowMs) const;
    // Pointer touches closer than this to the showing of a target are
    // ignored: the release that started the run must not count.
    void SetMinTouchDelay(double ms) { minTouchDelayMs_ = ms; }

    const HandshakeTimer& Timer() const { return timer_; }

private:
    void Arm(int point, double nowMs, bool afterReply);
    void Answer(int point, int sx, int sy, double nowMs);
    void Finish(int count);

    DriverSharedBlock* block_;
    CalibMode mode_;
    HostileKind hostile_;
    double autoDelayMs_;
    double minTouchDelayMs_ = 0;
    Printer print_;

    bool armed_ = false;  // a target is shown and not yet taken
    int armedPoint_ = 0;
    double armedAtMs_ = 0;
    bool answered_ = false;  // we set calState to something and wait
    int lastState_ = 0;
    std::map<int, CalibTouch> touches_;  // by target number
    HandshakeTimer timer_;
};

#endif
