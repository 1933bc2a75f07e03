// The driver's System V segment: created (or taken over) at start, removed
// at the end.
#ifndef TOOLS_DRIVERSIM_SEGMENT_H
#define TOOLS_DRIVERSIM_SEGMENT_H

#include <string>

#include "driverlink/sharedblock.h"

struct Segment {
    int id = -1;
    DriverSharedBlock* block = nullptr;
    bool fresh = false;  // created by us (zero-filled) rather than reused
};

// Creates the segment (key 1234, 3088 bytes, mode 0666) and attaches it.
// An existing segment is an error unless `reuse`, in which case it is
// attached as it is (it must be at least 3088 bytes).
bool OpenSegment(bool reuse, Segment* segment, std::string* error);

// Number of processes attached (shm_nattch), -1 when it cannot be read.
int SegmentAttachCount(int id);

// Detaches and marks the segment for removal. Async-signal-safe.
void RemoveSegment(Segment* segment);

#endif
