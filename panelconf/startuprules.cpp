#include "startuprules.h"

#include "pagerules.h"

StartupPlan PlanStartupRules(bool driverLoaded, bool root, const DeviceRecord& record) {
    StartupPlan plan;
    if (!driverLoaded) {
        plan.showMessage = true;
        if (!root) {
            // Nothing could be done for this user: a failed run.
            plan.message = kMsgRootRequiredExit;
            plan.exitAfterMessage = true;
            plan.exitStatus = 1;
            return plan;
        }
        plan.calibration = Sensitivity::kOff;
        plan.message = kMsgDriverNotLoaded;
    } else {
        // The fourth product cannot be calibrated with four points.
        plan.fourPoints = FourPointsAllowedFor(record.settings[driveropts::kProducts])
                              ? Sensitivity::kOn
                              : Sensitivity::kOff;
        if (record.loaded == 0) {
            plan.calibration = Sensitivity::kOff;
        }
        if (!root) {
            plan.disableSettings = true;
            plan.showMessage = true;
            plan.message = kMsgRootForAllFunctions;
        }
    }
    plan.disableLink = record.status != kStatusEnable;
    return plan;
}
