// The reader followed by the writer, as Apply runs them, on arbitrary bytes.
// For every input it checks what the writer promises:
//  - a file it refuses is left byte for byte as it was, and only a file
//    whose InputDevice or ServerLayout sections are not closed is refused;
//  - no temporary file is left beside the configuration file;
//  - everything outside the driver sections and the driver's layout lines
//    survives byte for byte (writerchecks.h says exactly what "outside" is);
//  - one driver section is written per record that is not Undeclared;
//  - reading the written file and writing it again changes no byte.
// The one exception to the last: a negative BorderRatio. The file holds a
// whole percent p, read as p * 0.01 and written as (ratio + 0.005) * 100
// truncated toward zero, which moves every negative percent one step toward
// zero per rewrite (-3, -2, -1, 0). Only those lines may differ then.
#include <dirent.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "config/configreader.h"
#include "config/configwriter.h"
#include "devicerecord.h"
#include "fuzzsupport.h"
#include "startup.h"
#include "writerchecks.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "writer property broken: %s\n", what);
        abort();
    }
}

// Reads configPath as start-up does and applies it back as Apply does.
// Returns SetConfig's result; the identifiers and the number of records to
// be written are handed out.
int ReadAndApply(std::vector<std::string>* identifiers, int* written, bool* negativeBorder) {
    Check(CreateStartupRecord() == 0, "start-up record");
    ReadProgramConfig();
    identifiers->clear();
    *written = 0;
    *negativeBorder = false;
    for (GList* node = deviceList; node != nullptr; node = node->next) {
        const auto* record = static_cast<const DeviceRecord*>(node->data);
        identifiers->push_back(record->identifier != nullptr ? record->identifier : "");
        *written += record->status != kStatusUndeclared;
        *negativeBorder |= record->borderRatio < 0;
    }
    SectionMap map;
    SearchSection(configPath, &map);
    return SetConfig(configPath, map, WriteValues{deviceList, calibPointsNum, 1, 1024, 768});
}

// Names in the scratch directory other than the configuration file.
int Leftovers(const std::string& dir) {
    int count = 0;
    DIR* d = opendir(dir.c_str());
    Check(d != nullptr, "scratch directory");
    while (dirent* entry = readdir(d)) {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0 &&
            strcmp(entry->d_name, "XF86Config") != 0) {
            ++count;
        }
    }
    closedir(d);
    return count;
}

bool OnlyBorderLinesDiffer(const std::string& a, const std::string& b) {
    const std::vector<std::string> x = SplitLines(a);
    const std::vector<std::string> y = SplitLines(b);
    if (x.size() != y.size()) {
        return false;
    }
    static const char kBorder[] = "\tOption     \"BorderRatio\"     \"";
    for (size_t i = 0; i < x.size(); ++i) {
        if (x[i] != y[i] && (x[i].rfind(kBorder, 0) != 0 || y[i].rfind(kBorder, 0) != 0)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    ScratchConfig scratch(data, size);

    std::vector<std::string> ids;
    int written = 0;
    bool negativeBorder = false;
    const int first = ReadAndApply(&ids, &written, &negativeBorder);
    const std::string out1 = ReadWholeFile(scratch.path());
    Check(Leftovers(scratch.dir()) == 0, "temporary file left");

    const auto before = OutsideDriverText(input, ids);
    if (first != 0) {
        Check(out1 == input, "a refused file was changed");
        Check(!before.has_value(), "a well-formed file was refused");
        return 0;
    }
    Check(before.has_value(), "a file with an unclosed section was rewritten");
    const auto after = OutsideDriverText(out1, ids);
    Check(after.has_value(), "the written file has an unclosed section");
    Check(*before == *after, "text outside the driver sections changed");
    Check(DriverSectionCount(out1) == written, "one driver section per written record");

    ResetDeviceState();  // forgets configPath too
    snprintf(configPath, sizeof configPath, "%s", scratch.path().c_str());
    std::vector<std::string> ids2;
    bool negative2 = false;
    Check(ReadAndApply(&ids2, &written, &negative2) == 0, "the written file was refused");
    const std::string out2 = ReadWholeFile(scratch.path());
    Check(Leftovers(scratch.dir()) == 0, "temporary file left (second write)");
    if (out2 != out1) {
        // For looking into a failure: FUZZ_WRITER_DUMP=prefix keeps both texts.
        if (const char* dump = getenv("FUZZ_WRITER_DUMP")) {
            for (const auto& [suffix, text] : {std::pair{".1", &out1}, std::pair{".2", &out2}}) {
                if (FILE* f = fopen((std::string(dump) + suffix).c_str(), "wb")) {
                    fwrite(text->data(), 1, text->size(), f);
                    fclose(f);
                }
            }
        }
        Check(negative2 && OnlyBorderLinesDiffer(out1, out2), "a second write changed the file");
    }
    return 0;
}
