// panelinstall: sets up an X server configuration file for one screen's
// touch panel.
//   panelinstall X's_path mode screen_num serial_num
#include <cstdlib>
#include <string>
#include <vector>

#include "config/atomicfile.h"
#include "configtext.h"
#include "driversection.h"
#include "editpasses.h"
#include "textfuncs.h"

namespace {

// The temporary file lies beside the configuration file, so the final rename
// never crosses file systems and nobody else can plant anything at its name.
constexpr const char* kTempTemplate = "panelinstall.XXXXXX";

}  // namespace

// Replaces the driver sections of the file at path by the default section(s)
// for screenNum and names the device in every ServerLayout section. The file
// is replaced in one step; on any failure it is left as it was.
int WriteConf4(int mode, int screenNum, const char* path, int serialNum) {
    std::string text;
    if (!ReadConfigText(path, &text)) {
        PrntErr(1, "WriteConf4", FormatText("Can't open X's config file\"%s\".", path).c_str());
    }

    AtomicFileWriter writer;
    if (!writer.Open(path, kTempTemplate)) {
        std::string temp = DirectoryPart(writer.TargetPath()) + "/" + kTempTemplate;
        PrntErr(1, "WriteConf4", FormatText("Can't open tmpolary file\"%s\"", temp.c_str()).c_str());
    }

    std::vector<std::string> removedIdentifiers;
    text = DropDriverSections(text, &removedIdentifiers);
    text = DropLayoutLine(text, removedIdentifiers);
    text = AddDriverSection(text, mode, screenNum, serialNum);

    if (!writer.Write(text) || !writer.Commit()) {
        std::string reason = writer.Error();
        writer.Abort();
        PrntErr(1, "WriteConfig", FormatText("Can't write \"%s\" (%s)", path, reason.c_str()).c_str());
    }
    return 0;
}

int main(int argc, char** argv) {
    static const char* const kUsage = "command X's_path mode screen_num serial_num";
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
    // Any other mode would name the device in the layout without defining it.
    if (mode != kModeSerial && mode != kModeUsb && mode != kModeBoth) {
        PrntErr(1, "WriteConfig", kUsage);
    }
    return WriteConf4(mode, screenNum, path, serialNum);
}
