// Reading the driver's InputDevice sections and the ServerLayout entries of
// the X server configuration file into the device records.
#ifndef PANELCONF_CONFIG_CONFIGREADER_H
#define PANELCONF_CONFIG_CONFIGREADER_H

#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "devicerecord.h"

// What the reader works on, handed over by its caller (start-up hands the
// program's deviceList, layoutList, calibPointsNum and driverSectionCount and
// keeps what comes back). The reader reaches for nothing else.
struct ConfigRead {
    // The records (GList of DeviceRecord*): the first driver section fills
    // the first record, each further one appends a record.
    GList* records = nullptr;
    // Identifiers named by ServerLayout InputDevice lines (GList of char*),
    // appended to.
    GList* layout = nullptr;
    // The point count the coefficients are read with; set by each driver
    // section.
    uint8_t calibPointsNum = 0;
    // Driver sections read so far.
    uint32_t driverSectionCount = 0;
};

// Reads the file at path into *read: fills the first record with the first
// driver section, appends one record per further driver section, collects
// the layout identifiers and decides each record's status. 0, or -1 when
// the file cannot be read (the reason is reported on standard error).
int ReadConfigData(const char* path, ConfigRead* read);

// Called just after a Section "InputDevice" line: reads to the section's
// EndSection and fills or creates a record when the driver is tavir.
int ReadInputDevParameter(FILE* file, ConfigRead* read);

// Called just after a Section "ServerLayout" line: reads to its EndSection,
// appending the identifier of every InputDevice line to *layout.
int ReadSvrLayoutParameter(FILE* file, GList** layout);

// portIndex from a "Device" option's value token.
void ConfigPort(DeviceRecord* record, const std::string& valueToken);

// speedIndex from a "BaudRate" option's value token.
void ConfigLinkSpeed(DeviceRecord* record, const std::string& valueToken);

#endif
