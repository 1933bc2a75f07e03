// Waiting for the driver's answer during a calibration run without waking
// the window's main loop: a thread of its own looks at calState (one load,
// nothing written) every few milliseconds, and when the driver has answered
// it makes a file descriptor readable, which the main loop waits on. The
// thread then rests until the main loop has handled the answer and re-arms
// it, so one answer is reported once and none is missed. Only the main loop
// writes the block and draws; the thread never calls the toolkit.
//
// What the two threads share: calState, read with LoadAcquire (the main
// loop writes it with StoreRelease), and the flags armed_ and stopping_,
// atomics stored with release and loaded with acquire order. The block,
// the interval and the descriptor are set before the thread starts and
// released after it has been joined.
#ifndef PANELCONF_DRIVERLINK_CALIBWATCH_H
#define PANELCONF_DRIVERLINK_CALIBWATCH_H

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "driverlink/sharedblock.h"

class CalibWatcher {
public:
    CalibWatcher() = default;
    CalibWatcher(const CalibWatcher&) = delete;
    CalibWatcher& operator=(const CalibWatcher&) = delete;
    ~CalibWatcher() { Stop(); }

    // Starts watching the block, looking once every intervalMs. False (and
    // nothing started) when the descriptor or the thread cannot be made.
    bool Start(const DriverSharedBlock* block, int intervalMs);

    // Readable once the driver has answered; -1 when not started.
    int WakeFd() const { return wakeFd_; }

    // Called by the main loop after it has looked at the block: empties the
    // descriptor and lets the thread look again.
    void Rearm();

    // Ends the thread (within one interval) and closes the descriptor. Safe
    // to call twice.
    void Stop();

private:
    void Watch();

    const DriverSharedBlock* block_ = nullptr;
    int intervalMs_ = 0;
    int wakeFd_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> armed_{false};
    std::atomic<bool> stopping_{false};
};

#endif
