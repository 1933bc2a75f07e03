// The start-up rules of the main window, free of the toolkit: what the
// window does once it is built, from whether the X server has one of the
// driver's devices, whether the user is root, and the record shown. The
// window side carries the plan out in this order: OK and Apply off, then
// either the exit message, or the Calibration button, the "4" radio, the
// setting controls and the status radios, the message, and last the link
// controls.
#ifndef PANELCONF_STARTUPRULES_H
#define PANELCONF_STARTUPRULES_H

#include "devicerecord.h"
#include "labels.h"
#include "sensitivity.h"

struct StartupPlan {
    // Nothing can be done for this user: show the message, then end the
    // program with this status.
    bool exitAfterMessage = false;
    int exitStatus = 0;
    Sensitivity calibration = Sensitivity::kKeep;
    Sensitivity fourPoints = Sensitivity::kKeep;
    // Every setting control, the Add button and the status radios off.
    bool disableSettings = false;
    bool showMessage = false;
    MessageCode message = kMsgRootForAllFunctions;
    // Port and speed off: the device shown is not enabled.
    bool disableLink = false;
};

StartupPlan PlanStartupRules(bool driverLoaded, bool root, const DeviceRecord& record);

#endif
