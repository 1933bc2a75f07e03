// Apply, OK and Cancel: storing what the window shows for the current screen,
// pushing the live settings to the driver, rewriting the configuration file,
// and putting the driver's settings back on Cancel.
#ifndef PANELCONF_UI_APPLYOKCANCEL_H
#define PANELCONF_UI_APPLYOKCANCEL_H

#include <gtk/gtk.h>

struct DeviceRecord;

// Record of the screen the spin shows (the first with that number), or
// nullptr. The current device node is not consulted: Apply, Cancel and the
// driver status work on the screen the user sees.
DeviceRecord* SpinScreenRecord();

// "clicked" of applyButton; also run by OkFunc and, with null arguments,
// after a calibration-only run. Both arguments are ignored.
void ApplyFunc(GtkWidget* widget, gpointer data);

// "clicked" of okButton: releases the serial link, applies, ends the main
// loop (also when Apply found no record).
void OkFunc(GtkWidget* widget, gpointer data);

// "clicked" of cancelButton: puts the settings of the last Apply back into
// the driver block and ends the main loop. Writes no file.
void CancelFunc(GtkWidget* widget, gpointer data);

// Connects the three buttons, and the user presses of the calibration-point
// and driver status radios and the border spin's changes to the change
// notice handlers.
void ConnectApplyOkCancelHandlers();

#endif
