// Signal wiring of the main window (handlers_connect.cpp).
#ifndef PANELCONF_UI_HANDLERS_CONNECT_H
#define PANELCONF_UI_HANDLERS_CONNECT_H

// Connects every handler of the window, storing the kept ids. Called by
// CreateMainWindow after all controls have their initial values.
void ConnectPageHandlers();

#endif
