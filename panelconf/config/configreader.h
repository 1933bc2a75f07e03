// Reading the driver's InputDevice sections and the ServerLayout entries of
// the X server configuration file into the device records.
#ifndef PANELCONF_CONFIG_CONFIGREADER_H
#define PANELCONF_CONFIG_CONFIGREADER_H

#include <cstdio>
#include <string>

#include "devicerecord.h"

// Reads configPath: fills the first record with the first driver section,
// appends one record per further driver section, collects layoutList and
// decides each record's status. 0, or -1 when the file cannot be read (the
// reason is reported on standard error).
int ReadConfigData();

// Called just after a Section "InputDevice" line: reads to the section's
// EndSection and fills or creates a record when the driver is tavir.
int ReadInputDevParameter(FILE* file);

// Called just after a Section "ServerLayout" line: reads to its EndSection,
// appending the identifier of every InputDevice line to layoutList.
int ReadSvrLayoutParameter(FILE* file);

// portIndex from a "Device" option's value token.
void ConfigPort(DeviceRecord* record, const std::string& valueToken);

// speedIndex from a "BaudRate" option's value token.
void ConfigLinkSpeed(DeviceRecord* record, const std::string& valueToken);

#endif
