#include "devicerecord.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

GList* deviceList = nullptr;
GList* currentDeviceNode = nullptr;
GList* layoutList = nullptr;

uint8_t calibPointsNum = 0;
uint32_t driverSectionCount = 0;
char configPath[kConfigPathSize] = "";
uint8_t calibrateOnly = 0;
uint8_t isRoot = 0;
uint8_t driverLoaded = 0;
uint8_t restartNeeded = 0;
uint8_t sendCoreEvents = 0;
int screenWidth = 0;
int screenHeight = 0;

void FillDeviceDefaults(DeviceRecord* record) {
    using namespace driveropts;
    record->status = kStatusUndeclared;
    record->inFile = 0;
    record->inLayout = 0;
    record->loaded = 0;
    std::memset(record->coefficient, 0, sizeof record->coefficient);
    std::memcpy(record->coefficient, kDefaultCoefficient, sizeof kDefaultCoefficient);
    std::memcpy(record->coefficient4p, kDefaultCoefficient4p, sizeof kDefaultCoefficient4p);
    std::memcpy(record->coefficientRevise, kDefaultCoefficientRevise,
                sizeof kDefaultCoefficientRevise);
    record->portIndex = kDefaultPortIndex;
    record->speedIndex = kDefaultSpeedIndex;
    record->screenNo = 0;
    std::memcpy(record->cal9Base, kDefaultCal9Base, sizeof kDefaultCal9Base);
    std::memset(record->cal25Base, 0, sizeof record->cal25Base);
    record->sampling = kDefaultSampling;
    record->borderRatio = kDefaultBorderPercent * 0.01f;
    record->productChanged = 0;
    record->linkChanged = 0;
    std::memcpy(record->settings, kDefaultSettings, sizeof kDefaultSettings);
    record->debugOption = 0;
    std::memcpy(record->savedSettings, kDefaultSettings, sizeof kDefaultSettings);
}

char* MakeOwnIdentifier(int screenNo) {
    char text[64];
    std::snprintf(text, sizeof text, driveropts::kOwnIdentifierFormat, screenNo);
    return strdup(text);
}

DeviceRecord* AppendDeviceRecord(GList** list) {
    DeviceRecord* record = g_try_new0(DeviceRecord, 1);
    if (record == nullptr) {
        return nullptr;
    }
    FillDeviceDefaults(record);
    *list = g_list_append(*list, record);
    return record;
}

DeviceRecord* AppendDeviceRecord() { return AppendDeviceRecord(&deviceList); }

DeviceRecord* FindRecordByScreen(int screenNo) {
    for (GList* node = deviceList; node != nullptr; node = node->next) {
        auto* record = static_cast<DeviceRecord*>(node->data);
        if (record->screenNo == screenNo) {
            return record;
        }
    }
    return nullptr;
}

DeviceRecord* CurrentRecord() {
    return currentDeviceNode ? static_cast<DeviceRecord*>(currentDeviceNode->data) : nullptr;
}

void ResetDeviceState() {
    for (GList* node = deviceList; node != nullptr; node = node->next) {
        auto* record = static_cast<DeviceRecord*>(node->data);
        free(record->identifier);
        free(record->keptDevice);
        free(record->keptBaudRate);
        g_free(record);
    }
    g_list_free(deviceList);
    g_list_free_full(layoutList, free);
    deviceList = nullptr;
    currentDeviceNode = nullptr;
    layoutList = nullptr;
    calibPointsNum = 0;
    driverSectionCount = 0;
    configPath[0] = '\0';
    calibrateOnly = 0;
    isRoot = 0;
    driverLoaded = 0;
    restartNeeded = 0;
    sendCoreEvents = 0;
    screenWidth = 0;
    screenHeight = 0;
}
