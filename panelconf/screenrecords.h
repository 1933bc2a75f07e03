// Device records of screens the user adds, free of the toolkit.
#ifndef PANELCONF_SCREENRECORDS_H
#define PANELCONF_SCREENRECORDS_H

#include <glib.h>

#include "devicerecord.h"

// Screen numbers the Add Screen dialog offers.
constexpr int kAddScreenLowest = 0;
constexpr int kAddScreenHighest = 16;

enum class AddScreenResult {
    kAdded,
    kAlreadyPresent,         // a record already has the number: nothing done
    kRecordUnavailable,      // no memory for the record: list unchanged
    kIdentifierUnavailable,  // no memory for the identifier: list unchanged
};

// How a record and its identifier are made; replaceable so that the failure
// paths can be exercised.
struct ScreenRecordMakers {
    DeviceRecord* (*appendRecord)() = AppendDeviceRecord;
    char* (*makeIdentifier)(int screenNo) = MakeOwnIdentifier;
};

// Appends a blank record for the screen: Undeclared, not in the file nor in
// the layout, not loaded, the second port at 9600 bps, sampling 0, the own
// identifier of the screen, and the values of a freshly installed panel for
// everything else. The failures are reported through perror. A record whose
// identifier cannot be made is taken out of the list again, so no record
// without an identifier ever stays in it.
AddScreenResult AddScreenRecord(int screenNo, const ScreenRecordMakers& makers = {});

// Node of the first record with this screen number, or nullptr.
GList* FindScreenNode(int screenNo);

#endif
