// The main window as its callers and tests see it: the builder
// (CreateMainWindow, ui/program.h) and the widgets it makes (ui/widgets.h).
// Only the builder and its users include this; the page modules work on
// ui/widgets.h alone.
#ifndef PANELCONF_UI_MAINWINDOW_H
#define PANELCONF_UI_MAINWINDOW_H

#include "ui/program.h"
#include "ui/widgets.h"

#endif
