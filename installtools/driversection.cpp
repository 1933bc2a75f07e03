#include "driversection.h"

#include "config/driveroptions.h"
#include "textfuncs.h"

namespace {

using namespace driveropts;

// One default section, every option from the driver's option table with the
// values of a freshly installed panel.
void WriteSection(std::ostream& out, bool usb, int screenNum, int serialNum) {
    std::string text = "\nSection \"InputDevice\"\n";
    text += FormatText("   Identifier       \"TAVIR TouchPanel%d\"\n", screenNum);
    text += "   Driver           \"tavir\"\n";
    for (const DriverOption& option : kDriverOptions) {
        if ((option.writers & kInstaller) == 0) {
            continue;
        }
        const OptionColumn column = option.column;
        const char* name = option.name;
        switch (option.kind) {
            case OptionKind::kDevice: {
                const std::string device =
                    usb ? kPortDevices[kUsbPortIndex] : FormatText("/dev/ttyS%d", serialNum);
                AppendOptionLine(text, kInstallerStyle, column, name, device.c_str());
                break;
            }
            case OptionKind::kBaudRate:  // in the USB section too
                AppendOptionLine(text, kInstallerStyle, column, name, kDefaultBaud);
                break;
            case OptionKind::kSampling:
                AppendOptionLine(text, kInstallerStyle, column, name, kDefaultSampling);
                break;
            case OptionKind::kScreenNo:
                AppendOptionLine(text, kInstallerStyle, column, name, screenNum);
                break;
            case OptionKind::kCalibPointsNum:
                AppendOptionLine(text, kInstallerStyle, column, name, kDefaultCalibPoints);
                break;
            case OptionKind::kBorderRatio:
                AppendOptionLine(text, kInstallerStyle, column, name, kDefaultBorderPercent);
                break;
            case OptionKind::kCoefficients:
                for (const CoefficientFamily& family : kCoefficientFamilies) {
                    const int32_t* values = DefaultCoefficients(family.field);
                    for (int n = 0; n < family.CountFor(kDefaultCalibPoints); ++n) {
                        AppendOptionLine(text, kInstallerStyle, column,
                                         FamilyOptionName(family, n).c_str(), values[n]);
                    }
                }
                break;
            case OptionKind::kSendCoreEvents:
                AppendOptionLine(text, kInstallerStyle, column, name, nullptr);
                break;
            case OptionKind::kNumber:
            case OptionKind::kSwitch:
            case OptionKind::kLiveState:
                AppendOptionLine(text, kInstallerStyle, column, name,
                                 kDefaultSettings[option.setting]);
                break;
            case OptionKind::kScreenWidth:
            case OptionKind::kScreenHeight:
            case OptionKind::kDebugOption:
                break;
        }
    }
    text += "EndSection\n";
    out << text;
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
