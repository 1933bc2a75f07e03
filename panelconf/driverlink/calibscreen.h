// On which X screen a calibration run shows its targets. The driver maps the
// touches of a panel onto the X screen of its record (screenNo), so the
// targets must stand on that screen and nowhere else: a run whose targets
// another screen shows would store coefficients that fit no panel.
//
// A display connection has one default X screen (the number after the "."
// of its name). A record of another screen is calibrated through a second
// connection to the same X server whose default screen is that one.
#ifndef PANELCONF_DRIVERLINK_CALIBSCREEN_H
#define PANELCONF_DRIVERLINK_CALIBSCREEN_H

#include <string>

enum class CalibScreenKind {
    kOwn,     // the record's screen is the display's own
    kOther,   // the X server has the record's screen: open a connection to it
    kRefuse,  // the X server has no such screen: no run
};

// The record's screen against the display's own screen and the number of
// screens the X server has (screens 0 .. serverScreens - 1).
CalibScreenKind PlanCalibScreen(int recordScreen, int displayScreen, int serverScreens);

// The name of a connection to screen `screen` of the X server that
// `displayName` names: "host:D.S" from "host:D" or "host:D.N" (the screen
// part is whatever follows the first "." after the last ":"). Empty when the
// name has no ":" or the screen is negative.
std::string DisplayNameForScreen(const char* displayName, int screen);

#endif
