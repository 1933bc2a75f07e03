// The Main page selectors: configuration file, link port, link speed,
// controller product and sampling rate. Each writes the choice into the
// current device record at once; what the driver can use live goes into the
// shared block as well; the file is only written by Apply.
#ifndef PANELCONF_UI_MAINPAGE_H
#define PANELCONF_UI_MAINPAGE_H

#include <gtk/gtk.h>

struct DeviceRecord;

// Fills the Main page from the record: the configuration, port, speed and
// product combos, the sampling scale and the Calibration button. Returns the
// text the port combo shows ("" when none).
const char* BuildMainPage(GtkWidget* page, const DeviceRecord* record);

// "changed" of the configuration combo: the chosen template, expanded, becomes
// the file Apply reads and rewrites.
void SelectConfig(GtkComboBox* combo, gpointer data);

// "changed" of portCombo (portSelectHid). USB empties and disables the speed
// combo and disables the communication test's widgets; a serial port brings
// them back.
void SelectPort(GtkComboBox* combo, gpointer data);

// "changed" of speedCombo (speedSelectHid).
void SelectSpeed(GtkComboBox* combo, gpointer data);

// "changed" of the product combo: live in the block, and forces the number of
// calibration points the product needs.
void gcb_ProductCombo(GtkComboBox* combo, gpointer data);

// "value-changed" of the sampling scale's adjustment (samplingHid): live in
// the block.
void GetSamplingValue(GtkAdjustment* adjustment, gpointer data);

// Connects the five selectors and keeps portSelectHid, speedSelectHid and
// samplingHid. Called once from ConnectPageHandlers.
void ConnectMainPageHandlers();

#endif
