#include "driverlink/blockops.h"

#include "driverlink/blockaccess.h"

void StoreLiveSetting(DriverSharedBlock* block, driveropts::SettingIndex entry, int32_t value) {
    if (block != nullptr) {
        Store(block->settings[entry], value);
    }
}

void StoreLiveSettings(DriverSharedBlock* block,
                       const int32_t (&settings)[driveropts::kSettingsCount]) {
    if (block == nullptr) {
        return;
    }
    for (int i = 0; i < driveropts::kSettingsCount; ++i) {
        Store(block->settings[i], settings[i]);
    }
}

void StoreProduct(DriverSharedBlock* block, int32_t product) {
    StoreLiveSetting(block, driveropts::kProducts, product);
}

void StoreSampling(DriverSharedBlock* block, uint8_t sampling) {
    if (block != nullptr) {
        Store(block->sampling, sampling);
    }
}

void StoreCalibChoice(DriverSharedBlock* block, float borderRatio, uint8_t pointsNum) {
    if (block != nullptr) {
        Store(block->borderRatio, borderRatio);
        Store(block->calibPointsNum, pointsNum);
    }
}

void StoreCommMode(DriverSharedBlock* block, uint8_t commMode) {
    if (block != nullptr) {
        Store(block->commMode, commMode);
    }
}

uint8_t LoadCommMode(const DriverSharedBlock* block) {
    return block != nullptr ? Load(block->commMode) : 0;
}

bool TakeCommRecord(DriverSharedBlock* block, CommRecordLines* lines) {
    // The flag hands the samples over: they are read only after it.
    if (block == nullptr || LoadAcquire(block->commDataReady) == 0) {
        return false;
    }
    CommSample samples[kCommSampleCount];
    for (int i = 0; i < kCommSampleCount; ++i) {
        samples[i] = CommSample{Load(block->commSamples[i].x), Load(block->commSamples[i].y)};
    }
    *lines = FormatCommRecord(samples, Load(block->commResultX), Load(block->commResultY));
    // Copied out: the driver may write the next record.
    StoreRelease(block->commDataReady, 0);
    return true;
}

bool ReadDriverVersion(const DriverSharedBlock* block, DriverVersion* version) {
    if (block == nullptr) {
        return false;
    }
    *version = DriverVersion{Load(block->versionMajor), Load(block->versionMinor),
                             Load(block->versionBuild)};
    return true;
}

CalibFrame ReadCalibFrame(const DriverSharedBlock* block) {
    if (block == nullptr) {
        return CalibFrame{0, 0, 0.0f, 0, 0};
    }
    return CalibFrame{Load(block->calPoint), Load(block->calibPointsNum), Load(block->borderRatio),
                      Load(block->screenWidth), Load(block->screenHeight)};
}
