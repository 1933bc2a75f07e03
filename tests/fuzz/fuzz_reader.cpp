// The configuration reader on arbitrary bytes: it must never crash, read out
// of bounds or leave the device list empty.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <glib.h>

#include "config/configreader.h"
#include "fuzzsupport.h"
#include "startup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScratchConfig scratch(data, size);
    if (CreateStartupRecord() != 0) {
        abort();
    }
    ReadProgramConfig();
    if (deviceList == nullptr || g_list_length(deviceList) < driverSectionCount) {
        abort();
    }
    ResetDeviceState();
    return 0;
}
