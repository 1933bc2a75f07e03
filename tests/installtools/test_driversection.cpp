// The default driver section byte for byte, and the text helpers the passes
// rest on.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "driversection.h"
#include "textfuncs.h"

namespace {

// What a freshly installed serial panel for screen 0 on /dev/ttyS1 gets, as
// the golden installed file holds it.
std::string SerialScreen0Port1() {
    std::ifstream in(INSTALLTOOLS_DATA_DIR "/XF86Config.serial-screen0-ttyS1", std::ios::binary);
    std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t start = golden.find("\nSection \"InputDevice\"\n   Identifier       \"TAVIR");
    size_t end = golden.find("EndSection\n", start);
    EXPECT_NE(end, std::string::npos);
    return golden.substr(start, end + sizeof "EndSection\n" - 1 - start);
}

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
    EXPECT_EQ(Write(kModeSerial, 0, 1), SerialScreen0Port1());
}

TEST(DriverWrite4, UsbSectionDiffersOnlyInDevice) {
    std::string usb = Replace(SerialScreen0Port1(), "\"/dev/ttyS1\"", "\"/dev/input/event*\"");
    EXPECT_EQ(Write(kModeUsb, 0, 1), usb);
}

TEST(DriverWrite4, BothWritesSerialThenUsb) {
    std::string usb = Replace(SerialScreen0Port1(), "\"/dev/ttyS1\"", "\"/dev/input/event*\"");
    EXPECT_EQ(Write(kModeBoth, 0, 1), SerialScreen0Port1() + usb);
}

TEST(DriverWrite4, ScreenNumberReachesIdentifierAndScreenNo) {
    std::string expected =
        Replace(SerialScreen0Port1(), "\"TAVIR TouchPanel0\"", "\"TAVIR TouchPanel12\"");
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

}  // namespace
