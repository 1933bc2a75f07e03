// paneluninstall: removes the touch panel's driver sections from an X server
// configuration file, keeping the previous file as "<path>.old".
//   paneluninstall xpath
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config/atomicfile.h"
#include "configedit.h"
#include "editpasses.h"
#include "textfuncs.h"
#include "version.h"

namespace {

constexpr const char* kTempTemplate = "paneluninstall.XXXXXX";

std::string ReadFailure(const char* path) {
    return FormatText("Can't open X's config fil\"%s\"", path);
}

}  // namespace

int main(int argc, char** argv) {
    // Only a lone option is one: a configuration file may be called anything.
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        fputs(
            "usage: paneluninstall xpath\n"
            "  xpath  the X server configuration file, e.g. /etc/X11/xorg.conf\n"
            "Removes every touch panel of the file and keeps the previous file as\n"
            "xpath.old.\n",
            stdout);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("paneluninstall %s\n", kUtilityVersion);
        return 0;
    }
    if (argc != 2) {
        PrntErr(1, "uninstall", "command xpath");
    }
    const char* path = argv[1];
    const EditTexts texts{"uninstall", "uninstall", kTempTemplate, ReadFailure};
    // Everything that can fail for a reason of this file or this user
    // (writing, flushing, owner, mode, the temporary file's name) is done
    // before the backup is made, so a run that fails leaves no backup.
    AtomicFileWriter writer;
    EditConfigFile(
        path, texts, writer, [](const std::string& text) { return UninstallPasses(text); },
        EditEnd::kPrepare);
    // The backup is made before the new text takes the path, so the path
    // always holds a complete file and the backup is exactly the old one.
    std::string backup = std::string(path) + ".old";
    if (!MakeBackup(path, backup.c_str())) {
        writer.Abort();
        PrntErr(1, "uninstall", FormatText("Can't make backup file\"%s\"", backup.c_str()).c_str());
    }
    if (!writer.Replace()) {
        std::string reason = writer.Error();
        writer.Abort();
        // The file keeps its old text: the backup this run made of it goes.
        unlink(backup.c_str());
        PrntErr(1, "uninstall",
                FormatText("Can't write \"%s\" (%s)", path, reason.c_str()).c_str());
    }
    return 0;
}
