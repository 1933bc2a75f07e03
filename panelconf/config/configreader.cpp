#include "configreader.h"

#include <glib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "config/linetokens.h"
#include "config/regularfile.h"

using cfgline::LineReader;
using cfgline::OptionNumber;
using cfgline::StartsWithNoCase;
using cfgline::Tokenize;
using cfgline::TokenIs;
using cfgline::Tokens;
using namespace driveropts;

namespace {

// Warnings go to the GLib log without a domain.
void LogWarning(const char* text) { g_log(nullptr, G_LOG_LEVEL_WARNING, "%s", text); }

// Values gathered while one InputDevice section is read; copied into a record
// only when the section turns out to be a driver section.
struct SectionValues {
    bool isDriver = false;
    uint8_t sampling = 0;
    int32_t screenNo = 0;
    float borderRatio = 0.05f;
    int32_t debugOption = 0;
    std::string identifier;
    bool hasIdentifier = false;
    // Link values the tables do not hold, kept as the file writes them.
    std::string keptDevice;
    bool keepDevice = false;
    std::string keptBaudRate;
    bool keepBaudRate = false;
    DeviceRecord fields{};  // port, speed, coefficients and settings
};

// True when the value is exactly one of the port table's device texts. The
// reader's own rule finds a table text anywhere in the value, so "/dev/ttyS10"
// or "/dev/ttyUSB0" would otherwise be shown, and written back, as another
// port.
bool IsPortTableText(const std::string& value) {
    for (const char* device : kPortDevices) {
        if (value == device) {
            return true;
        }
    }
    return false;
}

bool IsSpeedTableBaud(int32_t baud) {
    for (int tableBaud : kSpeedBauds) {
        if (tableBaud == baud) {
            return true;
        }
    }
    return false;
}

// Option names whose name is formatted with a number.
bool MatchesNumbered(const std::string& name, const char* format, int n) {
    char bare[40];
    std::snprintf(bare, sizeof bare, format, n);
    char quoted[48];
    std::snprintf(quoted, sizeof quoted, "\"%s\"", bare);
    return StartsWithNoCase(name, quoted);
}

// Tries each number of a family; stores the value at the first match.
void MatchFamily(const std::string& name, const char* prefix, const char* format, int count,
                 int32_t value, int32_t* target) {
    if (!StartsWithNoCase(name, prefix)) {
        return;
    }
    for (int n = 0; n < count; ++n) {
        if (MatchesNumbered(name, format, n)) {
            target[n] = value;
            return;
        }
    }
}

struct SettingOption {
    const char* quotedName;
    int index;
    bool boolean;
};

constexpr SettingOption kSettingOptions[] = {
    {"\"Products\"", kProducts, false},
    {"\"TouchMode\"", kTouchMode, false},
    {"\"TapTime\"", kTapTime, false},
    {"\"Stabilize\"", kStabilize, false},
    {"\"Averaging\"", kAveraging, false},
    {"\"LiftOffTime\"", kLiftOffTime, false},
    {"\"Sound\"", kSound, true},
    {"\"RclickHold\"", kRclickHold, true},
    {"\"RclickHoldDuration\"", kRclickHoldDuration, false},
    {"\"RclickSpatialTolerance\"", kRclickSpatialTolerance, false},
    {"\"Communication\"", kCommunication, true},
};

void ApplyOption(SectionValues* values, const Tokens& tokens, const char* line, size_t length) {
    if (!tokens.Has(2)) {
        return;  // an Option line without a value says nothing
    }
    const std::string& name = tokens[1];
    const std::string& value = tokens[2];
    DeviceRecord* fields = &values->fields;

    // The first six are exclusive: one match ends the line.
    if (StartsWithNoCase(name, "\"Device\"")) {
        ConfigPort(fields, value);
        values->keptDevice = cfgline::OptionValueText(line, length);
        values->keepDevice = !IsPortTableText(values->keptDevice);
        return;
    }
    if (StartsWithNoCase(name, "\"BaudRate\"")) {
        ConfigLinkSpeed(fields, value);
        values->keptBaudRate = cfgline::OptionValueText(line, length);
        values->keepBaudRate = !IsSpeedTableBaud(OptionNumber(value));
        return;
    }
    if (StartsWithNoCase(name, "\"Sampling\"")) {
        values->sampling = static_cast<uint8_t>(OptionNumber(value));
        return;
    }
    if (StartsWithNoCase(name, "\"ScreenNo\"")) {
        values->screenNo = OptionNumber(value);
        return;
    }
    if (StartsWithNoCase(name, "\"BorderRatio\"")) {
        values->borderRatio = static_cast<float>(OptionNumber(value) * 0.01);
        return;
    }
    if (StartsWithNoCase(name, "\"CalibPointsNum\"")) {
        calibPointsNum = static_cast<uint8_t>(OptionNumber(value));
        return;
    }

    const int32_t number = OptionNumber(value);
    // The coefficient count follows the point count in force when the line
    // is read, so "CalibPointsNum" must stand before the coefficients.
    MatchFamily(name, "\"CoEfficient", "CoEfficient%03d", CoefficientCountFor(calibPointsNum),
                number, fields->coefficient);
    MatchFamily(name, "\"CoEfficient4p", "CoEfficient4p%d", kCoefficient4pCount, number,
                fields->coefficient4p);
    MatchFamily(name, "\"CoEfficientRevise", "CoEfficientRevise%d", kCoefficientReviseCount,
                number, fields->coefficientRevise);
    MatchFamily(name, "\"Cal9Base", "Cal9Base%d", kCal9BaseCount, number, fields->cal9Base);
    MatchFamily(name, "\"Cal25Base", "Cal25Base%d", kCal25BaseCount, number, fields->cal25Base);
    for (const SettingOption& option : kSettingOptions) {
        if (StartsWithNoCase(name, option.quotedName)) {
            fields->settings[option.index] = option.boolean ? (number != 0) : number;
        }
    }
    if (StartsWithNoCase(name, "\"DebugOption\"")) {
        values->debugOption = number;
    }
}

// Copies a finished driver section into its record. -1 when a new record
// cannot be had.
int StoreDriverSection(const SectionValues& values) {
    ++driverSectionCount;
    DeviceRecord* record;
    if (g_list_length(deviceList) < driverSectionCount) {
        record = AppendDeviceRecord();
        if (record == nullptr) {
            errno = ENOMEM;
            perror("Memory Allocation for spDevConf");
            return -1;
        }
    } else {
        record = static_cast<DeviceRecord*>(deviceList->data);
    }

    char* identifier = values.hasIdentifier ? strdup(values.identifier.c_str())
                                            : MakeOwnIdentifier(values.screenNo);
    if (identifier == nullptr) {
        errno = ENOMEM;
        perror("Memory Allocation for spDevConf");
        return -1;
    }
    char* keptDevice = nullptr;
    char* keptBaudRate = nullptr;
    if ((values.keepDevice && (keptDevice = strdup(values.keptDevice.c_str())) == nullptr) ||
        (values.keepBaudRate && (keptBaudRate = strdup(values.keptBaudRate.c_str())) == nullptr)) {
        free(identifier);
        free(keptDevice);
        errno = ENOMEM;
        perror("Memory Allocation for spDevConf");
        return -1;
    }
    free(record->identifier);
    record->identifier = identifier;
    free(record->keptDevice);
    record->keptDevice = keptDevice;
    free(record->keptBaudRate);
    record->keptBaudRate = keptBaudRate;

    record->inFile = 1;
    if (record->inLayout == 0) {
        record->status = kStatusDisable;
    }
    const DeviceRecord& f = values.fields;
    record->sampling = values.sampling;
    record->screenNo = values.screenNo;
    record->borderRatio = values.borderRatio;
    record->portIndex = f.portIndex;
    record->speedIndex = f.speedIndex;

    std::memcpy(record->coefficient4p, f.coefficient4p, sizeof f.coefficient4p);
    std::memcpy(record->coefficientRevise, f.coefficientRevise, sizeof f.coefficientRevise);
    const int count = CoefficientCountFor(calibPointsNum);
    std::memcpy(record->coefficient, f.coefficient, sizeof(int32_t) * count);
    if (calibPointsNum == 9 || calibPointsNum == 25) {
        std::memcpy(record->cal9Base, f.cal9Base, sizeof f.cal9Base);
    }
    if (calibPointsNum == 25) {
        std::memcpy(record->cal25Base, f.cal25Base, sizeof f.cal25Base);
    }
    record->productChanged = 0;
    record->linkChanged = 0;
    std::memcpy(record->settings, f.settings, sizeof f.settings);
    record->settings[kReserved6] = 0;
    record->settings[kReserved7] = 0;
    record->settings[kReserved8] = 0;
    record->debugOption = values.debugOption;
    return 0;
}

}  // namespace

void ConfigPort(DeviceRecord* record, const std::string& valueToken) {
    record->portIndex = kDefaultPortIndex;
    for (int i = 0; i < kPortCount; ++i) {
        if (valueToken.find(kPortDevices[i]) != std::string::npos) {
            record->portIndex = i;
            return;
        }
    }
}

void ConfigLinkSpeed(DeviceRecord* record, const std::string& valueToken) {
    const int32_t baud = OptionNumber(valueToken);
    record->speedIndex = kDefaultSpeedIndex;
    for (int i = 0; i < kSpeedCount; ++i) {
        if (kSpeedBauds[i] == baud) {
            record->speedIndex = i;
            return;
        }
    }
}

int ReadInputDevParameter(FILE* file) {
    SectionValues values;
    // Values a section leaves out are those of a freshly installed panel.
    FillDeviceDefaults(&values.fields);
    const uint8_t pointsBefore = calibPointsNum;
    calibPointsNum = kDefaultCalibPoints;

    int result = 0;
    LineReader reader(file);
    bool ended = false;
    while (reader.Next()) {
        const Tokens tokens = Tokenize(reader.data(), reader.size());
        if (TokenIs(tokens, 0, "endsection")) {
            ended = true;
            break;
        }
        if (TokenIs(tokens, 0, "driver") && TokenIs(tokens, 1, "\"tavir\"")) {
            values.isDriver = true;
        } else if (TokenIs(tokens, 0, "identifier")) {
            std::string quoted;
            if (cfgline::FirstQuotedText(reader.data(), reader.size(), &quoted)) {
                values.identifier = quoted;
                values.hasIdentifier = true;
            }
        } else if (TokenIs(tokens, 0, "option")) {
            ApplyOption(&values, tokens, reader.data(), reader.size());
        }
    }
    if (!ended) {
        if (reader.Failed()) {
            perror("Read Section \"InputDevice\"");
            result = -1;
        } else {
            LogWarning("\"InputDevice\" Parameter Not Found\n");
        }
    }

    if (!values.isDriver) {
        // Another driver's section must not change the point count that the
        // driver sections' coefficients were read with.
        calibPointsNum = driverSectionCount > 0 ? pointsBefore : kDefaultCalibPoints;
        return result;
    }
    if (StoreDriverSection(values) != 0) {
        return -1;
    }
    return result;
}

int ReadSvrLayoutParameter(FILE* file) {
    LineReader reader(file);
    while (reader.Next()) {
        const Tokens tokens = Tokenize(reader.data(), reader.size());
        if (TokenIs(tokens, 0, "endsection")) {
            return 0;
        }
        if (TokenIs(tokens, 0, "inputdevice")) {
            std::string quoted;
            if (!cfgline::FirstQuotedText(reader.data(), reader.size(), &quoted)) {
                continue;
            }
            char* copy = strdup(quoted.c_str());
            if (copy == nullptr) {
                errno = ENOMEM;
                perror("InputDevice Allocation");
                return -1;
            }
            layoutList = g_list_append(layoutList, copy);
        }
    }
    if (reader.Failed()) {
        perror("Read Section \"ServerLayout\"");
        return -1;
    }
    LogWarning("\"ServerLayout\" Parameter Not Found\n");
    return 0;
}

static void MatchLayout() {
    for (GList* node = deviceList; node != nullptr; node = node->next) {
        auto* record = static_cast<DeviceRecord*>(node->data);
        if (record->identifier == nullptr) {
            continue;
        }
        for (GList* entry = layoutList; entry != nullptr; entry = entry->next) {
            if (strcmp(record->identifier, static_cast<const char*>(entry->data)) == 0) {
                record->inLayout = 1;
                if (record->inFile == 1) {
                    record->status = kStatusEnable;
                }
                break;
            }
        }
    }
}

int ReadConfigData() {
    std::string reason;
    FILE* file = OpenRegularFile(configPath, &reason);
    if (file == nullptr) {
        // perror's form, with the refusal of a pipe or device in its place.
        fprintf(stderr, "Read Config: %s\n", reason.c_str());
        return -1;
    }
    int result = 0;
    {
        LineReader reader(file);
        while (true) {
            if (!reader.Next()) {
                if (reader.Failed()) {
                    perror("Read \"XF86Config\"");
                    result = -1;
                }
                break;
            }
            const Tokens tokens = Tokenize(reader.data(), reader.size());
            if (!TokenIs(tokens, 0, "section")) {
                continue;
            }
            int sectionResult = 0;
            if (TokenIs(tokens, 1, "\"inputdevice\"")) {
                sectionResult = ReadInputDevParameter(file);
            } else if (TokenIs(tokens, 1, "\"serverlayout\"")) {
                sectionResult = ReadSvrLayoutParameter(file);
            }
            if (sectionResult == -1) {
                result = -1;
                break;
            }
        }
    }
    fclose(file);
    MatchLayout();
    return result;
}
