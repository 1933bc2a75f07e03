#include "driversection.h"

#include "config/driveroptions.h"
#include "textfuncs.h"

namespace {

// Coefficient options line up in their own, narrower columns.
void WriteNumberOption(std::ostream& out, const std::string& name, long value) {
    out << FormatText("   Option     \"%s\"     \"%ld\"\n", name.c_str(), value);
}

void WriteSettingOption(std::ostream& out, const char* name, int value) {
    out << FormatText("   Option     \"%s\"  \"%d\"\n", name, value);
}

void WriteSection(std::ostream& out, bool usb, int screenNum, int serialNum) {
    using namespace driveropts;
    out << "\nSection \"InputDevice\"\n";
    out << FormatText("   Identifier       \"TAVIR TouchPanel%d\"\n", screenNum);
    out << "   Driver           \"tavir\"\n";
    if (usb) {
        out << FormatText("   Option           \"Device\"            \"%s\"\n", kPortDevices[kUsbPortIndex]);
    } else {
        out << FormatText("   Option           \"Device\"            \"/dev/ttyS%d\"\n", serialNum);
    }
    out << FormatText("   Option           \"BaudRate\"          \"%d\"\n", kDefaultBaud);
    out << FormatText("   Option           \"Sampling\"          \"%d\"\n", kDefaultSampling);
    out << FormatText("   Option           \"ScreenNo\"          \"%d\"\n", screenNum);
    out << FormatText("   Option     \"CalibPointsNum\"     \"%d\"\n", kDefaultCalibPoints);
    out << FormatText("   Option     \"BorderRatio\"     \"%d\"\n", kDefaultBorderPercent);
    for (int n = 0; n < kCoefficient4pCount; ++n) {
        WriteNumberOption(out, FormatText("CoEfficient4p%d", n), kDefaultCoefficient4p[n]);
    }
    for (int n = 0; n < kCoefficientReviseCount; ++n) {
        WriteNumberOption(out, FormatText("CoEfficientRevise%d", n), kDefaultCoefficientRevise[n]);
    }
    for (int n = 0; n < kDefaultCoefficientUsed; ++n) {
        WriteNumberOption(out, FormatText("CoEfficient%03d", n), kDefaultCoefficient[n]);
    }
    for (int n = 0; n < kCal9BaseCount; ++n) {
        WriteNumberOption(out, FormatText("Cal9Base%d", n), kDefaultCal9Base[n]);
    }
    out << "   Option           \"SendCoreEvents\"\n";
    WriteSettingOption(out, "Products", kDefaultSettings[kProducts]);
    WriteSettingOption(out, "TouchMode", kDefaultSettings[kTouchMode]);
    WriteSettingOption(out, "TapTime", kDefaultSettings[kTapTime]);
    WriteSettingOption(out, "Stabilize", kDefaultSettings[kStabilize]);
    WriteSettingOption(out, "Averaging", kDefaultSettings[kAveraging]);
    WriteSettingOption(out, "LiftOffTime", kDefaultSettings[kLiftOffTime]);
    WriteSettingOption(out, "Sound", kDefaultSettings[kSound]);
    WriteSettingOption(out, "RclickHold", kDefaultSettings[kRclickHold]);
    WriteSettingOption(out, "RclickHoldDuration", kDefaultSettings[kRclickHoldDuration]);
    WriteSettingOption(out, "RclickSpatialTolerance", kDefaultSettings[kRclickSpatialTolerance]);
    WriteSettingOption(out, "Communication", kDefaultSettings[kCommunication]);
    out << "EndSection\n";
}

}  // namespace

std::ostream& DriverWrite4(std::ostream& out, int mode, int screenNum, int serialNum) {
    if (mode == kModeSerial || mode == kModeBoth) {
        WriteSection(out, false, screenNum, serialNum);
    }
    if (mode == kModeUsb || mode == kModeBoth) {
        WriteSection(out, true, screenNum, serialNum);
    }
    out.flush();
    return out;
}
