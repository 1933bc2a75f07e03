#include "driverlink/driverstatusrules.h"

#include <cstring>

#include "config/driveroptions.h"
#include "labels.h"

namespace {

// Item of a combo for a stored index; -1 (no item) for an index the list
// does not have, so that a damaged record never selects past the list.
int RowOf(int32_t index, int count) {
    return (index >= 0 && index < count) ? static_cast<int>(index) : -1;
}

// Port and speed items of an enabled or disabled record. The USB link has no
// speed: its speed entry stays empty.
// A port or speed the tables do not hold shows no item, as the file's own
// value is kept until the user picks one.
void ChooseLinkRows(const DeviceRecord& record, LinkControlsPlan* plan) {
    plan->portRow =
        record.keptDevice != nullptr ? -1 : RowOf(record.portIndex, driveropts::kPortCount);
    plan->speedRow = plan->portRow == driveropts::kUsbPortIndex || record.keptBaudRate != nullptr
                         ? -1
                         : RowOf(record.speedIndex, driveropts::kSpeedCount);
}

bool IsUsb(const LinkControlsPlan& plan) { return plan.portRow == driveropts::kUsbPortIndex; }

LinkControlsPlan EmptyPlan(DeviceStatus shown) {
    LinkControlsPlan plan{};
    plan.shownStatus = shown;
    plan.portRow = -1;
    plan.speedRow = -1;
    plan.setSampling = false;
    plan.samplingValue = 0;
    plan.port = plan.speed = plan.sampling = plan.calibration = plan.statusRadios =
        Sensitivity::kKeep;
    return plan;
}

}  // namespace

DeviceStatus StatusForLabel(const char* label, int language) {
    if (label == nullptr) {
        return kStatusUndeclared;
    }
    if (std::strcmp(label, LabelTextIn(statusNames, language, kStatusEnable)) == 0) {
        return kStatusEnable;
    }
    if (std::strcmp(label, LabelTextIn(statusNames, language, kStatusDisable)) == 0) {
        return kStatusDisable;
    }
    return kStatusUndeclared;
}

void SetRecordStatus(DeviceRecord* record, DeviceStatus status) {
    record->status = status;
    switch (status) {
        case kStatusEnable:
            record->inFile = 1;
            record->inLayout = 1;
            break;
        case kStatusDisable:
            record->inFile = 0;
            record->inLayout = 1;
            break;
        default:
            record->status = kStatusUndeclared;
            record->inFile = 0;
            record->inLayout = 0;
            break;
    }
}

LinkControlsPlan PlanStatusChange(const DeviceRecord& record) {
    switch (record.status) {
        case kStatusEnable: {
            LinkControlsPlan plan = EmptyPlan(kStatusEnable);
            ChooseLinkRows(record, &plan);
            plan.port = Sensitivity::kOn;
            // A speed cannot be chosen for the USB link.
            plan.speed = IsUsb(plan) ? Sensitivity::kOff : Sensitivity::kOn;
            plan.sampling = Sensitivity::kOn;
            // Only a device the X server has loaded can be calibrated.
            plan.calibration = record.loaded ? Sensitivity::kOn : Sensitivity::kKeep;
            return plan;
        }
        case kStatusDisable: {
            LinkControlsPlan plan = EmptyPlan(kStatusDisable);
            ChooseLinkRows(record, &plan);
            plan.port = plan.speed = plan.calibration = Sensitivity::kOff;
            return plan;
        }
        default: {
            LinkControlsPlan plan = EmptyPlan(kStatusUndeclared);
            plan.port = plan.speed = plan.calibration = Sensitivity::kOff;
            return plan;
        }
    }
}

LinkControlsPlan PlanScreenSelect(const DeviceRecord* record, bool root) {
    if (record == nullptr) {
        // No record for this number: nothing on the Main page or the Driver
        // page may be changed for it.
        LinkControlsPlan plan = EmptyPlan(kStatusUndeclared);
        plan.setSampling = true;
        plan.samplingValue = 0;
        plan.port = plan.speed = plan.sampling = plan.calibration = plan.statusRadios =
            Sensitivity::kOff;
        return plan;
    }

    LinkControlsPlan plan = EmptyPlan(kStatusUndeclared);
    plan.setSampling = true;
    plan.samplingValue = record->sampling;
    plan.statusRadios = root ? Sensitivity::kOn : Sensitivity::kKeep;
    switch (record->status) {
        case kStatusEnable:
            plan.shownStatus = kStatusEnable;
            ChooseLinkRows(*record, &plan);
            if (root) {
                plan.port = Sensitivity::kOn;
                plan.speed = IsUsb(plan) ? Sensitivity::kOff : Sensitivity::kOn;
                plan.sampling = Sensitivity::kOn;
            }
            plan.calibration = record->loaded ? Sensitivity::kOn : Sensitivity::kKeep;
            break;
        case kStatusDisable:
            plan.shownStatus = kStatusDisable;
            ChooseLinkRows(*record, &plan);
            plan.port = plan.speed = plan.sampling = plan.calibration = Sensitivity::kOff;
            break;
        default:
            plan.port = plan.speed = plan.sampling = plan.calibration = Sensitivity::kOff;
            break;
    }
    return plan;
}
