// Attaching the driver's block. Runs inside the sandbox: key 1234 is private
// to this run, so the tests create and remove segments freely.
#include <gtest/gtest.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "devicerecord.h"
#include "driverlink/sharedmem.h"
#include "ui/sharedmeminit.h"

namespace {

class Attach : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDeviceState();
        RemoveSegment();
        driverBlock = nullptr;
        screenWidth = 1024;
        screenHeight = 768;
    }
    void TearDown() override {
        if (driverBlock != nullptr) {
            shmdt(driverBlock);
            driverBlock = nullptr;
        }
        if (driverSide_ != nullptr) {
            shmdt(driverSide_);
        }
        RemoveSegment();
        ResetDeviceState();
    }

    // Creates the segment as the driver would and returns its view of it.
    DriverSharedBlock* CreateSegment(size_t size = kDriverBlockSize, int mode = 0666) {
        int id = shmget(kDriverBlockKey, size, IPC_CREAT | IPC_EXCL | mode);
        EXPECT_NE(id, -1) << strerror(errno);
        void* at = shmat(id, nullptr, 0);
        EXPECT_NE(at, reinterpret_cast<void*>(-1));
        driverSide_ = static_cast<DriverSharedBlock*>(at);
        return driverSide_;
    }

    static void RemoveSegment() {
        int id = shmget(kDriverBlockKey, 0, 0);
        if (id != -1) {
            shmctl(id, IPC_RMID, nullptr);
        }
    }

    DriverSharedBlock* driverSide_ = nullptr;
};

TEST_F(Attach, WithoutSegmentNothingIsCreated) {
    calibPointsNum = 9;
    EXPECT_EQ(SharedMemInit(&driverBlock), 0);
    EXPECT_EQ(driverBlock, nullptr);
    EXPECT_EQ(shmget(kDriverBlockKey, 0, 0), -1) << "the utility must never create the block";
}

TEST_F(Attach, WritesTheFrameFieldsAndLeavesTheDriversOwn) {
    DriverSharedBlock* driver = CreateSegment();
    driver->versionMajor = 4;
    driver->versionBuild = 513;
    driver->calPoint = 7;
    driver->commMode = 1;
    driver->coefficient[0] = 42;
    calibPointsNum = 25;

    ASSERT_EQ(AttachDriverBlock(&driverBlock, 1), 1);
    ASSERT_NE(driverBlock, nullptr);
    EXPECT_EQ(driver->screenWidth, 1024);
    EXPECT_EQ(driver->screenHeight, 768);
    EXPECT_EQ(driver->screenNo, 1);
    EXPECT_EQ(driver->calPoint, 1);
    EXPECT_EQ(driver->commMode, 0);
    EXPECT_EQ(driver->calibPointsNum, 25);
    EXPECT_EQ(driver->versionMajor, 4);
    EXPECT_EQ(driver->versionBuild, 513);
    EXPECT_EQ(driver->coefficient[0], 42);

    // Byte view: one byte at 46, two bytes of version at 48.
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(driver);
    EXPECT_EQ(bytes[46], 25);
    EXPECT_EQ(bytes[48] | (bytes[49] << 8), 513);
}

TEST_F(Attach, ZeroPointCountAttachesButLeavesTheDriversValue) {
    DriverSharedBlock* driver = CreateSegment();
    driver->calibPointsNum = 4;
    calibPointsNum = 0;
    EXPECT_EQ(AttachDriverBlock(&driverBlock, 0), 0);
    EXPECT_NE(driverBlock, nullptr);
    EXPECT_EQ(driver->calibPointsNum, 4);
    EXPECT_EQ(driver->calPoint, 1);
}

TEST_F(Attach, SmallerSegmentIsTreatedAsMissing) {
    CreateSegment(1024);
    calibPointsNum = 9;
    EXPECT_EQ(AttachDriverBlock(&driverBlock, 0), 0);
    EXPECT_EQ(driverBlock, nullptr);
}

TEST_F(Attach, SegmentTheUserMayNotOpenIsTreatedAsMissing) {
    CreateSegment(kDriverBlockSize, 0600);
    calibPointsNum = 9;
    pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) {
            _exit(3);
        }
        DriverSharedBlock* block = nullptr;
        _exit(AttachDriverBlock(&block, 0) == 0 && block == nullptr ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(DisplayName, ScreenNumberFollowsTheLastDot) {
    EXPECT_EQ(ScreenNoFromDisplayName(":0.1"), 1);
    EXPECT_EQ(ScreenNoFromDisplayName("host.example:0.2"), 2);
    EXPECT_EQ(ScreenNoFromDisplayName(":0"), 0);
    EXPECT_EQ(ScreenNoFromDisplayName(":0."), 0);
    EXPECT_EQ(ScreenNoFromDisplayName(nullptr), 0);
    EXPECT_EQ(ScreenNoFromDisplayName(":0.99999999999999"), INT32_MAX);
}

}  // namespace
