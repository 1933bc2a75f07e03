#include "commpattern.h"

#include "driverlink/blockaccess.h"

CommRecord MakeCommRecord(uint32_t sequence, bool extreme) {
    CommRecord r{};
    if (extreme) {
        for (int i = 0; i < kCommSampleCount; ++i) {
            r.samples[i].x = i % 2 == 0 ? INT32_MIN : INT32_MAX;
            r.samples[i].y = i % 2 == 0 ? INT32_MAX : INT32_MIN;
        }
        r.resultX = INT32_MIN;
        r.resultY = INT32_MAX;
        return r;
    }
    int64_t sumX = 0, sumY = 0;
    int64_t s = sequence;
    for (int i = 0; i < kCommSampleCount; ++i) {
        if (i == 0) {
            r.samples[i] = {7, -5};
        } else {
            r.samples[i].x = static_cast<int32_t>((211 * i + 37 * s) % 1200 - 200);
            r.samples[i].y = static_cast<int32_t>((157 * i + 53 * s) % 1100 - 150);
        }
        sumX += r.samples[i].x;
        sumY += r.samples[i].y;
    }
    r.resultX = static_cast<int32_t>(sumX / kCommSampleCount);
    r.resultY = static_cast<int32_t>(sumY / kCommSampleCount);
    return r;
}

bool OfferCommRecord(DriverSharedBlock* block, const CommRecord& record) {
    if (Load(block->commDataReady) != 0) {
        return false;
    }
    for (int i = 0; i < kCommSampleCount; ++i) {
        Store(block->commSamples[i].x, record.samples[i].x);
        Store(block->commSamples[i].y, record.samples[i].y);
    }
    Store(block->commResultX, record.resultX);
    Store(block->commResultY, record.resultY);
    StoreRelease(block->commDataReady, 1);
    return true;
}
