#include "startup.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "config/configreader.h"
#include "configsearch.h"
#include "devicerecord.h"

int CreateStartupRecord() {
    DeviceRecord* record = AppendDeviceRecord();
    if (record == nullptr) {
        errno = ENOMEM;
        perror("Can't allocate memory for Device-Configuration.");
        return -1;
    }
    currentDeviceNode = g_list_first(deviceList);
    record->speedIndex = driveropts::kDefaultSpeedIndex;
    record->portIndex = driveropts::kDefaultPortIndex;
    record->screenNo = 0;
    record->status = kStatusUndeclared;
    record->inFile = 0;
    record->inLayout = 0;
    record->loaded = 0;
    record->sampling = 0;
    record->identifier = MakeOwnIdentifier(record->screenNo);
    if (record->identifier == nullptr) {
        errno = ENOMEM;
        perror("Can't allocate memory for ID");
        return -1;
    }
    return 0;
}

int ReadProgramConfig() {
    ConfigRead read{deviceList, layoutList, calibPointsNum, driverSectionCount};
    const int result = ReadConfigData(configPath, &read);
    deviceList = read.records;
    layoutList = read.layout;
    calibPointsNum = read.calibPointsNum;
    driverSectionCount = read.driverSectionCount;
    return result;
}

WriteValues ProgramWriteValues() {
    return WriteValues{deviceList, calibPointsNum, sendCoreEvents, screenWidth, screenHeight};
}

bool LoginIsRoot(const char* loginName) {
    return loginName != nullptr && g_ascii_strncasecmp(loginName, "root", 4) == 0;
}

void CollectQueryOutput(FILE* output, char* buffer) {
    buffer[0] = '\0';
    char line[kQueryOutputSize];
    while (fgets(line, sizeof line, output) != nullptr) {
        g_strlcat(buffer, line, kQueryOutputSize);
    }
}

void MarkLoadedDevices(const char* queryOutput) {
    restartNeeded = 1;
    for (GList* node = deviceList; node != nullptr; node = node->next) {
        auto* record = static_cast<DeviceRecord*>(node->data);
        char name[64];
        g_snprintf(name, sizeof name, driveropts::kOwnDeviceNameFormat, record->screenNo);
        if (strstr(queryOutput, name) != nullptr) {
            driverLoaded = 1;
            record->loaded = 1;
            restartNeeded = 0;
        }
    }
}

#ifndef PANEL_OWN_LISTER
#define PANEL_OWN_LISTER ""
#endif
const char* const kOwnDeviceLister = PANEL_OWN_LISTER;

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// Looks for xsetpointer as the shell will: each directory of the list in
// turn, an empty entry meaning the working directory.
bool ListerOnPath(const char* searchPath) {
    std::string directories;
    if (searchPath != nullptr) {
        directories = searchPath;
    } else {
        size_t size = confstr(_CS_PATH, nullptr, 0);
        if (size > 0) {
            directories.resize(size);
            confstr(_CS_PATH, directories.data(), size);
            directories.resize(size - 1);
        }
    }
    size_t start = 0;
    for (;;) {
        size_t end = directories.find(':', start);
        std::string directory = directories.substr(start, end - start);
        if (IsExecutableFile((directory.empty() ? "." : directory) + "/xsetpointer")) {
            return true;
        }
        if (end == std::string::npos) {
            return false;
        }
        start = end + 1;
    }
}

}  // namespace

std::string ChooseDeviceQuery(const char* searchPath, const char* ownLister) {
    if (ListerOnPath(searchPath) || ownLister == nullptr || ownLister[0] == '\0' ||
        !IsExecutableFile(ownLister)) {
        return kDeviceQueryCommand;
    }
    gchar* quoted = g_shell_quote(ownLister);
    std::string command = std::string(quoted) + " -l";
    g_free(quoted);
    return command;
}

namespace {

// The loaded-device query between SetParam and FinishDeviceQuery.
FILE* pendingQuery = nullptr;

}  // namespace

int SetParam() {
    const char* user = g_get_user_name();
    g_print("  User    %s\n", user);
    isRoot = LoginIsRoot(user) ? 1 : 0;

    if (FindConfigFile() != 0) {
        return -1;
    }
    g_print("  Config  %s\n", configPath);

    if (ReadProgramConfig() == -1) {
        return -1;
    }

    // An xsetpointer on PATH (Debian's x11-xserver-utils) when there is one, else ours.
    std::string query = ChooseDeviceQuery(getenv("PATH"), kOwnDeviceLister);
    pendingQuery = popen(query.c_str(), "r");
    if (pendingQuery == nullptr) {
        perror("popen");
        return -1;
    }
    return 0;
}

void FinishDeviceQuery() {
    if (pendingQuery == nullptr) {
        return;
    }
    char output[kQueryOutputSize];
    CollectQueryOutput(pendingQuery, output);
    pclose(pendingQuery);
    pendingQuery = nullptr;
    MarkLoadedDevices(output);
}
