// The message dialogs: one fixed message, one confirmation button, modal and
// transient for the main window, waited for in a nested main loop.
#ifndef PANELCONF_UI_DIALOGS_H
#define PANELCONF_UI_DIALOGS_H

#include "labels.h"

// Shows the message of the code and returns once the dialog has been closed,
// by its button, by Return or by the window manager. Works before the main
// loop runs and from any handler. Code 5, a code above 10 and the two codes
// whose text is a format (9, 10) log a warning and show nothing.
void DialogWindow(unsigned int code);

// Message code 9 with the file's path and the reason filled in.
void SaveFailedDialog(const char* path, const char* reason);

// Message code 10 with the screen number filled in.
void CalibScreenDialog(int screen);

// Window name given to every message dialog, so tests and tools find it
// among the toplevels.
constexpr const char* kDialogWidgetName = "MessageDialog";

#endif
