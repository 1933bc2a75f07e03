#include "configreader.h"

#include <glib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "config/linetokens.h"
#include "config/regularfile.h"
#include "config/sectionwalk.h"

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

// True when the name token is the option's name in double quotes, letter
// case ignored; what follows the closing quote does not matter.
bool NameTokenIs(const std::string& token, const char* name) {
    const size_t length = strlen(name);
    if (token.size() < length + 2 || token[0] != '"' || token[length + 1] != '"') {
        return false;
    }
    return StartsWithNoCase(token.substr(1, length), name);
}

// The entry of the family that the name token names, or -1: the quoted
// prefix, the number as the family formats it ("%d", or "%03d" with exactly
// three digits) below count, and the closing quote.
int FamilyEntryOf(const std::string& token, const CoefficientFamily& family, int count) {
    if (!StartsWithNoCase(token, family.quotedPrefix)) {
        return -1;
    }
    const size_t start = strlen(family.quotedPrefix);
    size_t end = start;
    while (end < token.size() && token[end] >= '0' && token[end] <= '9') {
        ++end;
    }
    const size_t digits = end - start;
    if (digits == 0 || digits > 3 || end >= token.size() || token[end] != '"') {
        return -1;
    }
    const bool threeDigits = strstr(family.nameFormat, "%03d") != nullptr;
    if (threeDigits ? digits != 3 : (digits > 1 && token[start] == '0')) {
        return -1;
    }
    const int n = std::atoi(token.substr(start, digits).c_str());
    return n < count ? n : -1;
}

// The options whose match ends the line; the others are each tried on
// their own.
bool IsExclusive(OptionKind kind) {
    return kind == OptionKind::kDevice || kind == OptionKind::kBaudRate ||
           kind == OptionKind::kSampling || kind == OptionKind::kScreenNo ||
           kind == OptionKind::kBorderRatio || kind == OptionKind::kCalibPointsNum;
}

void ApplyExclusive(SectionValues* values, OptionKind kind, const std::string& value,
                    const char* line, size_t length, uint8_t* points) {
    DeviceRecord* fields = &values->fields;
    switch (kind) {
        case OptionKind::kDevice:
            ConfigPort(fields, value);
            values->keptDevice = cfgline::OptionValueText(line, length);
            values->keepDevice = !IsPortTableText(values->keptDevice);
            break;
        case OptionKind::kBaudRate:
            ConfigLinkSpeed(fields, value);
            values->keptBaudRate = cfgline::OptionValueText(line, length);
            values->keepBaudRate = !IsSpeedTableBaud(OptionNumber(value));
            break;
        case OptionKind::kSampling:
            values->sampling = static_cast<uint8_t>(OptionNumber(value));
            break;
        case OptionKind::kScreenNo:
            values->screenNo = OptionNumber(value);
            break;
        case OptionKind::kBorderRatio:
            values->borderRatio = static_cast<float>(OptionNumber(value) * 0.01);
            break;
        case OptionKind::kCalibPointsNum:
            *points = static_cast<uint8_t>(OptionNumber(value));
            break;
        default:
            break;
    }
}

void ApplyOption(SectionValues* values, const Tokens& tokens, const char* line, size_t length,
                 uint8_t* points) {
    if (!tokens.Has(2)) {
        return;  // an Option line without a value says nothing
    }
    const std::string& name = tokens[1];
    const std::string& value = tokens[2];
    DeviceRecord* fields = &values->fields;

    for (const DriverOption& option : kDriverOptions) {
        if (IsExclusive(option.kind) && NameTokenIs(name, option.name)) {
            ApplyExclusive(values, option.kind, value, line, length, points);
            return;
        }
    }

    const int32_t number = OptionNumber(value);
    for (const CoefficientFamily& family : kCoefficientFamilies) {
        // The coefficient count follows the point count in force when the
        // line is read, so "CalibPointsNum" must stand before the
        // coefficients.
        const int count = family.readByPoints ? family.CountFor(*points) : family.size;
        const int n = FamilyEntryOf(name, family, count);
        if (n >= 0) {
            CoefficientValues(fields, family.field)[n] = number;
        }
    }
    for (const DriverOption& option : kDriverOptions) {
        if (option.setting < 0 || !NameTokenIs(name, option.name)) {
            continue;
        }
        fields->settings[option.setting] =
            option.kind == OptionKind::kNumber ? number : (number != 0);
    }
    for (const DriverOption& option : kDriverOptions) {
        if (option.kind == OptionKind::kDebugOption && NameTokenIs(name, option.name)) {
            values->debugOption = number;
        }
    }
}

// Copies a finished driver section into its record. -1 when a new record
// cannot be had.
int StoreDriverSection(const SectionValues& values, ConfigRead* read) {
    ++read->driverSectionCount;
    DeviceRecord* record;
    if (g_list_length(read->records) < read->driverSectionCount) {
        record = AppendDeviceRecord(&read->records);
        if (record == nullptr) {
            errno = ENOMEM;
            perror("Memory Allocation for spDevConf");
            return -1;
        }
    } else {
        record = static_cast<DeviceRecord*>(read->records->data);
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

    // The families the point count uses; entries beyond keep what the
    // record held.
    for (const CoefficientFamily& family : kCoefficientFamilies) {
        std::memcpy(CoefficientValues(record, family.field), CoefficientValues(&f, family.field),
                    sizeof(int32_t) * static_cast<size_t>(family.CountFor(read->calibPointsNum)));
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

int ReadInputDevParameter(FILE* file, ConfigRead* read) {
    SectionValues values;
    // Values a section leaves out are those of a freshly installed panel.
    FillDeviceDefaults(&values.fields);
    const uint8_t pointsBefore = read->calibPointsNum;
    read->calibPointsNum = kDefaultCalibPoints;

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
            ApplyOption(&values, tokens, reader.data(), reader.size(), &read->calibPointsNum);
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
        read->calibPointsNum = read->driverSectionCount > 0 ? pointsBefore : kDefaultCalibPoints;
        return result;
    }
    if (StoreDriverSection(values, read) != 0) {
        return -1;
    }
    return result;
}

int ReadSvrLayoutParameter(FILE* file, GList** layout) {
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
            *layout = g_list_append(*layout, copy);
        }
    }
    if (reader.Failed()) {
        perror("Read Section \"ServerLayout\"");
        return -1;
    }
    LogWarning("\"ServerLayout\" Parameter Not Found\n");
    return 0;
}

static void MatchLayout(GList* records, GList* layout) {
    for (GList* node = records; node != nullptr; node = node->next) {
        auto* record = static_cast<DeviceRecord*>(node->data);
        if (record->identifier == nullptr) {
            continue;
        }
        for (GList* entry = layout; entry != nullptr; entry = entry->next) {
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

int ReadConfigData(const char* path, ConfigRead* read) {
    std::string reason;
    FILE* file = OpenRegularFile(path, &reason);
    if (file == nullptr) {
        // perror's form, with the refusal of a pipe or device in its place.
        fprintf(stderr, "Read Config: %s\n", reason.c_str());
        return -1;
    }
    int result = 0;
    {
        LineReader reader(file);
        const WalkEnd end = WalkSections(reader, [file, read](SectionKind kind) {
            return kind == SectionKind::kInputDevice ? ReadInputDevParameter(file, read)
                                                     : ReadSvrLayoutParameter(file, &read->layout);
        });
        if (end == WalkEnd::kReadError) {
            perror("Read \"XF86Config\"");
        }
        result = end == WalkEnd::kEndOfFile ? 0 : -1;
    }
    fclose(file);
    MatchLayout(read->records, read->layout);
    return result;
}
