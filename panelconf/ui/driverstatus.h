// The Driver Status page: whether a screen's driver section is in force,
// kept but unused, or removed at the next Apply.
#ifndef PANELCONF_UI_DRIVERSTATUS_H
#define PANELCONF_UI_DRIVERSTATUS_H

#include <gtk/gtk.h>

#include "driverlink/driverstatusrules.h"

// Fills the Driver page: the three status radios, the record's status
// chosen, and the Change of Status button (insensitive).
void BuildDriverPage(GtkWidget* page, const DeviceRecord* record);

// "clicked" of changeStatusButton: gives the record of the screen the spin
// shows the status of the active radio, brings the Main page's link and
// calibration controls in line and shows the status. Nothing reaches the file
// or the driver block before Apply.
void StatChkCallBack(GtkWidget* button, gpointer data);

// Puts a plan on the Main page's port, speed, sampling and calibration
// controls and the status radios, with the port, speed and sampling handlers
// blocked, so that the change never counts as the user's.
void ApplyLinkControlsPlan(const LinkControlsPlan& plan);

// Shows a status on the Driver page and in the status bar: the radio with
// that status's label becomes active (no user press, so the Change button is
// left as it is) and the status bar text is replaced.
void ShowStatusRadio(DeviceStatus status);

// Status bar message of a record status (0 Enable, 1 Disable, else
// Undeclared): pops the previous one and pushes the new one.
void ShowDriverStatus(int status);

void ConnectDriverStatusHandlers();

#endif
