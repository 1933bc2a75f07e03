#include "segment.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cerrno>
#include <cstring>

bool OpenSegment(bool reuse, Segment* segment, std::string* error) {
    int id = shmget(kDriverBlockKey, kDriverBlockSize, IPC_CREAT | IPC_EXCL | kDriverBlockMode);
    bool fresh = id >= 0;
    if (id < 0 && errno == EEXIST) {
        if (!reuse) {
            *error =
                "a segment with key 1234 exists already (another driver?); --reuse takes it over";
            return false;
        }
        id = shmget(kDriverBlockKey, kDriverBlockSize, kDriverBlockMode);
    }
    if (id < 0) {
        *error = std::string("shmget: ") + strerror(errno);
        return false;
    }
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        *error = std::string("shmat: ") + strerror(errno);
        if (fresh) {
            shmctl(id, IPC_RMID, nullptr);
        }
        return false;
    }
    segment->id = id;
    segment->block = static_cast<DriverSharedBlock*>(address);
    segment->fresh = fresh;
    return true;
}

int SegmentAttachCount(int id) {
    struct shmid_ds info;
    if (shmctl(id, IPC_STAT, &info) != 0) {
        return -1;
    }
    return static_cast<int>(info.shm_nattch);
}

void RemoveSegment(Segment* segment) {
    if (segment->id >= 0) {
        shmctl(segment->id, IPC_RMID, nullptr);
        segment->id = -1;
    }
    if (segment->block != nullptr) {
        shmdt(segment->block);
        segment->block = nullptr;
    }
}
