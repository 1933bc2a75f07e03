// What the program's entry needs from the window side, free of toolkit
// types, so that the entry itself never includes the toolkit.
#ifndef PANELCONF_UI_PROGRAM_H
#define PANELCONF_UI_PROGRAM_H

// Initialises the toolkit with the command line and opens the display;
// false when no display can be opened.
bool OpenDisplay(int* argc, char*** argv);

// The size of the whole default X screen; false (nothing stored) without an
// X display.
bool QueryDefaultScreenSize(int* width, int* height);

// Stores that size in screenWidth and screenHeight.
void ReadDefaultScreenSize();

// Builds, fills and shows the window (its contents stay hidden in
// calibration-only mode), attaches the driver block, connects the handlers
// and runs the start-up rules. Does not return when a rule ends the program.
void CreateMainWindow();

// Runs the main loop until OK, Cancel or closing the window ends it.
void RunMainLoop();

// Calibration-only mode: one run for the record of the display's own X
// screen (the number after the "." of DISPLAY, 0 without one), then Apply
// whatever the outcome. Without such a record nothing is run or written. The
// exit status for the program: 0 when the run completed and Apply rewrote the
// configuration file, 1 otherwise.
int CalibrateOnly();

#endif
