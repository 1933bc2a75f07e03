// Times the utility's answers: from the moment the driver sets calState to
// 2 until the utility shows the next target (calState back to 1).
#ifndef TOOLS_DRIVERSIM_HANDSHAKETIMER_H
#define TOOLS_DRIVERSIM_HANDSHAKETIMER_H

#include <cstddef>
#include <vector>

class HandshakeTimer {
public:
    void Start(double nowMs);
    // Returns the sample in milliseconds, or a negative value when no
    // measurement was running.
    double Stop(double nowMs);
    void Cancel() { running_ = false; }
    bool Running() const { return running_; }
    double StartedMs() const { return startMs_; }

    size_t Count() const { return samples_.size(); }
    // Median (mean of the two middle samples for an even count) and worst;
    // 0 without samples.
    double MedianMs() const;
    double WorstMs() const;

private:
    bool running_ = false;
    double startMs_ = 0;
    std::vector<double> samples_;
};

#endif
