// Attaching the driver's shared block.
#ifndef PANELCONF_DRIVERLINK_SHAREDMEM_H
#define PANELCONF_DRIVERLINK_SHAREDMEM_H

#include "driverlink/sharedblock.h"

// The attached block, or nullptr while there is none. Every reader and writer
// tests it first.
extern DriverSharedBlock* driverBlock;

// The X screen number a display name selects: the integer after its last
// ".", 0 when it has none.
int ScreenNoFromDisplayName(const char* displayName);

// Opens the driver's existing segment (never creates it), attaches it into
// *block and writes the frame fields: screen size from the start-up globals,
// screenNo, calPoint 1, commMode 0, and calibPointsNum unless the global is 0.
// 1 when attached and initialised; 0 when there is no usable segment (*block
// stays nullptr) or when the global calibPointsNum is 0 (*block attached).
int AttachDriverBlock(DriverSharedBlock** block, int screenNo);

#endif
