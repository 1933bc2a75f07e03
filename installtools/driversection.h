// The default driver section a freshly installed panel starts with.
#ifndef INSTALLTOOLS_DRIVERSECTION_H
#define INSTALLTOOLS_DRIVERSECTION_H

#include <ostream>

// Installation kinds given on panelinstall's command line.
enum InstallMode { kModeSerial = 0, kModeUsb = 1, kModeBoth = 2 };

// Writes the default section for the serial port "/dev/ttyS<serialNum>" when
// mode is 0 or 2, then the USB one when mode is 1 or 2, both for screen
// screenNum; flushes and returns out. Any other mode writes nothing.
std::ostream& DriverWrite4(std::ostream& out, int mode, int screenNum, int serialNum);

#endif
