// What the window does to the driver block, one named operation each: the
// live settings, the sampling, what Apply hands over, the communication
// mode and the driver's record of samples, the driver's version and the
// frame a calibration target is placed in. Only driverlink/ touches the
// block's fields; the window calls these.
//
// Every operation takes the block it works on and does nothing (a read
// gives its stated default) while that is null: the utility runs without a
// driver too.
#ifndef PANELCONF_DRIVERLINK_BLOCKOPS_H
#define PANELCONF_DRIVERLINK_BLOCKOPS_H

#include <cstdint>

#include "config/driveroptions.h"
#include "driverlink/commlines.h"
#include "driverlink/sharedblock.h"

// One live setting, as a handler changes it: the driver uses it at once.
void StoreLiveSetting(DriverSharedBlock* block, driveropts::SettingIndex entry, int32_t value);

// Every live setting at once (Apply, and Cancel putting back what was saved).
void StoreLiveSettings(DriverSharedBlock* block,
                       const int32_t (&settings)[driveropts::kSettingsCount]);

// The product of the panel, a live setting with a name of its own.
void StoreProduct(DriverSharedBlock* block, int32_t product);

// The device's sampling value.
void StoreSampling(DriverSharedBlock* block, uint8_t sampling);

// What Apply gives the driver for the next calibration run: the border ratio
// and the point count, in that order.
void StoreCalibChoice(DriverSharedBlock* block, float borderRatio, uint8_t pointsNum);

// 1 while the utility holds the serial link for the communication test, 0
// otherwise (also at shut-down). Read as 0 without a block.
void StoreCommMode(DriverSharedBlock* block, uint8_t commMode);
uint8_t LoadCommMode(const DriverSharedBlock* block);

// The driver's record of raw samples, when it has set a new one: its rows
// go to *lines and the record is marked taken. False when there is none (or
// no block).
bool TakeCommRecord(DriverSharedBlock* block, CommRecordLines* lines);

struct DriverVersion {
    int major;
    int minor;
    int build;
};

// The running driver's version; false without a block.
bool ReadDriverVersion(const DriverSharedBlock* block, DriverVersion* version);

// What a calibration target is placed by: the target in progress, the point
// count, the border ratio and the X screen's size. All 0 without a block.
struct CalibFrame {
    int32_t calPoint;
    uint8_t calibPointsNum;
    float borderRatio;
    int32_t screenWidth;
    int32_t screenHeight;
};
CalibFrame ReadCalibFrame(const DriverSharedBlock* block);

#endif
