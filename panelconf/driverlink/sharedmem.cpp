#include "driverlink/sharedmem.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "devicerecord.h"

DriverSharedBlock* driverBlock = nullptr;

int ScreenNoFromDisplayName(const char* displayName) {
    if (displayName == nullptr) {
        return 0;
    }
    const char* dot = strrchr(displayName, '.');
    if (dot == nullptr) {
        return 0;
    }
    // Leading digits as atoi reads them, without its overflow.
    long value = strtol(dot + 1, nullptr, 10);
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int>(value);
}

int AttachDriverBlock(DriverSharedBlock** block, int screenNo) {
    // No IPC_CREAT: the driver owns the segment. A segment smaller than the
    // block, or one we may not open, fails here like a missing one.
    int id = shmget(kDriverBlockKey, kDriverBlockSize, kDriverBlockMode);
    if (id == -1) {
        return 0;
    }
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        return 0;
    }
    DriverSharedBlock* attached = static_cast<DriverSharedBlock*>(address);
    *block = attached;
    attached->screenWidth = screenWidth;
    attached->screenHeight = screenHeight;
    attached->screenNo = screenNo;
    attached->calPoint = 1;
    attached->commMode = 0;
    if (calibPointsNum == 0) {
        return 0;
    }
    attached->calibPointsNum = calibPointsNum;
    return 1;
}
