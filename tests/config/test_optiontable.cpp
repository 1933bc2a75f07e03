// The driver's option table, entry by entry: what the utility writes for an
// option reads back as the same value, and the installer's default section
// reads back as a freshly installed panel. One case per table entry and per
// coefficient family and point count.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "testfiles.h"
#include "config/configwriter.h"
#include "driversection.h"
#include "readerfixture.h"

namespace {

using namespace driveropts;

constexpr const char* kKeyboard =
    "Section \"InputDevice\"\n\tIdentifier \"Keyboard0\"\n\tDriver \"kbd\"\nEndSection\n\n";

class OptionRoundTrip : public ReaderFixture {
protected:
    // A file with one enabled panel whose record then gets `change`; the
    // file is rewritten and read again. Returns the rewritten text.
    template <typename Change>
    std::string WriteAndReadBack(Change change) {
        EXPECT_EQ(Read(std::string(kKeyboard) +
                       "Section \"InputDevice\"\n\tIdentifier \"P\"\n\tDriver \"tavir\"\n"
                       "EndSection\n\nSection \"ServerLayout\"\n\tInputDevice \"P\"\nEndSection\n"),
                  0);
        change(Record(0));
        std::string reason;
        const WriteValues values{deviceList, calibPointsNum, 1, 1280, 800};
        EXPECT_EQ(RewriteConfigFile(configPath, values, &reason), 0) << reason;
        const std::string written = ReadFileBytes(configPath);
        EXPECT_EQ(ReadPath(configPath), 0);
        return written;
    }
};

class EachOption : public OptionRoundTrip, public ::testing::WithParamInterface<size_t> {};

TEST_P(EachOption, WrittenValueReadsBack) {
    const DriverOption& option = kDriverOptions[GetParam()];
    const std::string quoted = option.name != nullptr ? "\"" + std::string(option.name) + "\"" : "";
    switch (option.kind) {
        case OptionKind::kDevice: {
            WriteAndReadBack([](DeviceRecord* r) { r->portIndex = 3; });
            EXPECT_EQ(Record(0)->portIndex, 3);
            EXPECT_EQ(Record(0)->keptDevice, nullptr);
            WriteAndReadBack([](DeviceRecord* r) { r->keptDevice = strdup("/dev/ttyUSB3"); });
            EXPECT_STREQ(Record(0)->keptDevice, "/dev/ttyUSB3");
            break;
        }
        case OptionKind::kBaudRate: {
            WriteAndReadBack([](DeviceRecord* r) { r->speedIndex = 0; });
            EXPECT_EQ(Record(0)->speedIndex, 0);
            const std::string usb =
                WriteAndReadBack([](DeviceRecord* r) { r->portIndex = kUsbPortIndex; });
            EXPECT_EQ(usb.find(quoted), std::string::npos);
            break;
        }
        case OptionKind::kSampling:
            WriteAndReadBack([](DeviceRecord* r) { r->sampling = 201; });
            EXPECT_EQ(Record(0)->sampling, 201);
            break;
        case OptionKind::kScreenNo:
            WriteAndReadBack([](DeviceRecord* r) { r->screenNo = 7; });
            EXPECT_EQ(Record(0)->screenNo, 7);
            break;
        case OptionKind::kCalibPointsNum:
            for (int points : {4, 9, 25}) {
                WriteAndReadBack(
                    [points](DeviceRecord*) { calibPointsNum = static_cast<uint8_t>(points); });
                EXPECT_EQ(calibPointsNum, points);
            }
            break;
        case OptionKind::kBorderRatio:
            WriteAndReadBack([](DeviceRecord* r) { r->borderRatio = 0.07f; });
            EXPECT_FLOAT_EQ(Record(0)->borderRatio, 0.07f);
            break;
        case OptionKind::kCoefficients:
            SUCCEED() << "the families have a case each below";
            break;
        case OptionKind::kSendCoreEvents: {
            const std::string text = WriteAndReadBack([](DeviceRecord*) {});
            EXPECT_NE(text.find("\tOption     " + quoted + "\n"), std::string::npos);
            break;
        }
        case OptionKind::kNumber: {
            WriteAndReadBack([&](DeviceRecord* r) { r->settings[option.setting] = 1234; });
            EXPECT_EQ(Record(0)->settings[option.setting], 1234);
            break;
        }
        case OptionKind::kSwitch: {
            WriteAndReadBack([&](DeviceRecord* r) { r->settings[option.setting] = 1; });
            EXPECT_EQ(Record(0)->settings[option.setting], 1);
            WriteAndReadBack([&](DeviceRecord* r) { r->settings[option.setting] = 0; });
            EXPECT_EQ(Record(0)->settings[option.setting], 0);
            break;
        }
        case OptionKind::kLiveState: {
            const std::string text =
                WriteAndReadBack([&](DeviceRecord* r) { r->settings[option.setting] = 1; });
            EXPECT_NE(text.find("\tOption     " + quoted + "  \"0\"\n"), std::string::npos);
            EXPECT_EQ(Record(0)->settings[option.setting], 0);
            break;
        }
        case OptionKind::kScreenWidth:
        case OptionKind::kScreenHeight: {
            const std::string text = WriteAndReadBack([](DeviceRecord*) {});
            const char* value = option.kind == OptionKind::kScreenWidth ? "1280" : "800";
            EXPECT_NE(text.find("\tOption     " + quoted + "  \"" + value + "\"\n"),
                      std::string::npos);
            break;
        }
        case OptionKind::kDebugOption: {
            ASSERT_EQ(Read("Section \"InputDevice\"\n\tDriver \"tavir\"\n\tOption " + quoted +
                           " \"3\"\nEndSection\n"),
                      0);
            EXPECT_EQ(Record(0)->debugOption, 3);
            const std::string text = WriteAndReadBack([](DeviceRecord*) {});
            EXPECT_EQ(text.find(quoted), std::string::npos);
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Table, EachOption,
                         ::testing::Range(size_t{0},
                                          sizeof kDriverOptions / sizeof kDriverOptions[0]),
                         [](const ::testing::TestParamInfo<size_t>& info) {
                             const char* name = kDriverOptions[info.param].name;
                             return std::string(name != nullptr ? name : "Coefficients");
                         });

struct FamilyCase {
    size_t family;
    int points;
};

class EachFamily : public OptionRoundTrip, public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(EachFamily, EntriesInUseReadBackAndOthersAreNotWritten) {
    const CoefficientFamily& family = kCoefficientFamilies[GetParam().family];
    const int points = GetParam().points;
    const std::string text = WriteAndReadBack([&](DeviceRecord* r) {
        calibPointsNum = static_cast<uint8_t>(points);
        int32_t* values = CoefficientValues(r, family.field);
        for (int n = 0; n < family.size; ++n) {
            values[n] = -70000 - 13 * n;
        }
    });
    const int used = family.CountFor(points);
    const int32_t* values = CoefficientValues(Record(0), family.field);
    for (int n = 0; n < family.size; ++n) {
        const bool written =
            text.find("\tOption     \"" + FamilyOptionName(family, n) + "\"     \"" +
                      std::to_string(-70000 - 13 * n) + "\"\n") != std::string::npos;
        EXPECT_EQ(written, n < used) << FamilyOptionName(family, n);
        if (n < used) {
            EXPECT_EQ(values[n], -70000 - 13 * n) << FamilyOptionName(family, n);
        }
    }
}

std::vector<FamilyCase> AllFamilyCases() {
    std::vector<FamilyCase> cases;
    for (size_t f = 0; f < sizeof kCoefficientFamilies / sizeof kCoefficientFamilies[0]; ++f) {
        for (int points : {4, 9, 25}) {
            cases.push_back({f, points});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Families, EachFamily, ::testing::ValuesIn(AllFamilyCases()),
                         [](const ::testing::TestParamInfo<FamilyCase>& info) {
                             std::string name = kCoefficientFamilies[info.param.family].nameFormat;
                             name = name.substr(0, name.find('%'));
                             return name + "With" + std::to_string(info.param.points) + "Points";
                         });

TEST_F(OptionRoundTrip, InstallersSectionReadsBackAsAFreshPanel) {
    for (int mode : {kModeSerial, kModeUsb}) {
        std::ostringstream section;
        DriverWrite4(section, mode, 2, 3);
        ASSERT_EQ(Read(section.str()), 0);
        const DeviceRecord* record = Record(0);
        EXPECT_EQ(record->portIndex, mode == kModeUsb ? kUsbPortIndex : 3);
        EXPECT_EQ(record->speedIndex, kDefaultSpeedIndex);
        EXPECT_EQ(record->screenNo, 2);
        EXPECT_EQ(record->sampling, kDefaultSampling);
        EXPECT_EQ(calibPointsNum, kDefaultCalibPoints);
        EXPECT_FLOAT_EQ(record->borderRatio, kDefaultBorderPercent * 0.01f);
        for (int i = 0; i < kSettingsCount; ++i) {
            EXPECT_EQ(record->settings[i], kDefaultSettings[i]) << i;
        }
        for (const CoefficientFamily& family : kCoefficientFamilies) {
            const int32_t* defaults = DefaultCoefficients(family.field);
            for (int n = 0; n < family.CountFor(kDefaultCalibPoints); ++n) {
                EXPECT_EQ(CoefficientValues(record, family.field)[n], defaults[n])
                    << FamilyOptionName(family, n);
            }
        }
    }
}

}  // namespace
