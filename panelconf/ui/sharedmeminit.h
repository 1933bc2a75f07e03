// Attaching the driver block from the window side: the screen number comes
// from the name of the display the toolkit opened.
#ifndef PANELCONF_UI_SHAREDMEMINIT_H
#define PANELCONF_UI_SHAREDMEMINIT_H

#include "driverlink/sharedmem.h"

// AttachDriverBlock with the screen number of the default display's name:
// 1 when attached and initialised, 0 otherwise (see AttachDriverBlock).
int SharedMemInit(DriverSharedBlock** block);

// The start-up's attach: SharedMemInit into driverBlock, with the console
// line "  -> Failed to SharedMemInit." when it gives 0.
void AttachDriverAtStartup();

#endif
