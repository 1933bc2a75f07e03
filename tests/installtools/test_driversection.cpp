// The default driver section byte for byte, and the text helpers the passes
// rest on.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "driversection.h"
#include "textfuncs.h"

namespace {

// What a freshly installed serial panel for screen 0 on /dev/ttyS1 gets.
const char kSerialScreen0Port1[] = R"(
Section "InputDevice"
   Identifier       "TAVIR TouchPanel0"
   Driver           "tavir"
   Option           "Device"            "/dev/ttyS1"
   Option           "BaudRate"          "9600"
   Option           "Sampling"          "0"
   Option           "ScreenNo"          "0"
   Option     "CalibPointsNum"     "9"
   Option     "BorderRatio"     "3"
   Option     "CoEfficient4p0"     "12002"
   Option     "CoEfficient4p1"     "232"
   Option     "CoEfficient4p2"     "-17"
   Option     "CoEfficient4p3"     "-2020301"
   Option     "CoEfficient4p4"     "-243"
   Option     "CoEfficient4p5"     "-11421"
   Option     "CoEfficient4p6"     "0"
   Option     "CoEfficient4p7"     "8991580"
   Option     "CoEfficientRevise0"     "-22"
   Option     "CoEfficientRevise1"     "22"
   Option     "CoEfficientRevise2"     "-517"
   Option     "CoEfficientRevise3"     "1009"
   Option     "CoEfficientRevise4"     "-961"
   Option     "CoEfficientRevise5"     "-16"
   Option     "CoEfficientRevise6"     "16"
   Option     "CoEfficientRevise7"     "-520"
   Option     "CoEfficientRevise8"     "765"
   Option     "CoEfficientRevise9"     "725"
   Option     "CoEfficient000"     "16914"
   Option     "CoEfficient001"     "402"
   Option     "CoEfficient002"     "-407"
   Option     "CoEfficient003"     "-11181"
   Option     "CoEfficient004"     "-32"
   Option     "CoEfficient005"     "16362"
   Option     "CoEfficient006"     "888"
   Option     "CoEfficient007"     "-2656"
   Option     "CoEfficient008"     "15863"
   Option     "CoEfficient009"     "-2882"
   Option     "CoEfficient010"     "418"
   Option     "CoEfficient011"     "-7874713"
   Option     "CoEfficient012"     "16"
   Option     "CoEfficient013"     "22289"
   Option     "CoEfficient014"     "-567"
   Option     "CoEfficient015"     "-32318"
   Option     "CoEfficient016"     "14653"
   Option     "CoEfficient017"     "-420"
   Option     "CoEfficient018"     "473"
   Option     "CoEfficient019"     "294144"
   Option     "CoEfficient020"     "3726"
   Option     "CoEfficient021"     "16408"
   Option     "CoEfficient022"     "-646"
   Option     "CoEfficient023"     "-6293165"
   Option     "CoEfficient024"     "18034"
   Option     "CoEfficient025"     "3129"
   Option     "CoEfficient026"     "-442"
   Option     "CoEfficient027"     "-9799071"
   Option     "CoEfficient028"     "-2045"
   Option     "CoEfficient029"     "12339"
   Option     "CoEfficient030"     "356"
   Option     "CoEfficient031"     "-3293230"
   Option     "Cal9Base0"     "520"
   Option     "Cal9Base1"     "316"
   Option           "SendCoreEvents"
   Option     "Products"  "3"
   Option     "TouchMode"  "0"
   Option     "TapTime"  "25"
   Option     "Stabilize"  "0"
   Option     "Averaging"  "0"
   Option     "LiftOffTime"  "5"
   Option     "Sound"  "0"
   Option     "RclickHold"  "0"
   Option     "RclickHoldDuration"  "1500"
   Option     "RclickSpatialTolerance"  "10"
   Option     "Communication"  "0"
EndSection
)";

std::string Write(int mode, int screen, int serial) {
    std::ostringstream out;
    std::ostream& returned = DriverWrite4(out, mode, screen, serial);
    EXPECT_EQ(&returned, &out);
    return out.str();
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST(DriverWrite4, SerialSectionIsExact) {
    EXPECT_EQ(Write(kModeSerial, 0, 1), kSerialScreen0Port1);
}

TEST(DriverWrite4, UsbSectionDiffersOnlyInDevice) {
    std::string usb = Replace(kSerialScreen0Port1, "\"/dev/ttyS1\"", "\"/dev/input/event*\"");
    EXPECT_EQ(Write(kModeUsb, 0, 1), usb);
}

TEST(DriverWrite4, BothWritesSerialThenUsb) {
    std::string usb = Replace(kSerialScreen0Port1, "\"/dev/ttyS1\"", "\"/dev/input/event*\"");
    EXPECT_EQ(Write(kModeBoth, 0, 1), std::string(kSerialScreen0Port1) + usb);
}

TEST(DriverWrite4, ScreenNumberReachesIdentifierAndScreenNo) {
    std::string expected = Replace(kSerialScreen0Port1, "\"TAVIR TouchPanel0\"", "\"TAVIR TouchPanel12\"");
    expected = Replace(expected, "\"ScreenNo\"          \"0\"", "\"ScreenNo\"          \"12\"");
    expected = Replace(expected, "\"/dev/ttyS1\"", "\"/dev/ttyS8\"");
    EXPECT_EQ(Write(kModeSerial, 12, 8), expected);
}

TEST(DriverWrite4, OtherModesWriteNothing) {
    EXPECT_EQ(Write(3, 0, 1), "");
    EXPECT_EQ(Write(-1, 0, 1), "");
}

TEST(TextFuncs, SearchFirstSkipsBlanksAndTabsOnly) {
    EXPECT_EQ(SearchFirst(" \t Section\n"), "Section\n");
    EXPECT_EQ(SearchFirst("   \n"), "\n");
    EXPECT_EQ(SearchFirst(" \t "), " \t ");  // nothing else: whole text
    EXPECT_EQ(SearchFirst(""), "");
    EXPECT_EQ(SearchFirst("\r\n"), "\r\n");
}

TEST(TextFuncs, TolowerLineLeavesHighBytes) {
    std::string text = "EndSection \"TAVIR\" \xc3\x88\xe2\x80\x94 X\n";
    TolowerLine(text);
    EXPECT_EQ(text, "endsection \"tavir\" \xc3\x88\xe2\x80\x94 x\n");
}

TEST(TextFuncs, PrntErrWarningFormatAndCount) {
    testing::internal::CaptureStderr();
    int printed = PrntErr(0, "WriteConfig", "Can't remove");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "\nWarning : [WriteConfig]\n Can't remove\n");
    EXPECT_EQ(printed, static_cast<int>(err.size()));
}

TEST(TextFuncsDeathTest, PrntErrErrorEndsWithStatus1) {
    EXPECT_EXIT(PrntErr(1, "uninstall", "command xpath"), testing::ExitedWithCode(1),
                "\nError : \\[uninstall\\]\n command xpath\n");
}

TEST(TextFuncs, FormatTextHasNoLengthLimit) {
    std::string longPath(5000, 'a');
    EXPECT_EQ(FormatText("Can't open \"%s\"", longPath.c_str()), "Can't open \"" + longPath + "\"");
}

}  // namespace
