// Reading driver sections and ServerLayout entries into device records.
#include <gtest/gtest.h>

#include <cmath>
#include <dirent.h>
#include <sys/stat.h>
#include <fstream>
#include <random>
#include <string>

#include "readerfixture.h"

namespace {

// A driver section with the given body lines (each without indentation).
std::string DriverSection(const std::string& identifier, const std::string& body,
                          const std::string& driverLine = "Driver \"tavir\"") {
    return "Section \"InputDevice\"\n\tIdentifier \"" + identifier + "\"\n\t" + driverLine + "\n" +
           body + "EndSection\n\n";
}

std::string Option(const std::string& name, const std::string& value) {
    return "\tOption \"" + name + "\" \"" + value + "\"\n";
}

const char* kKeyboard =
    "Section \"InputDevice\"\n\tIdentifier \"Keyboard0\"\n\tDriver \"kbd\"\nEndSection\n\n";

std::string Layout(const std::string& lines) {
    return "Section \"ServerLayout\"\n\tIdentifier \"L\"\n" + lines + "EndSection\n";
}

using Reader = ReaderFixture;

TEST_F(Reader, SectionsBecomeRecordsInFileOrderWithLayoutDecidingStatus) {
    std::string text = kKeyboard;
    text += DriverSection("TAVIR TouchPanel0", Option("ScreenNo", "0"));
    text += DriverSection("Panel B", Option("ScreenNo", "1"));
    text += DriverSection("Panel C", Option("ScreenNo", "2"), "Driver \"TAVIR\"");
    text += Layout(
        "\tInputDevice \"Keyboard0\" \"CoreKeyboard\"\n"
        "\tInputDevice \"TAVIR TouchPanel0\"\n"
        "\tInputDevice \"panel b\"\n");
    ASSERT_EQ(Read(text), 0);
    ASSERT_EQ(RecordCount(), 3u);
    EXPECT_STREQ(Record(0)->identifier, "\"TAVIR TouchPanel0\"");
    EXPECT_STREQ(Record(1)->identifier, "\"Panel B\"");
    EXPECT_STREQ(Record(2)->identifier, "\"Panel C\"");
    // Listed in the layout: Enable. Listed in other letter case, or not at
    // all: Disable.
    EXPECT_EQ(Record(0)->status, kStatusEnable);
    EXPECT_EQ(Record(1)->status, kStatusDisable);
    EXPECT_EQ(Record(2)->status, kStatusDisable);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(Record(i)->inFile, 1);
        EXPECT_EQ(Record(i)->screenNo, static_cast<int>(i));
    }
    EXPECT_EQ(Record(0)->inLayout, 1);
    EXPECT_EQ(Record(1)->inLayout, 0);
    EXPECT_EQ(LayoutNames(),
              (std::vector<std::string>{"\"Keyboard0\"", "\"TAVIR TouchPanel0\"", "\"panel b\""}));
    EXPECT_EQ(driverSectionCount, 3u);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(Reader, FileWithoutDriverSectionKeepsTheStartupRecord) {
    ASSERT_EQ(Read(std::string(kKeyboard) + Layout("\tInputDevice \"Keyboard0\"\n")), 0);
    ASSERT_EQ(RecordCount(), 1u);
    EXPECT_EQ(Record(0)->status, kStatusUndeclared);
    EXPECT_EQ(Record(0)->inFile, 0);
    EXPECT_STREQ(Record(0)->identifier, "\"TAVIR TouchPanel0\"");
    EXPECT_EQ(Record(0)->portIndex, 1);
    EXPECT_EQ(Record(0)->speedIndex, 3);
    // A keyboard section is still an InputDevice section: the point count
    // takes its default.
    EXPECT_EQ(calibPointsNum, 9);
}

TEST_F(Reader, NoInputDeviceSectionLeavesPointCountZero) {
    ASSERT_EQ(Read("Section \"Files\"\nEndSection\n"), 0);
    EXPECT_EQ(calibPointsNum, 0);
}

struct PortCase {
    const char* optionLine;
    int portIndex;
};

TEST_F(Reader, DeviceOptionPicksThePortTableEntry) {
    const PortCase cases[] = {
        {"\tOption \"Device\" \"/dev/ttyS2\"\n", 2},
        {"\toption \"DEVICE\" \"/dev/ttyS0\"\n", 0},
        {"\tOption \"Device\" \"/dev/input/event*\"\n", 4},
        {"\tOption \"Device\" \"/dev/ttyUSB0\"\n", 1},
        {"", 1},
    };
    for (const PortCase& c : cases) {
        ASSERT_EQ(Read(DriverSection("P", c.optionLine)), 0);
        EXPECT_EQ(Record(0)->portIndex, c.portIndex) << c.optionLine;
    }
}

TEST_F(Reader, LinkValuesTheTablesDoNotHoldAreKeptAsWritten) {
    struct Case {
        const char* line;
        const char* keptDevice;    // nullptr: a table entry
        const char* keptBaudRate;  // nullptr: a table entry
    };
    const Case cases[] = {
        {"\tOption \"Device\" \"/dev/ttyS2\"\n", nullptr, nullptr},
        {"\tOption \"Device\" \"/dev/input/event*\"\n", nullptr, nullptr},
        {"\tOption \"Device\" \"/dev/ttyS8\"\n", "/dev/ttyS8", nullptr},
        // Holds a table text, but is another port.
        {"\tOption \"Device\" \"/dev/ttyS10\"\n", "/dev/ttyS10", nullptr},
        {"\tOption \"Device\" \"/dev/serial/by-id/usb panel\"  # ours\n",
         "/dev/serial/by-id/usb panel", nullptr},
        {"\tOption \"Device\" /dev/ttyUSB0\r\n", "/dev/ttyUSB0", nullptr},
        {"\tOption \"BaudRate\" \"19200\"\n", nullptr, nullptr},
        {"\tOption \"BaudRate\" \"38400\"\n", nullptr, "38400"},
        {"\tOption \"BaudRate\" \"fast\"\n", nullptr, "fast"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Read(DriverSection("P", c.line)), 0);
        const DeviceRecord* record = Record(0);
        EXPECT_STREQ(record->keptDevice, c.keptDevice) << c.line;
        EXPECT_STREQ(record->keptBaudRate, c.keptBaudRate) << c.line;
    }
    // The indexes follow the table rules all the same.
    ASSERT_EQ(
        Read(DriverSection("P", Option("Device", "/dev/ttyS10") + Option("BaudRate", "38400"))), 0);
    EXPECT_EQ(Record(0)->portIndex, 1);
    EXPECT_EQ(Record(0)->speedIndex, 3);
}

TEST_F(Reader, PipeOrDirectoryIsRefusedBeforeItIsRead) {
    const std::string pipe = ScratchPath("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);  // nobody writes: a read would wait for ever
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadPath(pipe), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Read Config: Not a regular file\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ReadPath(dir), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Read Config: Is a directory\n");
}

TEST_F(Reader, BaudRateAndBorderRatioWithTheirFallbacks) {
    const std::pair<const char*, int> speeds[] = {
        {"19200", 4}, {"1200", 0}, {"38400", 3}, {"fast", 3}};
    for (const auto& [baud, index] : speeds) {
        ASSERT_EQ(Read(DriverSection("P", Option("BaudRate", baud))), 0);
        EXPECT_EQ(Record(0)->speedIndex, index) << baud;
    }
    ASSERT_EQ(Read(DriverSection("P", "")), 0);
    EXPECT_EQ(Record(0)->speedIndex, 3);
    EXPECT_FLOAT_EQ(Record(0)->borderRatio, 0.05f);
    ASSERT_EQ(Read(DriverSection("P", Option("BorderRatio", "3"))), 0);
    EXPECT_FLOAT_EQ(Record(0)->borderRatio, 0.03f);
}

TEST_F(Reader, SettingsTakeTheirOptionsAndFlagsBecomeZeroOrOne) {
    std::string body =
        Option("Products", "2") + Option("TouchMode", "1") + Option("TapTime", "30") +
        Option("Stabilize", "4") + Option("Averaging", "6") + Option("LiftOffTime", "7") +
        Option("Sound", "5") + Option("RclickHold", "-1") + Option("RclickHoldDuration", "2000") +
        Option("RclickSpatialTolerance", "12") + Option("Communication", "9") +
        Option("DebugOption", "3") + Option("Sampling", "257");
    ASSERT_EQ(Read(DriverSection("P", body)), 0);
    const int expected[14] = {2, 1, 30, 4, 6, 7, 0, 0, 0, 1, 1, 2000, 12, 1};
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(Record(0)->settings[i], expected[i]) << "entry " << i;
    }
    EXPECT_EQ(Record(0)->debugOption, 3);
    EXPECT_EQ(Record(0)->sampling, 1);  // low 8 bits of 257
}

TEST_F(Reader, RclickHoldDoesNotTakeTheDurationsValue) {
    ASSERT_EQ(Read(DriverSection("P", Option("RclickHoldDuration", "1800"))), 0);
    EXPECT_EQ(Record(0)->settings[10], 0);
    EXPECT_EQ(Record(0)->settings[11], 1800);
}

TEST_F(Reader, CoefficientCountFollowsThePointCountReadBeforeThem) {
    std::string body = Option("CalibPointsNum", "25");
    for (int n = 0; n < 128; ++n) {
        char name[32];
        snprintf(name, sizeof name, "CoEfficient%03d", n);
        body += Option(name, std::to_string(1000 + n));
    }
    for (int n = 0; n < 4; ++n) {
        body += Option("Cal25Base" + std::to_string(n), std::to_string(-n - 1));
    }
    body += Option("Cal9Base0", "611") + Option("Cal9Base1", "-407");
    ASSERT_EQ(Read(DriverSection("P", body)), 0);
    EXPECT_EQ(calibPointsNum, 25);
    for (int n = 0; n < 128; ++n) {
        EXPECT_EQ(Record(0)->coefficient[n], 1000 + n);
    }
    EXPECT_EQ(Record(0)->cal25Base[3], -4);
    // A 25-point calibration writes Cal9Base too; reading it back keeps the
    // next rewrite from putting the defaults in its place.
    EXPECT_EQ(Record(0)->cal9Base[0], 611);
    EXPECT_EQ(Record(0)->cal9Base[1], -407);

    // Coefficients standing before "CalibPointsNum" are read with the count
    // for 9 points: entries 32 and on keep what the record held.
    std::string late = Option("CoEfficient031", "31") + Option("CoEfficient040", "40") +
                       Option("CalibPointsNum", "25");
    ASSERT_EQ(Read(DriverSection("P", late)), 0);
    EXPECT_EQ(Record(0)->coefficient[31], 31);
    EXPECT_EQ(Record(0)->coefficient[40], 0);
}

TEST_F(Reader, FourPointFilesCopyOnlyEightCoefficientsAndUnknownCountsNone) {
    std::string body = Option("CalibPointsNum", "4") + Option("CoEfficient007", "77") +
                       Option("CoEfficient008", "88") + Option("Cal9Base0", "5") +
                       Option("CoEfficient4p7", "47") + Option("CoEfficientRevise9", "99");
    ASSERT_EQ(Read(DriverSection("P", body)), 0);
    EXPECT_EQ(Record(0)->coefficient[7], 77);
    EXPECT_EQ(Record(0)->coefficient[8], 15863);  // default kept
    EXPECT_EQ(Record(0)->cal9Base[0], 520);       // only 9 and 25 points copy it
    EXPECT_EQ(Record(0)->coefficient4p[7], 47);
    EXPECT_EQ(Record(0)->coefficientRevise[9], 99);

    ASSERT_EQ(
        Read(DriverSection("P", Option("CalibPointsNum", "7") + Option("CoEfficient000", "1"))), 0);
    EXPECT_EQ(calibPointsNum, 7);
    EXPECT_EQ(Record(0)->coefficient[0], 16914);
}

TEST_F(Reader, AnotherDriversSectionAfterTheLastPanelKeepsItsPointCount) {
    std::string text = DriverSection("P", Option("CalibPointsNum", "4")) + kKeyboard;
    ASSERT_EQ(Read(text), 0);
    EXPECT_EQ(calibPointsNum, 4);
}

TEST_F(Reader, MissingIdentifierAndValuelessOptions) {
    std::string text =
        "Section \"InputDevice\"\n\tDriver \"tavir\"\n\tOption \"ScreenNo\" \"3\"\n"
        "\tOption \"TapTime\"\n\tOption\n\tIdentifier no-quotes\nEndSection\n";
    ASSERT_EQ(Read(text), 0);
    EXPECT_STREQ(Record(0)->identifier, "\"TAVIR TouchPanel3\"");
    EXPECT_EQ(Record(0)->settings[2], 25);  // untouched default
}

TEST_F(Reader, UnclosedSectionsWarnAndStillFillTheRecord) {
    ASSERT_EQ(Read("Section \"InputDevice\"\n\tIdentifier \"P\"\n\tDriver \"tavir\"\n"
                   "\tOption \"ScreenNo\" \"4\"\n"),
              0);
    EXPECT_EQ(Record(0)->screenNo, 4);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "\"InputDevice\" Parameter Not Found\n");

    ASSERT_EQ(Read("Section \"ServerLayout\"\n\tInputDevice \"X\"\n"), 0);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "\"ServerLayout\" Parameter Not Found\n");
}

TEST_F(Reader, MissingFileFails) {
    EXPECT_EQ(ReadPath(ScratchPath("absent")), -1);
    EXPECT_EQ(RecordCount(), 1u);
}

TEST_F(Reader, LongLinesAreReadWhole) {
    // A comment long enough that reading it in 255-byte pieces would turn
    // its tail into a line of its own beginning with EndSection or Section.
    std::string filler(255 - 3, 'x');
    std::string trap = "\t# " + filler + "EndSection\n";
    std::string trap2 = "# " + std::string(253, 'y') + "Section \"InputDevice\"\n";
    std::string longValue = "\tOption \"Device\" \"" + std::string(10000, 'z') + "/dev/ttyS3\"\n";
    std::string text = trap2 + DriverSection("P", trap + longValue + Option("ScreenNo", "6"));
    ASSERT_EQ(Read(text), 0);
    ASSERT_EQ(RecordCount(), 1u);
    EXPECT_EQ(Record(0)->screenNo, 6);
    EXPECT_EQ(Record(0)->portIndex, 3);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(Reader, CrlfLineEndsAndNulBytes) {
    std::string text =
        "Section \"InputDevice\"\r\n\tIdentifier \"P\"\r\n\tDriver \"tavir\"\r\n"
        "\tOption \"ScreenNo\" \"2\"\r\n\tOption \"Sound\" \"1\"\r\nEndSection\r\n"
        "Section \"ServerLayout\"\r\n\tInputDevice \"P\"\r\nEndSection\r\n";
    ASSERT_EQ(Read(text), 0);
    EXPECT_EQ(Record(0)->screenNo, 2);
    EXPECT_EQ(Record(0)->settings[9], 1);
    EXPECT_EQ(Record(0)->status, kStatusEnable);

    using namespace std::string_literals;
    std::string withNul = DriverSection("P", "\tOption \"ScreenNo\" \"5\0\"\n"s + "\0\0\0\n"s);
    ASSERT_EQ(Read(withNul), 0);
    EXPECT_EQ(Record(0)->screenNo, 5);
}

TEST_F(Reader, ManyDriverSectionsEachGetARecord) {
    std::string text;
    std::string layout;
    for (int i = 0; i < 300; ++i) {
        text += DriverSection("TAVIR TouchPanel" + std::to_string(i),
                              Option("ScreenNo", std::to_string(i)));
        if (i % 2 == 0) {
            layout += "\tInputDevice \"TAVIR TouchPanel" + std::to_string(i) + "\"\n";
        }
    }
    ASSERT_EQ(Read(text + Layout(layout)), 0);
    ASSERT_EQ(RecordCount(), 300u);
    EXPECT_EQ(Record(299)->screenNo, 299);
    EXPECT_EQ(Record(298)->status, kStatusEnable);
    EXPECT_EQ(Record(299)->status, kStatusDisable);
    EXPECT_EQ(driverSectionCount, 300u);
}

TEST_F(Reader, RandomBytesNeverCrash) {
    std::mt19937 random(1234);
    const std::string pieces[] = {"Section ",
                                  "\"InputDevice\"",
                                  "\"ServerLayout\"",
                                  "EndSection",
                                  "Driver ",
                                  "\"tavir\"",
                                  "Option ",
                                  "\"CalibPointsNum\"",
                                  "\"CoEfficient0",
                                  "\"25\"",
                                  "Identifier ",
                                  "\"",
                                  "\n",
                                  "\t",
                                  "InputDevice ",
                                  std::string(1, '\0'),
                                  "\r",
                                  ",",
                                  "-99999999999"};
    for (int round = 0; round < 300; ++round) {
        std::string text;
        int count = static_cast<int>(random() % 200);
        for (int i = 0; i < count; ++i) {
            if (random() % 4 == 0) {
                text.push_back(static_cast<char>(random() % 256));
            } else {
                text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
            }
        }
        int result = Read(text);
        EXPECT_EQ(result, 0);
        ASSERT_GE(RecordCount(), 1u);
    }
}

TEST_F(Reader, PublicSampleFilesReadQuietly) {
    const char* samples = PANEL_SAMPLES_DIR;
    DIR* directory = opendir(samples);
    ASSERT_NE(directory, nullptr) << samples;
    int files = 0;
    while (dirent* entry = readdir(directory)) {
        std::string name = entry->d_name;
        if (name.size() < 5 || name.substr(name.size() - 5) != ".conf") {
            continue;
        }
        ++files;
        EXPECT_EQ(ReadPath(std::string(samples) + "/" + name), 0) << name;
        EXPECT_EQ(RecordCount(), 1u) << name;
        EXPECT_EQ(Record(0)->status, kStatusUndeclared) << name;
        EXPECT_TRUE(warnings.empty()) << name << ": " << (warnings.empty() ? "" : warnings[0]);
    }
    closedir(directory);
    EXPECT_GE(files, 20);
}

}  // namespace
