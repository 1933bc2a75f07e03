// Entry of the touch panel utility: mode, language, start-up record, the
// configuration and the X server's loaded devices, then the window or one
// calibration, and the shut-down.
#include <glib.h>

#include <clocale>
#include <cstdio>
#include <cstring>

#include "configsearch.h"
#include "devicerecord.h"
#include "driverlink/blockops.h"
#include "driverlink/sharedmem.h"
#include "labels.h"
#include "language.h"
#include "startup.h"
#include "ui/program.h"

namespace {

// Exit status of a run that could not do its job. Runs that did what was
// asked (OK, Cancel, closing the window) end with 0.
constexpr int kExitFailure = 1;

}  // namespace

// start non-zero: makes the start-up record. Zero: the last console line.
int SetupConfig(uint8_t start) {
    if (start == 0) {
        g_print("  Finished.\n");
        return 0;
    }
    sendCoreEvents = 1;
    driverSectionCount = 0;

    if (CreateStartupRecord() != 0) {
        return -1;
    }

    ReadDefaultScreenSize();
    g_print("  Version %s\n", kUtilityVersion);
    return 0;
}

int main(int argc, char* argv[]) {
    // Decided before GTK sees (and may rewrite) the arguments. The two
    // questions about the program are answered without a display.
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        printf(
            "Usage: panelconf [-c]\n"
            "Sets up and calibrates the touch panels of the tavir X input driver.\n"
            "  -c         run one calibration and save it, without the window\n"
            "  --help     print this text\n"
            "  --version  print the version\n");
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("panelconf %s\n", kUtilityVersion);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "-c") == 0) {
        calibrateOnly = 1;
    }

    setlocale(LC_ALL, "");
    if (!OpenDisplay(&argc, &argv)) {
        const char* display = g_getenv("DISPLAY");
        fprintf(stderr, "panelconf: cannot open display \"%s\"\n", display ? display : "");
        return kExitFailure;
    }

    const char* lang = g_getenv("LANG");
    languageIndex = LanguageIndexFor(lang);
    g_print("  Lang    %s\n", lang != nullptr ? lang : "");

    if (SetupConfig(1) != 0) {
        return kExitFailure;
    }
    if (SetParam() != 0) {
        if (configPath[0] == '\0') {
            // The paths as they were looked for, with HOME and the host name
            // filled in; a template that names no path here says why.
            fprintf(stderr, "panelconf: no X server configuration file found; looked for:\n");
            for (const char* candidate : kConfigCandidates) {
                char path[kConfigPathSize];
                if (ExpandConfigTemplate(candidate, path, sizeof path) == 0) {
                    fprintf(stderr, "  %s\n", path);
                } else {
                    fprintf(stderr, "  %s (not looked for: it names no path here)\n", candidate);
                }
            }
        }
        return kExitFailure;
    }

    // Attaches the driver block and runs the start-up rules; a user who may
    // not run the utility does not come back from here.
    CreateMainWindow();

    int status = 0;
    if (calibrateOnly == 0) {
        RunMainLoop();
    } else {
        // One calibration and one Apply; a run that did not complete or a
        // file that was not written is a failed run.
        status = CalibrateOnly();
    }

    StoreCommMode(driverBlock, 0);
    SetupConfig(0);
    return status;
}
