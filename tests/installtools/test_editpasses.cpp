// The three passes of the installer tools, on texts written here.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "driversection.h"
#include "editpasses.h"

namespace {

std::string Section(int mode, int screen, int serial) {
    std::ostringstream out;
    DriverWrite4(out, mode, screen, serial);
    return out.str();
}

using Identifiers = std::vector<std::string>;

std::string Drop(const std::string& text, Identifiers* removed = nullptr) {
    Identifiers ignored;
    return DropDriverSections(text, removed ? removed : &ignored);
}

const char kKeyboard[] =
    "Section \"InputDevice\"\n"
    "    Identifier  \"Keyboard0\"\n"
    "    Driver      \"kbd\"\n"
    "EndSection\n";

const char kDriver0[] =
    "Section \"InputDevice\"\n"
    "   Identifier       \"TAVIR TouchPanel0\"\n"
    "   # calibrated by hand\n"
    "   Driver           \"tavir\"\n"
    "   Option           \"Device\"            \"/dev/ttyS0\"\n"
    "EndSection\n";

const char kDriver1[] =
    "section \"inputdevice\"\n"
    "\tidentifier \"TAVIR TouchPanel1\"\n"
    "\tDRIVER \"tavir\"\n"
    "ENDSECTION\n";

TEST(DropDriverSections, DropsSectionCommentsAndBlankSeparator) {
    Identifiers removed;
    std::string in = std::string("# head\n") + kKeyboard + "\n" + kDriver0 + "\n" + "Section \"Monitor\"\nEndSection\n";
    EXPECT_EQ(Drop(in, &removed), std::string("# head\n") + kKeyboard + "\n" + "Section \"Monitor\"\nEndSection\n");
    EXPECT_EQ(removed, Identifiers{"\"TAVIR TouchPanel0\""});
}

TEST(DropDriverSections, LineAfterSectionIsKeptUnlessBlank) {
    // No blank line between sections: the next header is content, and when
    // it opens another driver section that one is recognised too.
    std::string in = std::string(kDriver0) + "Section \"Monitor\"\nEndSection\n";
    EXPECT_EQ(Drop(in), "Section \"Monitor\"\nEndSection\n");
    Identifiers removed;
    in = std::string(kDriver0) + kDriver1 + " \t\r\n" + kKeyboard;
    EXPECT_EQ(Drop(in, &removed), kKeyboard);
    EXPECT_EQ(removed, (Identifiers{"\"TAVIR TouchPanel0\"", "\"TAVIR TouchPanel1\""}));
    // A comment right after is kept; only one blank line goes.
    in = std::string(kDriver0) + "# note\n" + "\n\n" + kKeyboard;
    EXPECT_EQ(Drop(in), std::string("# note\n\n\n") + kKeyboard);
    in = std::string(kDriver0) + "\n\n" + kKeyboard;
    EXPECT_EQ(Drop(in), std::string("\n") + kKeyboard);
}

TEST(DropDriverSections, OnlyQuotedLowerCaseTavirInDriverLine) {
    std::string capitals = "Section \"InputDevice\"\n Identifier \"P\"\n Driver \"TAVIR\"\nEndSection\n";
    std::string inOption = "Section \"InputDevice\"\n Identifier \"Q\"\n Driver \"evdev\"\n Option \"Name\" \"tavir\"\nEndSection\n";
    std::string commented = "Section \"InputDevice\"\n Identifier \"R\"\n# Driver \"tavir\"\n Driver \"void\"\nEndSection\n";
    std::string otherSection = "Section \"Device\"\n Identifier \"S\"\n Driver \"tavir\"\nEndSection\n";
    std::string in = capitals + inOption + commented + otherSection;
    Identifiers removed = {"stale"};
    EXPECT_EQ(Drop(in, &removed), in);
    EXPECT_EQ(removed, Identifiers{});
}

TEST(DropDriverSections, RemovedIdentifiersAreThoseOfEveryDroppedSection) {
    Identifiers removed;
    Drop(std::string(kDriver0) + "\n" + kKeyboard + kDriver1, &removed);
    EXPECT_EQ(removed, (Identifiers{"\"TAVIR TouchPanel0\"", "\"TAVIR TouchPanel1\""}));
    // A driver section without an Identifier line names nothing, not the
    // device before it.
    Drop(std::string(kKeyboard) + "Section \"InputDevice\"\n Driver \"tavir\"\nEndSection\n", &removed);
    EXPECT_EQ(removed, Identifiers{});
    // Keyword in any case; the line end (CRLF too) is not part of the name.
    Drop("Section \"InputDevice\"\r\n  IDENTIFIER \t\"TAVIR TouchPanel3\"\r\n  Driver \"tavir\"\r\nEndSection\r\n", &removed);
    EXPECT_EQ(removed, Identifiers{"\"TAVIR TouchPanel3\""});
}

TEST(DropDriverSections, UnterminatedSectionAtEnd) {
    std::string open = "Section \"InputDevice\"\n Identifier \"Mouse0\"\n Driver \"mouse\"";
    EXPECT_EQ(Drop(std::string(kKeyboard) + open), std::string(kKeyboard) + open);
    Identifiers removed;
    EXPECT_EQ(Drop(std::string(kKeyboard) + "Section \"InputDevice\"\n Identifier \"T\"\n Driver \"tavir\"\n", &removed),
              kKeyboard);
    EXPECT_EQ(removed, Identifiers{"\"T\""});
}

TEST(DropDriverSections, NoLengthLimits) {
    std::string longLine = " Option \"Name\" \"" + std::string(5000, 'x') + "\"\n";
    std::string bigSection = "Section \"InputDevice\"\n Identifier \"Big\"\n";
    for (int i = 0; i < 100; ++i) {
        bigSection += longLine;
    }
    bigSection += " Driver \"mouse\"\nEndSection\n";
    std::string in = bigSection + "\n" + "Section \"Files\"\n FontPath \"" + std::string(3000, 'f') + "\"\nEndSection";
    EXPECT_EQ(Drop(in), in);
    Identifiers removed;
    std::string longName = "\"" + std::string(2000, 'n') + "\"";
    Drop("Section \"InputDevice\"\n Identifier " + longName + "\n Driver \"tavir\"\nEndSection\n", &removed);
    EXPECT_EQ(removed, Identifiers{longName});
}

TEST(DropLayoutLine, DropsOnlyInputDeviceLinesNamingARemovedIdentifier) {
    std::string in =
        "Section \"ServerLayout\"\n"
        "    Identifier     \"Layout0\"\n"
        "    Screen         \"TAVIR TouchPanel0\"\n"
        "    InputDevice    \"TAVIR TouchPanel0\" \"SendCoreEvents\"\n"
        "\tinputdevice \"TAVIR TouchPanel0\"\n"
        "#   InputDevice    \"TAVIR TouchPanel0\"\n"
        "    InputDevice    \"TAVIR TouchPanel1\"\n"
        "    InputDevice    \"tavir touchpanel0\"\n"
        "EndSection\n";
    std::string out =
        "Section \"ServerLayout\"\n"
        "    Identifier     \"Layout0\"\n"
        "    Screen         \"TAVIR TouchPanel0\"\n"
        "    InputDevice    \"TAVIR TouchPanel1\"\n"
        "    InputDevice    \"tavir touchpanel0\"\n"
        "EndSection\n";
    EXPECT_EQ(DropLayoutLine(in, {"\"TAVIR TouchPanel0\""}), out);
    EXPECT_EQ(DropLayoutLine(in, {}), in);
    // Two panels dropped: neither may stay in the layout, or the X server
    // refuses a layout naming an undefined device.
    const std::string both =
        "Section \"ServerLayout\"\n"
        "    Identifier     \"Layout0\"\n"
        "    Screen         \"TAVIR TouchPanel0\"\n"
        "    InputDevice    \"tavir touchpanel0\"\n"
        "EndSection\n";
    EXPECT_EQ(DropLayoutLine(in, {"\"TAVIR TouchPanel0\"", "\"TAVIR TouchPanel1\""}), both);
}

TEST(AddDriverSection, AfterFirstNonLayoutSectionAndInEveryLayout) {
    std::string in =
        "# xorg.conf\n"
        "Section \"ServerLayout\"\n"
        "    Identifier \"A\"\n"
        "    # EndSection\n"
        "    InputDevice \"Keyboard0\" \"CoreKeyboard\"\n"
        "  endsection\n"
        "\n"
        "Section \"Files\"\n"
        "    SubSection \"x\"\n"
        "    EndSubSection\n"
        "EndSection\n"
        "\n"
        "Section \"Monitor\"\n"
        "EndSection\n"
        "Section \"ServerLayout\"\n"
        "    Identifier \"B\"\n"
        "EndSection";
    std::string out =
        "# xorg.conf\n"
        "Section \"ServerLayout\"\n"
        "    Identifier \"A\"\n"
        "    # EndSection\n"
        "    InputDevice \"Keyboard0\" \"CoreKeyboard\"\n"
        "        InputDevice    \"TAVIR TouchPanel2\"\n"
        "EndSection\n"
        "\n"
        "Section \"Files\"\n"
        "    SubSection \"x\"\n"
        "    EndSubSection\n"
        "EndSection\n" +
        Section(kModeBoth, 2, 4) +
        "\n"
        "Section \"Monitor\"\n"
        "EndSection\n"
        "Section \"ServerLayout\"\n"
        "    Identifier \"B\"\n"
        "        InputDevice    \"TAVIR TouchPanel2\"\n"
        "EndSection\n";
    EXPECT_EQ(AddDriverSection(in, kModeBoth, 2, 4), out);
}

TEST(AddDriverSection, WithoutOtherSectionsTheSectionGoesLast) {
    std::string in = "Section \"ServerLayout\"\nEndSection\n# end";
    EXPECT_EQ(AddDriverSection(in, kModeSerial, 0, 0),
              "Section \"ServerLayout\"\n" + LayoutLine(0) + "# end" + Section(kModeSerial, 0, 0));
    EXPECT_EQ(AddDriverSection("", kModeUsb, 1, 0), Section(kModeUsb, 1, 0));
}

}  // namespace
