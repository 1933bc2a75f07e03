// The raw samples the stand-in reports in the shared-memory mode of the
// communication test: a fixed, documented pattern so tests know every row.
#ifndef TOOLS_DRIVERSIM_COMMPATTERN_H
#define TOOLS_DRIVERSIM_COMMPATTERN_H

#include <cstdint>

#include "driverlink/sharedblock.h"

struct CommRecord {
    CommSample samples[kCommSampleCount];
    int32_t resultX, resultY;
};

// Record number `sequence` (0, 1, 2, ...). Sample 0 is always (7, -5);
// sample i > 0 is x = (211 i + 37 s) mod 1200 - 200,
// y = (157 i + 53 s) mod 1100 - 150; the result is the mean of each
// column, truncated toward zero. With `extreme` the samples alternate
// INT32_MIN and INT32_MAX and the result is (INT32_MIN, INT32_MAX).
CommRecord MakeCommRecord(uint32_t sequence, bool extreme);

// Puts a record into the block and raises commDataReady, but only when the
// utility has taken the previous one (commDataReady 0). True if written.
bool OfferCommRecord(DriverSharedBlock* block, const CommRecord& record);

#endif
