// Rewriting the configuration file: what is dropped, what is kept byte for
// byte, the exact text of a generated section, and the file left as it was
// when something is wrong.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "testfiles.h"
#include "config/configreader.h"
#include "config/configwriter.h"
#include "readerfixture.h"

using namespace driveropts;

namespace {

const char* kFiles = "Section \"Files\"\n\tFontPath \"unix/:7100\"\nEndSection\n\n";
const char* kKeyboard =
    "Section \"InputDevice\"\n\tIdentifier \"Keyboard0\"\n\tDriver \"kbd\"\nEndSection\n\n";
const char* kMouse =
    "Section \"InputDevice\"\n\tIdentifier \"Mouse0\"\n\tDriver \"mouse\"\nEndSection\n\n";

std::string DriverSection(const std::string& identifier, const std::string& body = "") {
    return "Section \"InputDevice\"\n\tIdentifier \"" + identifier + "\"\n\tDriver \"tavir\"\n" +
           body + "EndSection\n\n";
}

std::string Layout(const std::string& lines) {
    return "Section \"ServerLayout\"\n\tIdentifier \"L\"\n" + lines + "EndSection\n";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        lines.push_back(line + (in.eof() ? "" : "\n"));
    }
    return lines;
}

// Replaces each generated driver section (recognised by its exact first
// three lines) by "<tavir IDENTIFIER>\n", so that the tests about placement
// stay readable. The exact section text is checked once, on its own.
std::string Skeleton(const std::string& text) {
    std::vector<std::string> lines = Lines(text);
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == "Section \"InputDevice\"\n" && i + 2 < lines.size() &&
            lines[i + 1].rfind("\tIdentifier ", 0) == 0 &&
            lines[i + 2] == "\tDriver     \"tavir\"\n") {
            std::string identifier = lines[i + 1].substr(12);
            identifier.pop_back();
            size_t end = i;
            while (end < lines.size() && lines[end] != "EndSection\n") {
                ++end;
            }
            EXPECT_LT(end + 1, lines.size()) << "generated section without its blank line";
            EXPECT_EQ(lines[end + 1], "\n");
            out += "<tavir " + identifier + ">\n";
            i = end + 1;
            continue;
        }
        out += lines[i];
    }
    return out;
}

size_t CountLinesStartingWith(const std::string& text, const std::string& prefix) {
    size_t count = 0;
    for (const std::string& line : Lines(text)) {
        count += line.rfind(prefix, 0) == 0;
    }
    return count;
}

bool HasLine(const std::string& text, const std::string& line) {
    std::vector<std::string> lines = Lines(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Writer : public ReaderFixture {
protected:
    // Reads text as start-up does; the shared values start-up sets are
    // handed to the writer (Values()).
    void Load(const std::string& text) {
        ASSERT_EQ(Read(text), 0);
        AfterRead();
    }
    void AfterRead() {
        screen = {1024, 768};
        warnings.clear();
    }

    // The records and the point count read, with the shared values.
    WriteValues Values() const {
        return WriteValues{deviceList, calibPointsNum, 1, screen.first, screen.second};
    }

    // What Apply does: search, then rewrite whatever the search gave.
    int Apply() {
        SectionMap map;
        SearchSection(configPath, &map);
        return SetConfig(configPath, map, Values());
    }

    std::string Text() const { return ReadFileBytes(configPath); }

    DeviceRecord* Add(int screen, uint8_t status) {
        DeviceRecord* record = AppendDeviceRecord();
        record->identifier = MakeOwnIdentifier(screen);
        record->screenNo = screen;
        record->status = status;
        return record;
    }

    // Names in a directory that look like the writer's temporary files.
    static std::vector<std::string> Leftovers(const std::string& directory) {
        std::vector<std::string> names;
        DIR* d = opendir(directory.c_str());
        if (d == nullptr) {
            return names;
        }
        while (dirent* entry = readdir(d)) {
            if (std::string(entry->d_name).rfind("gtp", 0) == 0) {
                names.push_back(entry->d_name);
            }
        }
        closedir(d);
        return names;
    }

    // The rewrite fails, the file keeps its text and nothing is left over.
    void ExpectRefused(const std::string& before) {
        EXPECT_EQ(Apply(), -1);
        EXPECT_EQ(Text(), before);
        EXPECT_TRUE(Leftovers(dir).empty());
        EXPECT_FALSE(warnings.empty());
    }

    // The screen size start-up reads from the display: width, height.
    std::pair<int, int> screen{1024, 768};
};

TEST_F(Writer, GeneratedSectionIsExactlyTheDriversFormat) {
    Load(kKeyboard);
    DeviceRecord* r = Add(1, kStatusDisable);
    r->portIndex = 2;
    r->speedIndex = 4;
    r->sampling = 7;
    r->borderRatio = 0.05f;
    for (int n = 0; n < 32; ++n) {
        r->coefficient[n] = (n - 16) * 100003;
    }
    r->cal9Base[1] = -316;
    const int settings[14] = {2, 1, 30, 4, 6, 7, 9, 9, 9, 5, 1, 1500, 10, 1};
    std::copy(settings, settings + 14, r->settings);
    r->debugOption = 4;
    calibPointsNum = 9;
    screen = {1280, 1024};

    const std::string golden =
        "Section \"InputDevice\"\n"
        "\tIdentifier \"TAVIR TouchPanel1\"\n"
        "\tDriver     \"tavir\"\n"
        "\tOption     \"Device\"       \"/dev/ttyS2\"\n"
        "\tOption     \"BaudRate\"     \"19200\"\n"
        "\tOption     \"Sampling\"     \"7\"\n"
        "\tOption     \"ScreenNo\"     \"1\"\n"
        "\tOption     \"CalibPointsNum\"     \"9\"\n"
        "\tOption     \"BorderRatio\"     \"5\"\n"
        "\tOption     \"CoEfficient4p0\"     \"12002\"\n"
        "\tOption     \"CoEfficient4p1\"     \"232\"\n"
        "\tOption     \"CoEfficient4p2\"     \"-17\"\n"
        "\tOption     \"CoEfficient4p3\"     \"-2020301\"\n"
        "\tOption     \"CoEfficient4p4\"     \"-243\"\n"
        "\tOption     \"CoEfficient4p5\"     \"-11421\"\n"
        "\tOption     \"CoEfficient4p6\"     \"0\"\n"
        "\tOption     \"CoEfficient4p7\"     \"8991580\"\n"
        "\tOption     \"CoEfficientRevise0\"     \"-22\"\n"
        "\tOption     \"CoEfficientRevise1\"     \"22\"\n"
        "\tOption     \"CoEfficientRevise2\"     \"-517\"\n"
        "\tOption     \"CoEfficientRevise3\"     \"1009\"\n"
        "\tOption     \"CoEfficientRevise4\"     \"-961\"\n"
        "\tOption     \"CoEfficientRevise5\"     \"-16\"\n"
        "\tOption     \"CoEfficientRevise6\"     \"16\"\n"
        "\tOption     \"CoEfficientRevise7\"     \"-520\"\n"
        "\tOption     \"CoEfficientRevise8\"     \"765\"\n"
        "\tOption     \"CoEfficientRevise9\"     \"725\"\n"
        "\tOption     \"CoEfficient000\"     \"-1600048\"\n"
        "\tOption     \"CoEfficient001\"     \"-1500045\"\n"
        "\tOption     \"CoEfficient002\"     \"-1400042\"\n"
        "\tOption     \"CoEfficient003\"     \"-1300039\"\n"
        "\tOption     \"CoEfficient004\"     \"-1200036\"\n"
        "\tOption     \"CoEfficient005\"     \"-1100033\"\n"
        "\tOption     \"CoEfficient006\"     \"-1000030\"\n"
        "\tOption     \"CoEfficient007\"     \"-900027\"\n"
        "\tOption     \"CoEfficient008\"     \"-800024\"\n"
        "\tOption     \"CoEfficient009\"     \"-700021\"\n"
        "\tOption     \"CoEfficient010\"     \"-600018\"\n"
        "\tOption     \"CoEfficient011\"     \"-500015\"\n"
        "\tOption     \"CoEfficient012\"     \"-400012\"\n"
        "\tOption     \"CoEfficient013\"     \"-300009\"\n"
        "\tOption     \"CoEfficient014\"     \"-200006\"\n"
        "\tOption     \"CoEfficient015\"     \"-100003\"\n"
        "\tOption     \"CoEfficient016\"     \"0\"\n"
        "\tOption     \"CoEfficient017\"     \"100003\"\n"
        "\tOption     \"CoEfficient018\"     \"200006\"\n"
        "\tOption     \"CoEfficient019\"     \"300009\"\n"
        "\tOption     \"CoEfficient020\"     \"400012\"\n"
        "\tOption     \"CoEfficient021\"     \"500015\"\n"
        "\tOption     \"CoEfficient022\"     \"600018\"\n"
        "\tOption     \"CoEfficient023\"     \"700021\"\n"
        "\tOption     \"CoEfficient024\"     \"800024\"\n"
        "\tOption     \"CoEfficient025\"     \"900027\"\n"
        "\tOption     \"CoEfficient026\"     \"1000030\"\n"
        "\tOption     \"CoEfficient027\"     \"1100033\"\n"
        "\tOption     \"CoEfficient028\"     \"1200036\"\n"
        "\tOption     \"CoEfficient029\"     \"1300039\"\n"
        "\tOption     \"CoEfficient030\"     \"1400042\"\n"
        "\tOption     \"CoEfficient031\"     \"1500045\"\n"
        "\tOption     \"Cal9Base0\"     \"520\"\n"
        "\tOption     \"Cal9Base1\"     \"-316\"\n"
        "\tOption     \"SendCoreEvents\"\n"
        "\tOption     \"Products\"  \"2\"\n"
        "\tOption     \"TouchMode\"  \"1\"\n"
        "\tOption     \"TapTime\"  \"30\"\n"
        "\tOption     \"Stabilize\"  \"4\"\n"
        "\tOption     \"Averaging\"  \"6\"\n"
        "\tOption     \"LiftOffTime\"  \"7\"\n"
        "\tOption     \"Sound\"  \"0\"\n"
        "\tOption     \"RclickHold\"  \"1\"\n"
        "\tOption     \"RclickHoldDuration\"  \"1500\"\n"
        "\tOption     \"RclickSpatialTolerance\"  \"10\"\n"
        "\tOption     \"Communication\"  \"0\"\n"
        "\tOption     \"ScreenWidth\"  \"1280\"\n"
        "\tOption     \"ScreenHeight\"  \"1024\"\n"
        "EndSection\n"
        "\n";
    ;
    ASSERT_EQ(Apply(), 0);
    // Reserved settings, DebugOption, a Sound value other than 1 and the
    // communication mode leave no trace of their own.
    EXPECT_EQ(Text(), std::string(kKeyboard) + golden);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(Writer, NewSectionsFollowTheLastInputDeviceSectionWhateverItsDriver) {
    const std::string layout = Layout(
        "\tInputDevice \"Keyboard0\" \"CoreKeyboard\"\n"
        "\tInputDevice \"TAVIR TouchPanel0\" \"SendCoreEvents\"\n");
    const std::string expected = std::string(kFiles) + kKeyboard + kMouse +
                                 "<tavir \"TAVIR TouchPanel0\">\n" +
                                 Layout(
                                     "\tInputDevice \"Keyboard0\" \"CoreKeyboard\"\n"
                                     "\tInputDevice\t\"TAVIR TouchPanel0\"\n");
    const std::string orders[] = {
        kFiles + std::string(kKeyboard) + kMouse + DriverSection("TAVIR TouchPanel0") + layout,
        kFiles + DriverSection("TAVIR TouchPanel0") + kKeyboard + kMouse + layout,
        kFiles + std::string(kKeyboard) + DriverSection("TAVIR TouchPanel0") + kMouse + layout,
    };
    for (const std::string& text : orders) {
        Load(text);
        ASSERT_EQ(Record(0)->status, kStatusEnable);
        ASSERT_EQ(Apply(), 0);
        EXPECT_EQ(Skeleton(Text()), expected);
    }
}

TEST_F(Writer, BlankLinesAfterInputDeviceSectionsCollapseAndDoNotGrow) {
    const std::string text = std::string(kFiles) + "\n\n" +
                             "Section \"InputDevice\"\n\tIdentifier \"Keyboard0\"\n\n"
                             "\tDriver \"kbd\"\nEndSection\n\n\n  \n\t\n" +
                             "# between\n\n\n" + kMouse + "\n\n" + DriverSection("P") + "\n\n" +
                             Layout("\tInputDevice \"P\"\n") + "\n\n";
    Load(text);
    ASSERT_EQ(Apply(), 0);
    const std::string once = Text();
    // Blank lines elsewhere, and inside a kept section, stay as they were.
    EXPECT_EQ(Skeleton(once), std::string(kFiles) + "\n\n" +
                                  "Section \"InputDevice\"\n\tIdentifier \"Keyboard0\"\n\n"
                                  "\tDriver \"kbd\"\nEndSection\n\n" +
                                  "# between\n\n\n" + kMouse + "<tavir \"P\">\n" +
                                  Layout("\tInputDevice\t\"P\"\n") + "\n\n");
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(ReadPath(configPath), 0);
        AfterRead();
        ASSERT_EQ(Apply(), 0);
        EXPECT_EQ(Text(), once);
    }
}

TEST_F(Writer, StatusDecidesSectionAndLayoutLine) {
    Load(kKeyboard + DriverSection("A", "\tOption \"ScreenNo\" \"0\"\n") +
         DriverSection("B", "\tOption \"ScreenNo\" \"1\"\n") +
         DriverSection("C", "\tOption \"ScreenNo\" \"2\"\n") +
         Layout("\tInputDevice \"Keyboard0\"\n\tInputDevice \"A\"\n\tInputDevice \"B\"\n"
                "\tInputDevice \"C\"\n"));
    ASSERT_EQ(RecordCount(), 3u);
    Record(0)->status = kStatusEnable;
    Record(1)->status = kStatusDisable;
    Record(2)->status = kStatusUndeclared;
    Add(3, kStatusEnable);
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(Skeleton(Text()),
              std::string(kKeyboard) +
                  "<tavir \"A\">\n<tavir \"B\">\n<tavir \"TAVIR TouchPanel3\">\n" +
                  Layout("\tInputDevice \"Keyboard0\"\n\tInputDevice\t\"A\"\n"
                         "\tInputDevice\t\"TAVIR TouchPanel3\"\n"));
}

TEST_F(Writer, LayoutLinesOfOtherDevicesStayAndRecordsAreMatchedIgnoringCase) {
    const std::string keyboardLine =
        "  InputDevice   \"Keyboard0\",  \"CoreKeyboard\"  # keep me\n";
    Load(kKeyboard + DriverSection("TAVIR TouchPanel0") +
         "Section \"ServerLayout\"\n\tIdentifier \"One\"\n" + keyboardLine +
         "\tinputDEVICE \"tavir touchpanel0\" \"CorePointer\"\n"
         "\tInputDevice NoQuotes\n"
         "\tScreen \"S\"\n"
         "endsection\n" +
         "Section \"ServerLayout\"\n\tIdentifier \"Two\"\nEndSection\n");
    // Listed in other letter case only: Disable; Enable it as the driver
    // status page would.
    ASSERT_EQ(Record(0)->status, kStatusDisable);
    Record(0)->status = kStatusEnable;
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(Skeleton(Text()), std::string(kKeyboard) + "<tavir \"TAVIR TouchPanel0\">\n" +
                                    "Section \"ServerLayout\"\n\tIdentifier \"One\"\n" +
                                    keyboardLine + "\tScreen \"S\"\n" +
                                    "\tInputDevice\t\"TAVIR TouchPanel0\"\nendsection\n" +
                                    "Section \"ServerLayout\"\n\tIdentifier \"Two\"\n"
                                    "\tInputDevice\t\"TAVIR TouchPanel0\"\nEndSection\n");
}

TEST_F(Writer, UsbPortHasNoBaudRateAndReadsBackWithTheDefaultSpeed) {
    Load(kKeyboard);
    DeviceRecord* r = Add(0, kStatusDisable);
    r->portIndex = 4;
    r->speedIndex = 0;
    ASSERT_EQ(Apply(), 0);
    const std::string text = Text();
    EXPECT_TRUE(HasLine(text, "\tOption     \"Device\"       \"/dev/input/event*\"\n"));
    EXPECT_EQ(text.find("BaudRate"), std::string::npos);
    ASSERT_EQ(ReadPath(configPath), 0);
    EXPECT_EQ(Record(0)->portIndex, 4);
    EXPECT_EQ(Record(0)->speedIndex, 3);
}

TEST_F(Writer, BorderRatioIsWrittenInRoundedWholePercent) {
    const std::pair<float, const char*> cases[] = {
        {0.05f, "5"}, {0.03f, "3"}, {0.0f, "0"}, {0.126f, "13"}, {0.124f, "12"}};
    for (const auto& [ratio, percent] : cases) {
        Load(kKeyboard);
        Add(0, kStatusDisable)->borderRatio = ratio;
        ASSERT_EQ(Apply(), 0);
        EXPECT_TRUE(
            HasLine(Text(), std::string("\tOption     \"BorderRatio\"     \"") + percent + "\"\n"))
            << ratio;
    }
}

TEST_F(Writer, PointCountChoosesTheCoefficientFamilies) {
    struct Case {
        int points;
        size_t coefficients, cal9, cal25;
    };
    const Case cases[] = {{4, 8, 0, 0}, {9, 32, 2, 0}, {25, 128, 2, 4}, {7, 0, 0, 0}};
    for (const Case& c : cases) {
        Load(kKeyboard);
        Add(0, kStatusDisable);
        calibPointsNum = static_cast<uint8_t>(c.points);
        ASSERT_EQ(Apply(), 0);
        const std::string text = Text();
        EXPECT_TRUE(HasLine(
            text, "\tOption     \"CalibPointsNum\"     \"" + std::to_string(c.points) + "\"\n"));
        EXPECT_EQ(CountLinesStartingWith(text, "\tOption     \"CoEfficient4p"), 8u);
        EXPECT_EQ(CountLinesStartingWith(text, "\tOption     \"CoEfficientRevise"), 10u);
        EXPECT_EQ(CountLinesStartingWith(text, "\tOption     \"CoEfficient") - 18, c.coefficients)
            << c.points;
        EXPECT_EQ(CountLinesStartingWith(text, "\tOption     \"Cal9Base"), c.cal9) << c.points;
        EXPECT_EQ(CountLinesStartingWith(text, "\tOption     \"Cal25Base"), c.cal25) << c.points;
        if (c.points == 25) {
            EXPECT_TRUE(HasLine(text, "\tOption     \"CoEfficient127\"     \"0\"\n"));
        }
    }
}

TEST_F(Writer, FileWithoutInputDeviceSectionsGetsNeitherSectionNorLayoutLine) {
    // A layout line naming a device that has no section stops the X server,
    // so an enabled record is not listed where it cannot be written.
    const std::string text =
        std::string(kFiles) + Layout("\tScreen \"S\"\n\tInputDevice \"TAVIR TouchPanel0\"\n");
    Load(text);
    Record(0)->status = kStatusEnable;
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(Text(), std::string(kFiles) + Layout("\tScreen \"S\"\n"));
}

TEST_F(Writer, RoundTripGivesBackEveryWrittenField) {
    for (int points : {4, 9, 25}) {
        Load(std::string(kKeyboard) + DriverSection("Old", "\tOption \"DebugOption\" \"3\"\n") +
             Layout("\tInputDevice \"Keyboard0\"\n"));
        calibPointsNum = static_cast<uint8_t>(points);
        Record(0)->status = kStatusEnable;
        Add(2, kStatusDisable);
        DeviceRecord* usb = Add(5, kStatusEnable);
        usb->portIndex = 4;
        int seed = points;
        for (GList* node = deviceList; node != nullptr; node = node->next) {
            auto* r = static_cast<DeviceRecord*>(node->data);
            for (int n = 0; n < 128; ++n) {
                r->coefficient[n] = (seed * 7919 + n * 104729) * (n % 2 ? -1 : 1);
            }
            for (int n = 0; n < 8; ++n)
                r->coefficient4p[n] = -seed * 1000 - n;
            for (int n = 0; n < 10; ++n)
                r->coefficientRevise[n] = seed * 31 - n * 17;
            for (int n = 0; n < 2; ++n)
                r->cal9Base[n] = 500 + seed + n;
            for (int n = 0; n < 4; ++n)
                r->cal25Base[n] = -200 - seed - n;
            for (int n = 0; n < 14; ++n)
                r->settings[n] = seed + n;
            r->settings[kSound] = 1;
            r->settings[kRclickHold] = seed % 2;
            r->sampling = static_cast<uint8_t>(200 + seed);
            r->borderRatio = 0.01f * static_cast<float>(seed % 10);
            r->speedIndex = seed % 5;
            if (r != usb)
                r->portIndex = seed % 4;
            ++seed;
        }
        // What went out.
        std::vector<DeviceRecord> written;
        for (GList* node = deviceList; node != nullptr; node = node->next) {
            written.push_back(*static_cast<DeviceRecord*>(node->data));
        }
        std::vector<std::string> names;
        for (const DeviceRecord& r : written)
            names.emplace_back(r.identifier);
        ASSERT_EQ(Apply(), 0);

        ASSERT_EQ(ReadPath(configPath), 0);
        ASSERT_EQ(RecordCount(), written.size());
        EXPECT_EQ(calibPointsNum, points);
        const int used = CoefficientCountFor(points);
        for (size_t i = 0; i < written.size(); ++i) {
            const DeviceRecord& w = written[i];
            const DeviceRecord* r = Record(i);
            SCOPED_TRACE(names[i] + " with " + std::to_string(points) + " points");
            EXPECT_EQ(r->identifier, names[i]);
            EXPECT_EQ(r->status, w.status);
            EXPECT_EQ(r->portIndex, w.portIndex);
            EXPECT_EQ(r->speedIndex, w.portIndex == 4 ? 3 : w.speedIndex);
            EXPECT_EQ(r->screenNo, w.screenNo);
            EXPECT_EQ(r->sampling, w.sampling);
            EXPECT_EQ(static_cast<int>(r->borderRatio * 100 + 0.5f),
                      static_cast<int>(w.borderRatio * 100 + 0.5f));
            EXPECT_TRUE(std::equal(w.coefficient, w.coefficient + used, r->coefficient));
            EXPECT_TRUE(std::equal(w.coefficient4p, w.coefficient4p + 8, r->coefficient4p));
            EXPECT_TRUE(
                std::equal(w.coefficientRevise, w.coefficientRevise + 10, r->coefficientRevise));
            if (points != 4) {
                EXPECT_TRUE(std::equal(w.cal9Base, w.cal9Base + 2, r->cal9Base));
            }
            if (points == 25) {
                EXPECT_TRUE(std::equal(w.cal25Base, w.cal25Base + 4, r->cal25Base));
            }
            for (int n : {kProducts, kTouchMode, kTapTime, kStabilize, kAveraging, kLiftOffTime,
                          kSound, kRclickHold, kRclickHoldDuration, kRclickSpatialTolerance}) {
                EXPECT_EQ(r->settings[n], w.settings[n]) << "setting " << n;
            }
            EXPECT_EQ(r->settings[kCommunication], 0);
            EXPECT_EQ(r->debugOption, 0);
        }
    }
}

// 300 InputDevice sections with driver sections at ordinals 1, 256 and 300:
// every other section kept exactly once, in place.
TEST_F(Writer, MoreThan255InputDeviceSections) {
    std::string text = kFiles;
    std::string expected = kFiles;
    for (int n = 1; n <= 300; ++n) {
        if (n == 1 || n == 256 || n == 300) {
            text += DriverSection("Panel " + std::to_string(n),
                                  "\tOption \"ScreenNo\" \"" + std::to_string(n) + "\"\n");
        } else {
            std::string section = "Section \"InputDevice\"\n\tIdentifier \"Dev" +
                                  std::to_string(n) + "\"\n\tDriver \"void\"\nEndSection\n\n";
            text += section;
            expected += section;
        }
    }
    text += Layout("\tInputDevice \"Panel 256\"\n");
    expected += "<tavir \"Panel 1\">\n<tavir \"Panel 256\">\n<tavir \"Panel 300\">\n" +
                Layout("\tInputDevice\t\"Panel 256\"\n");
    Load(text);
    SectionMap map;
    ASSERT_EQ(SearchSection(configPath, &map), 0);
    EXPECT_EQ(map.inputDeviceCount, 300u);
    EXPECT_EQ(map.driverLineCount, 3u);
    EXPECT_EQ(map.driverSections, (std::vector<size_t>{1, 256, 300}));
    ASSERT_EQ(SetConfig(configPath, map, Values()), 0);
    EXPECT_EQ(Skeleton(Text()), expected);
}

TEST_F(Writer, SectionWithTwoDriverLinesIsDroppedOnceAndLaterSectionsStillMatch) {
    const std::string twice =
        "Section \"InputDevice\"\n\tIdentifier \"A\"\n\tDriver \"tavir\"\n"
        "\tDriver \"TAVIR\"\nEndSection\n\n";
    Load(twice + kKeyboard + DriverSection("C") + kMouse + DriverSection("E"));
    SectionMap map;
    ASSERT_EQ(SearchSection(configPath, &map), 0);
    EXPECT_EQ(map.inputDeviceCount, 5u);
    EXPECT_EQ(map.driverLineCount, 4u);
    EXPECT_EQ(map.driverSections, (std::vector<size_t>{1, 1, 3, 5}));
    ASSERT_EQ(SetConfig(configPath, map, Values()), 0);
    EXPECT_EQ(Skeleton(Text()),
              std::string(kKeyboard) + kMouse + "<tavir \"A\">\n<tavir \"C\">\n<tavir \"E\">\n");
}

TEST_F(Writer, LongLinesAreCopiedWhole) {
    // A 255-character line: cut into pieces, its line end would look like a
    // blank line and be lost.
    const std::string long255(255, 'x');
    const std::string long300 = "\tOption \"Comment\" \"" + std::string(280, 'y') + "\"";
    const std::string text = "# " + long255 + "\n" + long255 + "\n" +
                             "Section \"InputDevice\"\n\tIdentifier \"K\"\n" + long300 +
                             "\n\tDriver \"kbd\"\nEndSection\n\n" + long255 + "\n" +
                             DriverSection("P") + "# " + long300 + "\n";
    Load(text);
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(Skeleton(Text()), "# " + long255 + "\n" + long255 + "\n" +
                                    "Section \"InputDevice\"\n\tIdentifier \"K\"\n" + long300 +
                                    "\n\tDriver \"kbd\"\nEndSection\n\n" + long255 + "\n" +
                                    "<tavir \"P\">\n# " + long300 + "\n");
}

TEST_F(Writer, UnclosedSectionsLeaveTheFileUntouched) {
    const std::string cases[] = {
        // The end of the file inside a driver section, and inside another.
        kKeyboard + DriverSection("P").substr(0, 50),
        std::string(kKeyboard) + "Section \"InputDevice\"\n\tIdentifier \"M\"\n",
        // The end of the file inside the layout.
        kKeyboard + DriverSection("P") + "Section \"ServerLayout\"\n\tInputDevice \"P\"\n",
        // A layout without EndSection would swallow the following sections.
        "Section \"ServerLayout\"\n\tInputDevice \"P\"\n" + DriverSection("P") + kKeyboard,
        // A section inside an InputDevice section.
        "Section \"InputDevice\"\n\tIdentifier \"K\"\n" + std::string(kMouse) + kKeyboard,
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text);
        Load(text);
        Add(4, kStatusEnable);
        ExpectRefused(text);
    }
    // What the search says about an InputDevice section that never ends.
    Load(cases[1]);
    SectionMap map;
    EXPECT_EQ(SearchSection(configPath, &map), -1);
    EXPECT_EQ(warnings, (std::vector<std::string>{"Not Found \"InputDevice\" \"EndSection\"\n"}));
}

TEST_F(Writer, FileChangedSinceTheSearchIsNotRewritten) {
    Load(kKeyboard + DriverSection("P"));
    SectionMap map;
    ASSERT_EQ(SearchSection(configPath, &map), 0);
    const std::string changed = kKeyboard + DriverSection("P") + kMouse;
    std::ofstream(configPath, std::ios::binary) << changed;
    EXPECT_EQ(SetConfig(configPath, map, Values()), -1);
    EXPECT_EQ(Text(), changed);
    EXPECT_TRUE(Leftovers(dir).empty());
}

TEST_F(Writer, LinkValuesTheTablesDoNotHoldAreWrittenBackAsTheyWere) {
    Load(kKeyboard +
         DriverSection("P",
                       "\tOption \"Device\" \"/dev/ttyS8\"\n"
                       "\tOption \"BaudRate\" \"38400\"\n") +
         Layout("\tInputDevice \"P\"\n"));
    ASSERT_EQ(Apply(), 0);
    EXPECT_TRUE(HasLine(Text(), "\tOption     \"Device\"       \"/dev/ttyS8\"\n")) << Text();
    EXPECT_TRUE(HasLine(Text(), "\tOption     \"BaudRate\"     \"38400\"\n"));
    // And again: the rewritten file reads back to the same values.
    const std::string once = Text();
    Load(once);
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(Text(), once);

    // Once the user picked a port and a speed, the table's texts are written.
    DeviceRecord* record = Record(0);
    free(record->keptDevice);
    record->keptDevice = nullptr;
    free(record->keptBaudRate);
    record->keptBaudRate = nullptr;
    record->portIndex = 3;
    record->speedIndex = 0;
    ASSERT_EQ(Apply(), 0);
    EXPECT_TRUE(HasLine(Text(), "\tOption     \"Device\"       \"/dev/ttyS3\"\n"));
    EXPECT_TRUE(HasLine(Text(), "\tOption     \"BaudRate\"     \"1200\"\n"));
}

TEST_F(Writer, KeptLinkValuesWithAQuoteInsideReadBackTheSame) {
    // Bare words holding a double quote cannot be quoted: they are written
    // back bare, and a second write changes nothing.
    Load(kKeyboard +
         DriverSection("P",
                       "\tOption \"Device\" d\"v/e/input/event*\"\n"
                       "\tOption \"BaudRate\" 38400\"x\n") +
         Layout("\tInputDevice \"P\"\n"));
    ASSERT_EQ(Apply(), 0);
    EXPECT_TRUE(HasLine(Text(), "\tOption     \"Device\"       d\"v/e/input/event*\"\n")) << Text();
    EXPECT_TRUE(HasLine(Text(), "\tOption     \"BaudRate\"     38400\"x\n")) << Text();
    const std::string once = Text();
    Load(once);
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(Text(), once);
}

TEST_F(Writer, OneLayoutLinePerIdentifier) {
    // A serial and a USB section under one identifier, as the installer
    // writes a panel with both links; and a second record whose identifier
    // differs only in letter case.
    Load(DriverSection("TAVIR TouchPanel0", "\tOption \"Device\" \"/dev/ttyS1\"\n") +
         DriverSection("TAVIR TouchPanel0", "\tOption \"Device\" \"/dev/input/event*\"\n") +
         DriverSection("tavir touchpanel0") +
         Layout("\tInputDevice \"TAVIR TouchPanel0\"\n\tInputDevice \"tavir touchpanel0\"\n"));
    ASSERT_EQ(RecordCount(), 3u);
    ASSERT_EQ(Apply(), 0);
    EXPECT_EQ(CountLinesStartingWith(Text(), "\tInputDevice\t"), 1u) << Text();
    EXPECT_TRUE(HasLine(Text(), "\tInputDevice\t\"TAVIR TouchPanel0\"\n"));
    EXPECT_EQ(CountLinesStartingWith(Text(), "Section \"InputDevice\""), 3u);
}

TEST_F(Writer, FailuresGiveTheUserTheReason) {
    Load(kKeyboard + DriverSection("P"));
    std::string reason;
    EXPECT_EQ(RewriteConfigFile(configPath, Values(), &reason), 0);
    EXPECT_TRUE(WriteFailureReason().empty());

    // The search, the rewrite and the refusal of what is not a plain file.
    const std::string kept = configPath;
    snprintf(configPath, sizeof configPath, "%s", ScratchPath("nowhere/XF86Config").c_str());
    EXPECT_EQ(RewriteConfigFile(configPath, Values(), &reason), -1);
    EXPECT_EQ(reason, "No such file or directory");
    const std::string pipe = ScratchPath("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    snprintf(configPath, sizeof configPath, "%s", pipe.c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(RewriteConfigFile(configPath, Values(), &reason), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), pipe + ": Not a regular file\n");
    EXPECT_EQ(reason, "Not a regular file");

    snprintf(configPath, sizeof configPath, "%s", kept.c_str());
    std::ofstream(configPath, std::ios::binary) << kKeyboard << "Section \"InputDevice\"\n";
    const std::string unclosed = Text();
    testing::internal::CaptureStderr();
    EXPECT_EQ(RewriteConfigFile(configPath, Values(), &reason), -1);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(reason, "A section has no EndSection before the next Section");
    EXPECT_EQ(Text(), unclosed);
}

TEST_F(Writer, MissingFileIsReportedWithItsPath) {
    Load(kKeyboard);
    const std::string missing = ScratchPath("nowhere/XF86Config");
    snprintf(configPath, sizeof configPath, "%s", missing.c_str());
    SectionMap map;
    testing::internal::CaptureStderr();
    EXPECT_EQ(SearchSection(configPath, &map), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), missing + ": No such file or directory\n");
    EXPECT_EQ(SetConfig(configPath, map, Values()), -1);
    EXPECT_EQ(warnings, (std::vector<std::string>{missing + ": No such file or directory\n"}));
}

TEST_F(Writer, OwnerGroupModeAndSymbolicLinkAreKept) {
    Load(kKeyboard + DriverSection("P"));
    const std::string real = ScratchPath("real");
    ASSERT_EQ(mkdir(real.c_str(), 0755), 0);
    const std::string target = real + "/xorg.conf";
    ASSERT_EQ(rename(configPath, target.c_str()), 0);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(target.c_str(), 4321, 8765), 0);
    }
    const std::string link = ScratchPath("XF86Config");
    ASSERT_EQ(symlink("real/xorg.conf", link.c_str()), 0);
    struct stat before;
    ASSERT_EQ(stat(target.c_str(), &before), 0);

    ASSERT_EQ(Apply(), 0);
    struct stat linkInfo, after;
    ASSERT_EQ(lstat(link.c_str(), &linkInfo), 0);
    EXPECT_TRUE(S_ISLNK(linkInfo.st_mode));
    char linkText[64] = {};
    ASSERT_GT(readlink(link.c_str(), linkText, sizeof linkText - 1), 0);
    EXPECT_STREQ(linkText, "real/xorg.conf");
    ASSERT_EQ(stat(target.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);  // replaced, not rewritten in place
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(Skeleton(ReadFileBytes(target)), std::string(kKeyboard) + "<tavir \"P\">\n");
    EXPECT_TRUE(Leftovers(dir).empty());
    EXPECT_TRUE(Leftovers(real).empty());
}

// ---- Real configuration files from public projects ----

std::vector<std::string> SampleFiles() {
    std::vector<std::string> files;
    DIR* d = opendir(PANEL_SAMPLES_DIR);
    if (d == nullptr) {
        return files;
    }
    while (dirent* entry = readdir(d)) {
        std::string name = entry->d_name;
        if (name.size() > 5 && name.compare(name.size() - 5, 5, ".conf") == 0) {
            files.push_back(std::string(PANEL_SAMPLES_DIR) + "/" + name);
        }
    }
    closedir(d);
    std::sort(files.begin(), files.end());
    return files;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string FirstWord(const std::string& line) {
    size_t start = line.find_first_not_of(" \t,");
    if (start == std::string::npos)
        return "";
    size_t end = line.find_first_of(" \t,\r\n", start);
    return Lower(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t,") == line.find('\n'); }

// The input as it must come out apart from what the writer adds: blank lines
// directly after an InputDevice section go.
std::string WithoutBlankLinesAfterInputDevices(const std::string& text) {
    std::string out;
    bool dropping = false;
    bool inInputDevice = false;
    for (const std::string& line : Lines(text)) {
        if (dropping && IsBlank(line))
            continue;
        dropping = false;
        const std::string word = FirstWord(line);
        if (word == "section" && Lower(line).find("\"inputdevice\"") != std::string::npos) {
            inInputDevice = true;
        } else if (inInputDevice && word.rfind("endsection", 0) == 0) {
            inInputDevice = false;
            dropping = true;
        }
        out += line;
    }
    return out;
}

// The output without what the writer adds: generated sections, the layout
// lines of the records, and the one blank line after each kept section.
std::string WithoutAdditions(const std::string& text) {
    std::string out;
    bool inInputDevice = false;
    bool afterSection = false;
    for (const std::string& line : Lines(Skeleton(text))) {
        if (line.rfind("<tavir ", 0) == 0 ||
            line.rfind("\tInputDevice\t\"TAVIR TouchPanel", 0) == 0)
            continue;
        if (afterSection) {
            afterSection = false;
            EXPECT_EQ(line, "\n");
            continue;
        }
        const std::string word = FirstWord(line);
        if (word == "section" && Lower(line).find("\"inputdevice\"") != std::string::npos) {
            inInputDevice = true;
        } else if (inInputDevice && word.rfind("endsection", 0) == 0) {
            inInputDevice = false;
            afterSection = true;
        }
        out += line;
    }
    return out;
}

TEST_F(Writer, PublicSamplesKeepEverythingOutsideTheDriverSections) {
    const std::vector<std::string> samples = SampleFiles();
    ASSERT_GE(samples.size(), 20u);
    for (const std::string& sample : samples) {
        SCOPED_TRACE(sample);
        const std::string original = ReadFileBytes(sample);
        ASSERT_EQ(Read(original), 0);
        AfterRead();
        Record(0)->status = kStatusEnable;
        Add(1, kStatusDisable)->portIndex = 4;
        Add(2, kStatusUndeclared);
        const bool hasInputDevice = Lower(original).find("\"inputdevice\"") != std::string::npos;

        ASSERT_EQ(Apply(), 0);
        const std::string once = Text();
        EXPECT_EQ(WithoutAdditions(once), WithoutBlankLinesAfterInputDevices(original));
        EXPECT_EQ(Skeleton(once).find("<tavir \"TAVIR TouchPanel2\">"), std::string::npos);
        EXPECT_EQ(Skeleton(once).find("<tavir \"TAVIR TouchPanel0\">") != std::string::npos,
                  hasInputDevice);
        EXPECT_TRUE(warnings.empty());

        // Read back and written again: the same records, the same text.
        ASSERT_EQ(ReadPath(configPath), 0);
        AfterRead();
        if (hasInputDevice) {
            ASSERT_EQ(RecordCount(), 2u);
            EXPECT_STREQ(Record(1)->identifier, "\"TAVIR TouchPanel1\"");
            EXPECT_EQ(Record(1)->portIndex, 4);
            EXPECT_EQ(Record(1)->status, kStatusDisable);
            // Listed only where the file has a layout to list it in.
            const bool hasLayout = Lower(original).find("\"serverlayout\"") != std::string::npos;
            EXPECT_EQ(Record(0)->status, hasLayout ? kStatusEnable : kStatusDisable);
        }
        ASSERT_EQ(Apply(), 0);
        EXPECT_EQ(Text(), once);
        EXPECT_TRUE(Leftovers(dir).empty());
    }
}

}  // namespace
