// panelinstall: sets up an X server configuration file for one screen's
// touch panel.
//   panelinstall X's_path mode screen_num serial_num
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/atomicfile.h"
#include "configedit.h"
#include "configtext.h"
#include "driversection.h"
#include "editpasses.h"
#include "textfuncs.h"
#include "version.h"

namespace {

// The temporary file lies beside the configuration file, so the final rename
// never crosses file systems and nobody else can plant anything at its name.
constexpr const char* kTempTemplate = "panelinstall.XXXXXX";

std::string ReadFailure(const char* path) {
    return FormatText("Can't open X's config file\"%s\".", path);
}

}  // namespace

// Replaces the driver sections of the file at path by the default section(s)
// for screenNum and names the device in every ServerLayout section. The file
// is replaced in one step; on any failure it is left as it was.
int WriteConf4(int mode, int screenNum, const char* path, int serialNum) {
    const EditTexts texts{"WriteConf4", "WriteConfig", kTempTemplate, ReadFailure};
    AtomicFileWriter writer;
    InstallReport report;
    EditConfigFile(
        path, texts, writer,
        [&](const std::string& text) {
            return InstallPasses(text, mode, screenNum, serialNum, &report);
        },
        EditEnd::kCommit);

    // Done, but perhaps not what the administrator meant: say so.
    const std::string device = FormatText("\"TAVIR TouchPanel%d\"", screenNum);
    std::vector<std::string> others;
    for (const std::string& identifier : report.removedIdentifiers) {
        if (identifier != device &&
            std::find(others.begin(), others.end(), identifier) == others.end()) {
            others.push_back(identifier);
        }
    }
    if (!others.empty()) {
        std::string names;
        for (const std::string& identifier : others) {
            names += (names.empty() ? "" : ", ") + identifier;
        }
        const bool one = others.size() == 1;
        PrntErr(0, "WriteConf4",
                FormatText("Removed the touch panel%s %s with %s settings and calibration; "
                           "panelinstall sets up %s only. Panels of further screens are added "
                           "in panelconf.",
                           one ? "" : "s", names.c_str(), one ? "its" : "their", device.c_str())
                    .c_str());
    }
    if (report.layoutsClosed == 0) {
        PrntErr(0, "WriteConf4",
                FormatText("No ServerLayout section in \"%s\": the X server will not use %s "
                           "until a ServerLayout section names it (InputDevice %s).",
                           path, device.c_str(), device.c_str())
                    .c_str());
    }
    return 0;
}

int main(int argc, char** argv) {
    static const char* const kUsage = "command X's_path mode screen_num serial_num";
    // Only a lone option is one: a configuration file may be called anything.
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        fputs(
            "usage: panelinstall X's_path mode screen_num serial_num\n"
            "  X's_path    the X server configuration file, e.g. /etc/X11/xorg.conf\n"
            "  mode        0 serial panel, 1 USB panel, 2 both\n"
            "  screen_num  the X screen of the panel: 0, 1, ...\n"
            "  serial_num  the serial port /dev/ttyS<serial_num>, 0 to 8 (give one for mode 1 "
            "too)\n"
            "Replaces every touch panel of the file by the default section(s) for\n"
            "screen_num; panels of further screens are added in panelconf.\n",
            stdout);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("panelinstall %s\n", kUtilityVersion);
        return 0;
    }
    if (argc != 5) {
        PrntErr(1, "WriteConfig", kUsage);
    }
    const char* path = argv[1];
    int mode = ArgToInt(argv[2]);
    int screenNum = ArgToInt(argv[3]);
    int serialNum = ArgToInt(argv[4]);
    if (serialNum < 0 || serialNum > 8) {
        PrntErr(1, "WriteConfig", "arg(serial_number) is bad format.");
    }
    // Any other mode would name the device in the layout without defining it;
    // a negative screen gives a device name panelconf cannot take back.
    if ((mode != kModeSerial && mode != kModeUsb && mode != kModeBoth) || screenNum < 0) {
        PrntErr(1, "WriteConfig", kUsage);
    }
    return WriteConf4(mode, screenNum, path, serialNum);
}
