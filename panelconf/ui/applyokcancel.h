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

enum class ApplyResult {
    kWritten,     // the configuration file holds the window's settings
    kNoRecord,    // no record has the spin's screen number: nothing done
    kNotWritten,  // stored and sent to the driver, but the file is unchanged
};

// Apply for the screen the spin shows: stores the window's values into its
// record and the driver block and rewrites the configuration file. When the
// file cannot be written the user is told in a dialog (message code 9; not
// in calibration-only mode, which has no window) and OK and Apply stay
// usable.
ApplyResult ApplyCurrentScreen();

// "clicked" of applyButton: ApplyCurrentScreen. Both arguments are ignored.
void ApplyFunc(GtkWidget* widget, gpointer data);

// "clicked" of okButton: releases the serial link, applies, ends the main
// loop (also when Apply found no record). When the file could not be
// written the program goes on, so that the user can mend the cause and
// press OK again, or Cancel.
void OkFunc(GtkWidget* widget, gpointer data);

// "clicked" of cancelButton: puts the settings of the last Apply back into
// the driver block and ends the main loop. Writes no file.
void CancelFunc(GtkWidget* widget, gpointer data);

// Connects the three buttons, and the user presses of the calibration-point
// and driver status radios and the border spin's changes to the change
// notice handlers.
void ConnectApplyOkCancelHandlers();

#endif
