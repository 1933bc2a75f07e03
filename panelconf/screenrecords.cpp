#include "screenrecords.h"

#include <cstdio>

#include "config/driveroptions.h"

namespace {

constexpr int kBlankPortIndex = 1;   // "COM2(/dev/ttyS1)"
constexpr int kBlankSpeedIndex = 3;  // "9600bps"

}  // namespace

GList* FindScreenNode(int screenNo) {
    for (GList* node = deviceList; node != nullptr; node = node->next) {
        if (static_cast<DeviceRecord*>(node->data)->screenNo == screenNo) {
            return node;
        }
    }
    return nullptr;
}

AddScreenResult AddScreenRecord(int screenNo, const ScreenRecordMakers& makers) {
    if (FindScreenNode(screenNo) != nullptr) {
        return AddScreenResult::kAlreadyPresent;
    }
    DeviceRecord* record = makers.appendRecord();
    if (record == nullptr) {
        perror("Memory Allocate for Add Screen");
        return AddScreenResult::kRecordUnavailable;
    }
    record->status = kStatusUndeclared;
    record->inFile = 0;
    record->inLayout = 0;
    record->loaded = 0;
    record->screenNo = screenNo;
    record->portIndex = kBlankPortIndex;
    record->speedIndex = kBlankSpeedIndex;
    record->sampling = 0;
    record->identifier = makers.makeIdentifier(screenNo);
    if (record->identifier == nullptr) {
        perror("Id AlloCate");
        // The writer and the layout lines need an identifier for every
        // record; a record without one must not survive.
        deviceList = g_list_remove(deviceList, record);
        g_free(record);
        return AddScreenResult::kIdentifierUnavailable;
    }
    return AddScreenResult::kAdded;
}
