#include "handshaketimer.h"

#include <algorithm>

void HandshakeTimer::Start(double nowMs) {
    running_ = true;
    startMs_ = nowMs;
}

double HandshakeTimer::Stop(double nowMs) {
    if (!running_) {
        return -1;
    }
    running_ = false;
    double sample = std::max(0.0, nowMs - startMs_);
    samples_.push_back(sample);
    return sample;
}

double HandshakeTimer::MedianMs() const {
    if (samples_.empty()) {
        return 0;
    }
    std::vector<double> sorted = samples_;
    std::sort(sorted.begin(), sorted.end());
    size_t n = sorted.size();
    return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

double HandshakeTimer::WorstMs() const {
    return samples_.empty() ? 0 : *std::max_element(samples_.begin(), samples_.end());
}
