// panelinstall's editing passes on arbitrary text, with the mode, screen and
// serial numbers taken from the first bytes (any int, as the command line
// may give them). Besides running clean under the sanitizers:
//  - for a mode of 0, 1 or 2 the default section(s) for the screen stand in
//    the result, byte for byte, in the file's line end; any other mode adds
//    no section;
//  - the uninstaller's passes on the result find the added section(s) and
//    report the screen's own identifier as the last one removed;
//  - for a text the program accepts (its sections nest) and that does not
//    name the new device outside the driver sections, a second run gives
//    the first run's text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "driversection.h"
#include "editpasses.h"
#include "textfuncs.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "install property broken: %s\n", what);
        abort();
    }
}

int TakeInt(const uint8_t** data, size_t* size) {
    int32_t value = 0;
    size_t n = *size < sizeof value ? *size : sizeof value;
    memcpy(&value, *data, n);
    *data += n;
    *size -= n;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Mostly the three real modes and small numbers; now and then anything.
    const uint8_t selector = size > 0 ? data[0] : 0;
    if (size > 0) {
        ++data;
        --size;
    }
    int mode = selector % 3;
    int screen = (selector >> 2) % 4;
    int serial = (selector >> 4) % 9;
    if (selector >= 0xF0) {
        mode = TakeInt(&data, &size);
        screen = TakeInt(&data, &size);
        serial = TakeInt(&data, &size);
    }
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> removed;
    const std::string kept = DropLayoutLine(DropDriverSections(input, &removed), removed);
    InstallReport report;
    const std::string text = InstallPasses(input, mode, screen, serial, &report);
    Check(report.removedIdentifiers == removed, "the passes' report");

    std::ostringstream written;
    DriverWrite4(written, mode, screen, serial);
    const bool realMode = mode == kModeSerial || mode == kModeUsb || mode == kModeBoth;
    Check(realMode != written.str().empty(), "default section for the mode");
    std::string sections;
    const std::string_view lineEnd = FileLineEnd(kept, FileLineEnd(input));
    for (char c : written.str()) {
        sections += c == '\n' ? std::string(lineEnd) : std::string(1, c);
    }
    Check(text.find(sections) != std::string::npos, "the default section is missing");

    if (realMode) {
        std::vector<std::string> removedAgain;
        DropDriverSections(text, &removedAgain);
        Check(!removedAgain.empty() &&
                  removedAgain.back() == FormatText("\"TAVIR TouchPanel%d\"", screen),
              "the added section is not found as the last driver section");
        SectionFault fault;
        const std::string device = FormatText("\"TAVIR TouchPanel%d\"", screen);
        if (!FindSectionFault(input, &fault) && kept.find(device) == std::string::npos) {
            InstallReport again;
            Check(InstallPasses(text, mode, screen, serial, &again) == text,
                  "a second run changed the text");
        }
    }
    return 0;
}
