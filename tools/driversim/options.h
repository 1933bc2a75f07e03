// Command line of the driver stand-in.
#ifndef TOOLS_DRIVERSIM_OPTIONS_H
#define TOOLS_DRIVERSIM_OPTIONS_H

#include <string>
#include <vector>

#include "calibdriver.h"

struct SimOptions {
    std::vector<int> screens;  // screens served; {0} when none is given
    // A build number above 255 shows that the field is 16 bits wide.
    int versionMajor = 2, versionMinor = 4, versionBuild = 300;
    bool reuse = false;  // take over an existing segment
    bool useX = true;    // announce devices on the X server
    CalibMode calibMode = CalibMode::kAuto;
    double autoDelayMs = 200;
    HostileKind hostile = HostileKind::kNone;
    bool commSamples = false;  // fill communication-test records
    double commPeriodMs = 100;
    int points = 4;  // calibPointsNum in a fresh segment
    bool help = false;
};

// Parses argv; false with a message in *error on a bad command line.
bool ParseSimOptions(int argc, char** argv, SimOptions* options, std::string* error);

extern const char kSimUsage[];

#endif
