// Decisions behind the driver status of a screen, free of the toolkit: which
// status a radio label stands for, what a status means for a record's flags,
// and what the Main page's link and calibration controls show when a status
// is changed or another screen is selected.
#ifndef PANELCONF_DRIVERLINK_DRIVERSTATUSRULES_H
#define PANELCONF_DRIVERLINK_DRIVERSTATUSRULES_H

#include <cstdint>

#include "devicerecord.h"
#include "sensitivity.h"

// The status whose radio label (in the given language, 0 English, 1
// Japanese) is exactly `label`; Undeclared for any other text, nullptr
// included.
DeviceStatus StatusForLabel(const char* label, int language);

// Sets the record's status and the file and layout flags that go with it.
void SetRecordStatus(DeviceRecord* record, DeviceStatus status);

// The Main page's link and calibration controls for one record.
struct LinkControlsPlan {
    DeviceStatus shownStatus;  // row of the status texts and radio labels
    int portRow;               // port item to select; -1 shows no item
    int speedRow;              // speed item to select; -1 shows no item
    bool setSampling;          // move the sampling scale to samplingValue
    uint8_t samplingValue;
    Sensitivity port;
    Sensitivity speed;
    Sensitivity sampling;
    Sensitivity calibration;
    Sensitivity statusRadios;
};

// The Change of Status button was pressed for a record that now has
// `record.status`.
LinkControlsPlan PlanStatusChange(const DeviceRecord& record);

// The screen spin now shows a screen whose record is `record`, or a number
// that no record has (nullptr).
LinkControlsPlan PlanScreenSelect(const DeviceRecord* record, bool root);

#endif
