// The in-memory device records every part of the utility works on, the list
// that holds them, the identifiers named by the ServerLayout sections, and the
// values all records share.
#ifndef PANELCONF_DEVICERECORD_H
#define PANELCONF_DEVICERECORD_H

#include <glib.h>

#include <cstdint>

#include "config/driveroptions.h"

// Record status: what the writer does with the record.
enum DeviceStatus : uint8_t {
    kStatusEnable = 0,      // section written and listed in ServerLayout
    kStatusDisable = 1,     // section written, not listed
    kStatusUndeclared = 2,  // nothing written
};

struct DeviceRecord {
    char* identifier;  // heap text, double quotes included
    uint8_t status;
    uint8_t inFile;
    uint8_t inLayout;
    uint8_t loaded;
    int32_t coefficient[driveropts::kCoefficientCount];
    int32_t coefficient4p[driveropts::kCoefficient4pCount];
    int32_t coefficientRevise[driveropts::kCoefficientReviseCount];
    int32_t portIndex;
    int32_t speedIndex;
    int32_t screenNo;
    int32_t cal9Base[driveropts::kCal9BaseCount];
    int32_t cal25Base[driveropts::kCal25BaseCount];
    uint8_t sampling;
    float borderRatio;
    int32_t productChanged;
    int32_t linkChanged;
    int32_t settings[driveropts::kSettingsCount];
    int32_t debugOption;
    int32_t savedSettings[driveropts::kSettingsCount];
    // Link values of the file that the port and speed tables do not hold
    // ("/dev/ttyS8", "38400"): heap texts written back byte for byte until
    // the user picks a port or a speed; nullptr when the table entry of
    // portIndex or speedIndex is what the file says.
    char* keptDevice;
    char* keptBaudRate;
};

constexpr size_t kConfigPathSize = 256;

// Records in list order (GList of DeviceRecord*); never empty after start-up.
extern GList* deviceList;
// Node of the record the window shows.
extern GList* currentDeviceNode;
// Identifiers named by ServerLayout InputDevice lines (GList of char*).
extern GList* layoutList;

extern uint8_t calibPointsNum;
extern uint32_t driverSectionCount;
extern char configPath[kConfigPathSize];
extern uint8_t calibrateOnly;
extern uint8_t isRoot;
extern uint8_t driverLoaded;
extern uint8_t restartNeeded;
extern uint8_t sendCoreEvents;
extern int screenWidth;
extern int screenHeight;

// Gives every field that the makers of a record leave open the values of a
// freshly installed panel, so that a record written out is a working section.
// Takes no memory; the identifier and the kept link texts are left as they
// were.
void FillDeviceDefaults(DeviceRecord* record);

// Heap copy of the program's own quoted identifier for a screen, or nullptr
// when memory is short. Released with free().
char* MakeOwnIdentifier(int screenNo);

// Allocates a record with the defaults above, status Undeclared, and appends
// it to the list (deviceList when none is given). nullptr (and nothing
// appended) when memory is short.
DeviceRecord* AppendDeviceRecord(GList** list);
DeviceRecord* AppendDeviceRecord();

// First record of deviceList whose screenNo equals the given number.
DeviceRecord* FindRecordByScreen(int screenNo);

// Record of the current node (nullptr before start-up).
DeviceRecord* CurrentRecord();

// Forgets every record, layout identifier and shared value, as at program
// start. For tests, which read several files in one process.
void ResetDeviceState();

#endif
