#include "startup.h"

#include <glib.h>

#include <cerrno>
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

    if (ReadConfigData() == -1) {
        return -1;
    }

    pendingQuery = popen(kDeviceQueryCommand, "r");
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
