// Start-up of the utility after its device record exists: who the user is,
// which configuration file is used, what it holds, and which panels the
// running X server has loaded.
#ifndef PANELCONF_STARTUP_H
#define PANELCONF_STARTUP_H

#include <cstddef>
#include <cstdio>
#include <string>

#include "config/configwriter.h"

constexpr size_t kQueryOutputSize = 512;

// The command that lists the X server's input devices by name.
constexpr const char* kDeviceQueryCommand = "xsetpointer -l";

// The lister installed with the suite for systems without xsetpointer
// (absolute; empty when the build installs none).
extern const char* const kOwnDeviceLister;

// The command SetParam runs: kDeviceQueryCommand when a directory of
// searchPath (PATH's form; null for the system's default path) holds an
// executable xsetpointer, else ownLister with -l when that is an executable
// file, else kDeviceQueryCommand all the same (the shell then reports it
// missing and nothing counts as loaded).
std::string ChooseDeviceQuery(const char* searchPath, const char* ownLister);

// Makes the start-up record (screen 0, Undeclared, port COM2 at 9600 bps,
// the program's own identifier) as the only element of deviceList and points
// currentDeviceNode at it. -1, reported with perror, when memory is short.
int CreateStartupRecord();

// Hands the program's state to the reader: reads configPath into deviceList
// and layoutList, and keeps the calibPointsNum and driverSectionCount it
// gives back. ReadConfigData's result.
int ReadProgramConfig();

// The program's records and shared values as the writer takes them
// (deviceList, calibPointsNum, sendCoreEvents, screenWidth, screenHeight).
WriteValues ProgramWriteValues();

// True when the login name begins with "root", case ignored.
bool LoginIsRoot(const char* loginName);

// Reads the query's output into buffer (kQueryOutputSize bytes, NUL
// terminated), keeping the first 511 characters and dropping the rest.
void CollectQueryOutput(FILE* output, char* buffer);

// Marks every record whose own device name occurs in the query output as
// loaded and sets driverLoaded and restartNeeded accordingly.
void MarkLoadedDevices(const char* queryOutput);

// User check, configuration discovery and reading, and the start of the
// loaded-device query. 0, or -1 when no candidate file exists, the file
// cannot be read or the query cannot be started.
int SetParam();

// Takes the started query's answer and marks the loaded devices. Only the
// start-up rules need it, so the query (a child process and its own X
// connection) runs while the window is built. Does nothing when no query
// is pending.
void FinishDeviceQuery();

#endif
