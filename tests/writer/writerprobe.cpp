// Runs the writer the way Apply does, for process-level tests: reads the
// configuration file as start-up does, enables the panel of screen 0 and
// rewrites the file, once or many times.
//
//   writerprobe CONFIG [--repeat N] [--print-locale]
//
// With --repeat the tap time alternates between 30 and 40 from one rewrite
// to the next, so that every rewrite changes the file; a test can kill the
// program at any moment and find one of the two texts (or the original).
// The process locale comes from the environment, as in the utility.
// Exit status 0 when every rewrite succeeded, 1 otherwise.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/configreader.h"
#include "config/configwriter.h"
#include "devicerecord.h"
#include "startup.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: writerprobe CONFIG [--repeat N] [--print-locale]\n");
        return 2;
    }
    const char* locale = setlocale(LC_ALL, "");
    long repeat = 1;
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = strtol(argv[++i], nullptr, 10);
        } else if (strcmp(argv[i], "--print-locale") == 0) {
            printf("%s %s\n", locale != nullptr ? locale : "(none)", localeconv()->decimal_point);
        }
    }
    snprintf(configPath, sizeof configPath, "%s", argv[1]);
    if (CreateStartupRecord() != 0 || ReadProgramConfig() != 0) {
        return 1;
    }
    const WriteValues values{deviceList, calibPointsNum, 1, 1024, 768};
    auto* record = static_cast<DeviceRecord*>(deviceList->data);
    record->status = kStatusEnable;
    for (long i = 0; i < repeat; ++i) {
        record->settings[driveropts::kTapTime] = i % 2 == 0 ? 30 : 40;
        SectionMap map;
        SearchSection(configPath, &map);
        if (SetConfig(configPath, map, values) != 0) {
            return 1;
        }
    }
    return 0;
}
