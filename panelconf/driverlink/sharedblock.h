// The block of System V shared memory that the utility and the running tavir
// X input driver share: live settings, the calibration handshake and its
// coefficients, the driver's version and the raw samples of the communication
// test. Both sides must agree on every byte; the static_asserts below pin the
// layout (little-endian, 3088 bytes, gaps only where marked reserved).
//
// There is no lock. Fields change hands through flags: calState for the
// calibration fields (utility writes 1 and 0, driver writes 2) and
// commDataReady for the communication-test record (driver sets, utility
// clears). Every access is a single load or store of the field's width.
#ifndef PANELCONF_DRIVERLINK_SHAREDBLOCK_H
#define PANELCONF_DRIVERLINK_SHAREDBLOCK_H

#include <cstddef>
#include <cstdint>

#include "config/driveroptions.h"

constexpr int kDriverBlockKey = 1234;
constexpr size_t kDriverBlockSize = 3088;
constexpr int kDriverBlockMode = 0666;
constexpr int kCommSampleCount = 40;

struct CommSample {
    int32_t x;
    int32_t y;
};

struct DriverSharedBlock {
    // Calibration handshake: 0 idle; 1 the utility shows target calPoint and
    // waits; 2 the driver has taken that touch (or finished the run).
    uint8_t calState;  // offset 0
    // Non-zero once the driver has computed valid coefficients for the run;
    // the utility clears it.
    uint8_t coeffReady;  // 1
    // 1 while the utility holds the serial link for the communication test.
    uint8_t commMode;   // 2
    uint8_t reserved3;  // 3
    // 1-based target in progress; above calibPointsNum the run is finished;
    // 0 after a completed run. The driver advances it.
    int32_t calPoint;  // 4
    // X screen of the next calibration run (from the display name at attach,
    // from the record being calibrated at the start of a run).
    int32_t screenNo;        // 8
    int32_t screenWidth;     // 12, pixels
    int32_t screenHeight;    // 16, pixels
    int32_t cal9Base[2];     // 20, written by the driver ("Cal9Base%d")
    int32_t cal25Base[4];    // 28, written by the driver ("Cal25Base%d")
    uint8_t versionMajor;    // 44, driver version, first number
    uint8_t versionMinor;    // 45, second number
    uint8_t calibPointsNum;  // 46, 4, 9 or 25
    uint8_t sampling;        // 47, sampling value of the device
    uint16_t versionBuild;   // 48, driver version, third number
    uint8_t reserved50[2];   // 50
    // Margin between screen edge and outer targets as a fraction of the
    // screen size (0.05 for 5 %).
    float borderRatio;              // 52
    int32_t coefficient[128];       // 56, "CoEfficient%03d"; 8/32/128 used
    int32_t coefficient4p[8];       // 568, "CoEfficient4p%d"
    int32_t coefficientRevise[10];  // 600, "CoEfficientRevise%d"
    // Live settings: products, touchMode, tapTime, stabilize, averaging,
    // liftOffTime, three reserved (0), sound, rclickHold, rclickHoldDuration,
    // rclickSpatialTolerance, communication.
    int32_t settings[14];                      // 640
    uint8_t reserved696[2060];                 // 696
    int32_t commDataReady;                     // 2756, non-zero: a new record stands below
    int32_t commResultX;                       // 2760
    int32_t commResultY;                       // 2764
    CommSample commSamples[kCommSampleCount];  // 2768, raw x/y pairs
};

static_assert(sizeof(float) == 4, "borderRatio is a 32-bit float");
static_assert(sizeof(DriverSharedBlock) == kDriverBlockSize, "block size");
static_assert(offsetof(DriverSharedBlock, calState) == 0, "calState");
static_assert(offsetof(DriverSharedBlock, coeffReady) == 1, "coeffReady");
static_assert(offsetof(DriverSharedBlock, commMode) == 2, "commMode");
static_assert(offsetof(DriverSharedBlock, reserved3) == 3, "reserved3");
static_assert(offsetof(DriverSharedBlock, calPoint) == 4, "calPoint");
static_assert(offsetof(DriverSharedBlock, screenNo) == 8, "screenNo");
static_assert(offsetof(DriverSharedBlock, screenWidth) == 12, "screenWidth");
static_assert(offsetof(DriverSharedBlock, screenHeight) == 16, "screenHeight");
static_assert(offsetof(DriverSharedBlock, cal9Base) == 20, "cal9Base");
static_assert(offsetof(DriverSharedBlock, cal25Base) == 28, "cal25Base");
static_assert(offsetof(DriverSharedBlock, versionMajor) == 44, "versionMajor");
static_assert(offsetof(DriverSharedBlock, versionMinor) == 45, "versionMinor");
static_assert(offsetof(DriverSharedBlock, calibPointsNum) == 46, "calibPointsNum");
static_assert(offsetof(DriverSharedBlock, sampling) == 47, "sampling");
static_assert(offsetof(DriverSharedBlock, versionBuild) == 48, "versionBuild");
static_assert(offsetof(DriverSharedBlock, reserved50) == 50, "reserved50");
static_assert(offsetof(DriverSharedBlock, borderRatio) == 52, "borderRatio");
static_assert(offsetof(DriverSharedBlock, coefficient) == 56, "coefficient");
static_assert(offsetof(DriverSharedBlock, coefficient4p) == 568, "coefficient4p");
static_assert(offsetof(DriverSharedBlock, coefficientRevise) == 600, "coefficientRevise");
static_assert(offsetof(DriverSharedBlock, settings) == 640, "settings");
static_assert(offsetof(DriverSharedBlock, reserved696) == 696, "reserved696");
static_assert(offsetof(DriverSharedBlock, commDataReady) == 2756, "commDataReady");
static_assert(offsetof(DriverSharedBlock, commResultX) == 2760, "commResultX");
static_assert(offsetof(DriverSharedBlock, commResultY) == 2764, "commResultY");
static_assert(offsetof(DriverSharedBlock, commSamples) == 2768, "commSamples");
static_assert(sizeof(CommSample) == 8, "one sample is x then y");

#endif
