// The driver's option vocabulary, the port and speed tables and the values of
// a freshly installed panel. Shared by the utility (reader, writer, new device
// records) and by the installer tools, which link nothing but the C and C++
// standard libraries: keep this header free of any other dependency.
#ifndef PANELCONF_CONFIG_DRIVEROPTIONS_H
#define PANELCONF_CONFIG_DRIVEROPTIONS_H

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>

namespace driveropts {

// Port table: index stored in a record's portIndex. The asterisk of the USB
// entry is literal; the file holds it as written.
constexpr int kPortCount = 5;
constexpr const char* kPortDevices[kPortCount] = {
    "/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3", "/dev/input/event*",
};
constexpr int kUsbPortIndex = 4;
constexpr int kDefaultPortIndex = 1;

// Speed table: index stored in a record's speedIndex.
constexpr int kSpeedCount = 5;
constexpr const char* kSpeedTexts[kSpeedCount] = {
    "1200bps", "2400bps", "4800bps", "9600bps", "19200bps",
};
constexpr int kSpeedBauds[kSpeedCount] = {1200, 2400, 4800, 9600, 19200};
constexpr int kDefaultSpeedIndex = 3;

// Sizes of the coefficient families.
constexpr int kCoefficientCount = 128;
constexpr int kCoefficient4pCount = 8;
constexpr int kCoefficientReviseCount = 10;
constexpr int kCal9BaseCount = 2;
constexpr int kCal25BaseCount = 4;
constexpr int kSettingsCount = 14;

// Indexes into the 14-entry settings array (same order in the device record
// and in the driver's shared block).
enum SettingIndex {
    kProducts = 0,
    kTouchMode = 1,
    kTapTime = 2,
    kStabilize = 3,
    kAveraging = 4,
    kLiftOffTime = 5,
    kReserved6 = 6,
    kReserved7 = 7,
    kReserved8 = 8,
    kSound = 9,
    kRclickHold = 10,
    kRclickHoldDuration = 11,
    kRclickSpatialTolerance = 12,
    kCommunication = 13,
};

// The calibration coefficient families, in the order a section lists them.
// Which arrays of a device record or of the driver block a family fills is
// named by its field; how many of its entries are in use depends on the
// number of calibration points.
enum class CoefficientField {
    kCoefficient4p,
    kCoefficientRevise,
    kCoefficient,
    kCal9Base,
    kCal25Base
};

struct CoefficientFamily {
    const char* nameFormat;    // option name of entry n, without quotes
    const char* quotedPrefix;  // the quoted name up to the number
    CoefficientField field;
    int size;        // entries of the array
    int count4;      // entries in use with 4 points
    int count9;      // ... with 9 points
    int count25;     // ... with 25 points
    int countOther;  // ... with a point count the driver does not know
    // The reader takes only the entries in use with the point count already
    // read ("CalibPointsNum" stands before the coefficients); otherwise it
    // takes every entry and keeps those in use when the section ends.
    bool readByPoints;

    constexpr int CountFor(int calibPoints) const {
        return calibPoints == 4    ? count4
               : calibPoints == 9  ? count9
               : calibPoints == 25 ? count25
                                   : countOther;
    }
};

constexpr CoefficientFamily kCoefficientFamilies[] = {
    {"CoEfficient4p%d", "\"CoEfficient4p", CoefficientField::kCoefficient4p, kCoefficient4pCount, 8,
     8, 8, 8, false},
    {"CoEfficientRevise%d", "\"CoEfficientRevise", CoefficientField::kCoefficientRevise,
     kCoefficientReviseCount, 10, 10, 10, 10, false},
    {"CoEfficient%03d", "\"CoEfficient", CoefficientField::kCoefficient, kCoefficientCount, 8, 32,
     128, 0, true},
    {"Cal9Base%d", "\"Cal9Base", CoefficientField::kCal9Base, kCal9BaseCount, 0, 2, 2, 0, false},
    {"Cal25Base%d", "\"Cal25Base", CoefficientField::kCal25Base, kCal25BaseCount, 0, 0, 4, 0,
     false},
};

constexpr const CoefficientFamily& FamilyOf(CoefficientField field) {
    return kCoefficientFamilies[static_cast<int>(field)];
}

constexpr bool FamiliesInFieldOrder() {
    int i = 0;
    for (const CoefficientFamily& family : kCoefficientFamilies) {
        if (static_cast<int>(family.field) != i++) {
            return false;
        }
    }
    return true;
}
static_assert(FamiliesInFieldOrder(), "FamilyOf indexes the table by field");

// The array a family fills in anything that holds the five families under
// their usual names: a device record or the driver block.
template <typename Holder>
auto CoefficientValues(Holder* holder, CoefficientField field)
    -> decltype(&holder->coefficient[0]) {
    switch (field) {
        case CoefficientField::kCoefficient4p:
            return holder->coefficient4p;
        case CoefficientField::kCoefficientRevise:
            return holder->coefficientRevise;
        case CoefficientField::kCoefficient:
            return holder->coefficient;
        case CoefficientField::kCal9Base:
            return holder->cal9Base;
        case CoefficientField::kCal25Base:
            return holder->cal25Base;
    }
    return nullptr;
}

// How many "CoEfficient%03d" entries a calibration with the given number of
// points uses; 0 for a point count the driver does not know.
constexpr int CoefficientCountFor(int calibPoints) {
    return FamilyOf(CoefficientField::kCoefficient).CountFor(calibPoints);
}
static_assert(CoefficientCountFor(4) == 8 && CoefficientCountFor(9) == 32 &&
                  CoefficientCountFor(25) == 128 && CoefficientCountFor(16) == 0,
              "coefficients in use per point count");

// Values of a freshly installed panel (the installer's default section).
constexpr int kDefaultSettings[kSettingsCount] = {3, 0, 25, 0, 0, 5, 0, 0, 0, 0, 0, 1500, 10, 0};
constexpr int kDefaultBorderPercent = 3;
constexpr int kDefaultCalibPoints = 9;
constexpr int kDefaultBaud = 9600;
constexpr int kDefaultSampling = 0;

constexpr int32_t kDefaultCoefficient4p[kCoefficient4pCount] = {
    12002, 232, -17, -2020301, -243, -11421, 0, 8991580,
};
constexpr int32_t kDefaultCoefficientRevise[kCoefficientReviseCount] = {
    -22, 22, -517, 1009, -961, -16, 16, -520, 765, 725,
};
constexpr int kDefaultCoefficientUsed = 32;
constexpr int32_t kDefaultCoefficient[kDefaultCoefficientUsed] = {
    16914,    402,      -407,  -11181, -32,    16362,    888,   -2656, 15863,  -2882,    418,
    -7874713, 16,       22289, -567,   -32318, 14653,    -420,  473,   294144, 3726,     16408,
    -646,     -6293165, 18034, 3129,   -442,   -9799071, -2045, 12339, 356,    -3293230,
};
constexpr int32_t kDefaultCal9Base[kCal9BaseCount] = {520, 316};

// The defaults of a family in a fresh section (9 points); nullptr for a
// family a fresh section does not list.
constexpr const int32_t* DefaultCoefficients(CoefficientField field) {
    return field == CoefficientField::kCoefficient4p       ? kDefaultCoefficient4p
           : field == CoefficientField::kCoefficientRevise ? kDefaultCoefficientRevise
           : field == CoefficientField::kCoefficient       ? kDefaultCoefficient
           : field == CoefficientField::kCal9Base          ? kDefaultCal9Base
                                                           : nullptr;
}
static_assert(FamilyOf(CoefficientField::kCoefficient).CountFor(kDefaultCalibPoints) ==
                  kDefaultCoefficientUsed,
              "a fresh section lists the coefficients of its point count");

// What an option of a driver section holds, and so how it is read and
// written.
enum class OptionKind {
    kDevice,          // the port's device text
    kBaudRate,        // the link speed; not written for the USB port
    kSampling,        // 0..255
    kScreenNo,        // the X screen
    kCalibPointsNum,  // shared by every section
    kBorderRatio,     // whole percent
    kCoefficients,    // stands for the coefficient families, in their order
    kSendCoreEvents,  // a flag without a value
    kNumber,          // a settings entry, as it is
    kSwitch,          // a settings entry, 1 or 0
    kLiveState,       // a settings entry read as 1 or 0 and always written as 0
    kScreenWidth,     // written for the driver, never read
    kScreenHeight,
    kDebugOption,  // read, never written
};

// How the value stands after the name: in the column of the first lines of
// a section, five blanks after the name, or two.
enum class OptionColumn { kAligned, kWide, kNarrow };

// Who writes an option: the utility's writer, the installer's default
// section, or both.
enum OptionWriters : unsigned { kWriter = 1, kInstaller = 2, kBoth = 3, kNobody = 0 };

struct DriverOption {
    const char* name;  // without quotes; the reader matches it quoted, case ignored
    int setting;       // index into the settings array, -1 for none
    OptionKind kind;
    OptionColumn column;
    unsigned writers;
};

// Every option of a driver section, in the order a section lists them.
constexpr DriverOption kDriverOptions[] = {
    {"Device", -1, OptionKind::kDevice, OptionColumn::kAligned, kBoth},
    {"BaudRate", -1, OptionKind::kBaudRate, OptionColumn::kAligned, kBoth},
    {"Sampling", -1, OptionKind::kSampling, OptionColumn::kAligned, kBoth},
    {"ScreenNo", -1, OptionKind::kScreenNo, OptionColumn::kAligned, kBoth},
    {"CalibPointsNum", -1, OptionKind::kCalibPointsNum, OptionColumn::kWide, kBoth},
    {"BorderRatio", -1, OptionKind::kBorderRatio, OptionColumn::kWide, kBoth},
    {nullptr, -1, OptionKind::kCoefficients, OptionColumn::kWide, kBoth},
    {"SendCoreEvents", -1, OptionKind::kSendCoreEvents, OptionColumn::kAligned, kBoth},
    {"Products", kProducts, OptionKind::kNumber, OptionColumn::kNarrow, kBoth},
    {"TouchMode", kTouchMode, OptionKind::kNumber, OptionColumn::kNarrow, kBoth},
    {"TapTime", kTapTime, OptionKind::kNumber, OptionColumn::kNarrow, kBoth},
    {"Stabilize", kStabilize, OptionKind::kNumber, OptionColumn::kNarrow, kBoth},
    {"Averaging", kAveraging, OptionKind::kNumber, OptionColumn::kNarrow, kBoth},
    {"LiftOffTime", kLiftOffTime, OptionKind::kNumber, OptionColumn::kNarrow, kBoth},
    {"Sound", kSound, OptionKind::kSwitch, OptionColumn::kNarrow, kBoth},
    {"RclickHold", kRclickHold, OptionKind::kSwitch, OptionColumn::kNarrow, kBoth},
    {"RclickHoldDuration", kRclickHoldDuration, OptionKind::kNumber, OptionColumn::kNarrow, kBoth},
    {"RclickSpatialTolerance", kRclickSpatialTolerance, OptionKind::kNumber, OptionColumn::kNarrow,
     kBoth},
    {"Communication", kCommunication, OptionKind::kLiveState, OptionColumn::kNarrow, kBoth},
    {"ScreenWidth", -1, OptionKind::kScreenWidth, OptionColumn::kNarrow, kWriter},
    {"ScreenHeight", -1, OptionKind::kScreenHeight, OptionColumn::kNarrow, kWriter},
    {"DebugOption", -1, OptionKind::kDebugOption, OptionColumn::kNarrow, kNobody},
};

// How one program lays out its Option lines.
struct OptionLineStyle {
    const char* alignedIndent;  // before the name of an aligned option
    const char* indent;         // before any other name
    int alignedWidth;           // the quoted name and its blanks, aligned options
};
// The utility's writer: a tab, values of the first lines in one column.
constexpr OptionLineStyle kWriterStyle = {"\tOption     ", "\tOption     ", 15};
// The installer's default section: three blanks, a wider column.
constexpr OptionLineStyle kInstallerStyle = {"   Option           ", "   Option     ", 20};

// Appends one Option line: the name quoted, the value quoted (none when
// value is nullptr), the line end. Bytes only, no locale.
// A value is written in double quotes, unless quoted is false: a value the
// file held as a bare word with a quote inside can only be kept as that word.
inline void AppendOptionLine(std::string& out, const OptionLineStyle& style, OptionColumn column,
                             const char* name, const char* value, bool quoted = true) {
    const bool aligned = column == OptionColumn::kAligned;
    out += aligned ? style.alignedIndent : style.indent;
    const size_t start = out.size();
    out += '"';
    out += name;
    out += '"';
    if (value != nullptr) {
        if (aligned) {
            const size_t used = out.size() - start;
            const size_t width = static_cast<size_t>(style.alignedWidth);
            out.append(used < width ? width - used : 1, ' ');
        } else {
            out += column == OptionColumn::kWide ? "     " : "  ";
        }
        if (quoted) {
            out += '"';
        }
        out += value;
        if (quoted) {
            out += '"';
        }
    }
    out += '\n';
}

inline void AppendOptionLine(std::string& out, const OptionLineStyle& style, OptionColumn column,
                             const char* name, long value) {
    char digits[24];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits - 1, value);
    *r.ptr = '\0';
    AppendOptionLine(out, style, column, name, digits);
}

// The option name of entry n of a family ("CoEfficient007").
inline std::string FamilyOptionName(const CoefficientFamily& family, int n) {
    // The formats are "<prefix>%d" and "<prefix>%03d".
    const std::string format = family.nameFormat;
    const size_t percent = format.find('%');
    std::string name = format.substr(0, percent);
    char digits[16];
    const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, n);
    const std::string number(digits, r.ptr);
    if (format.compare(percent, 4, "%03d") == 0 && number.size() < 3) {
        name.append(3 - number.size(), '0');
    }
    return name + number;
}

// The program's own identifier of a screen's panel, without and with quotes.
constexpr const char* kOwnDeviceNameFormat = "TAVIR TouchPanel%d";
constexpr const char* kOwnIdentifierFormat = "\"TAVIR TouchPanel%d\"";

}  // namespace driveropts

#endif
