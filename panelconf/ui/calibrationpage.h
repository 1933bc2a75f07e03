// The Calibration page: the number of calibration points (4, 9, 25, one
// count for every screen) and the border of the current screen's targets.
// Their changes only make OK and Apply sensitive; Apply stores them.
#ifndef PANELCONF_UI_CALIBRATIONPAGE_H
#define PANELCONF_UI_CALIBRATIONPAGE_H

#include <gtk/gtk.h>

struct DeviceRecord;

// Fills the page from calibPointsNum and the record's border ratio, which is
// raised to 1 % first when it is below.
void BuildCalibrationPage(GtkWidget* page, DeviceRecord* record);

#endif
