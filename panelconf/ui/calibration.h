// Calibration: a full-screen window shows the targets one after the other
// while the running driver takes a touch for each, advances the target
// number and, after the last one, computes the coefficients, which are then
// copied into the device record of the screen shown in the screen spin.
//
// What the handshake decides lives in driverlink/calibsession.h; this window
// only draws the targets it names. The driver's answer is waited for by a
// watcher thread (driverlink/calibwatch.h) that wakes the main loop only when
// it has come, rather than by an idle handler, so that waiting for a touch
// costs next to no processor time on the panel PC whose X server has to take
// those touches; the main loop alone takes the answer up.
#ifndef PANELCONF_UI_CALIBRATION_H
#define PANELCONF_UI_CALIBRATION_H

#include <gtk/gtk.h>

#include <cstdint>

#include "ui/program.h"

// The calibration window and what it holds; all nullptr outside a run.
extern GtkWidget* calWindow;
extern GtkWidget* calCrossImage;  // the 10 x 10 target marker
extern GtkWidget* calLabel;       // caption "Calibration: n"
// Id of the running 10-second time-out, 0 when none runs.
extern guint calTimeoutId;

// How often the block is looked at while a run waits for the driver: by the
// watcher thread, or, when no thread could be made, by a main-loop timer.
// Every look costs a wake-up, so the interval is as long as a prompt answer
// allows (on average half of it passes before the look).
constexpr guint kCalibWatchMs = 16;

// Marker size and the pixel, counted from 0, that stands on the target.
constexpr int kCalibMarkerSize = 10;
constexpr int kCalibMarkerCentre = 5;

// Runs when a run has completed, so that the window can offer to save it.
using CalibrationCompleted = void (*)();
void SetCalibrationCompleted(CalibrationCompleted callback);

// Handler ("clicked" of calibrationButton); start-up calls it with nullptrs
// in calibration-only mode. Returns when the run has ended.
void DoCalibration(GtkWidget* widget, gpointer data);

// The run itself, for the record of the screen the spin shows: 1 when it
// completed (every target taken, whether or not the driver had valid
// coefficients), 0 when it did not start or ended unfinished.
//
// The targets are shown on that record's X screen: the display's own, or
// another screen of the same X server through a second connection (the
// block then carries that screen's size). When the X server has no such
// screen or it cannot be reached, the run is refused with message code 10
// (on standard error in calibration-only mode) and the block is untouched.
int RunCalibration();

// Creates the window, shows target 1 and hands the first target to the
// driver. Returns 1.
int StartCalibration();

// Creates the undecorated full-screen window into *window, with its fixed
// container as object data "fixed". The ratio and count are not used.
void CreateCalibWindow(GtkWidget** window, float borderRatio, uint8_t pointsNum);

// Shows target `point` of a `count`-point run with the caption. Ends the
// program with status 1 when the count is not 4, 9 or 25 or the marker
// cannot be built.
void PutTouchPoint(GtkWidget* window, const char* caption, int point, uint8_t count,
                   float borderRatio, int width, int height);

// The handshake poll (run by the main loop when the watcher has seen an
// answer, or by its timer) and the time-out; both keep their source (TRUE).
gboolean OnSyncDriver(gpointer data);
gboolean OnTimeOut(gpointer data);

#endif
