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

// text with CRLF line ends.
std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
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
    std::string in = std::string("# head\n") + kKeyboard + "\n" + kDriver0 + "\n" +
                     "Section \"Monitor\"\nEndSection\n";
    EXPECT_EQ(Drop(in, &removed),
              std::string("# head\n") + kKeyboard + "\n" + "Section \"Monitor\"\nEndSection\n");
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
    std::string capitals =
        "Section \"InputDevice\"\n Identifier \"P\"\n Driver \"TAVIR\"\nEndSection\n";
    std::string inOption =
        "Section \"InputDevice\"\n Identifier \"Q\"\n Driver \"evdev\"\n Option \"Name\" "
        "\"tavir\"\nEndSection\n";
    std::string commented =
        "Section \"InputDevice\"\n Identifier \"R\"\n# Driver \"tavir\"\n Driver "
        "\"void\"\nEndSection\n";
    std::string otherSection =
        "Section \"Device\"\n Identifier \"S\"\n Driver \"tavir\"\nEndSection\n";
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
    Drop(std::string(kKeyboard) + "Section \"InputDevice\"\n Driver \"tavir\"\nEndSection\n",
         &removed);
    EXPECT_EQ(removed, Identifiers{});
    // Keyword in any case; the line end (CRLF too) is not part of the name.
    Drop(
        "Section \"InputDevice\"\r\n  IDENTIFIER \t\"TAVIR TouchPanel3\"\r\n  Driver "
        "\"tavir\"\r\nEndSection\r\n",
        &removed);
    EXPECT_EQ(removed, Identifiers{"\"TAVIR TouchPanel3\""});
}

TEST(DropDriverSections, BlankIdentifierNamesNoDevice) {
    // Blanks after the keyword are no identifier: no layout line may go for
    // one, however many other devices' lines hold a blank.
    const std::string layout =
        "Section \"ServerLayout\"\n"
        "    Identifier  \"Layout0\"\n"
        "    InputDevice \"Keyboard0\" \"CoreKeyboard\"\n"
        "    InputDevice \"Mouse0\" \"CorePointer\"\n"
        "    InputDevice \"TAVIR TouchPanel0\"\n"
        "EndSection\n";
    std::string withoutPanel0 = layout;
    withoutPanel0.erase(withoutPanel0.find("    InputDevice \"TAVIR"),
                        sizeof "    InputDevice \"TAVIR TouchPanel0\"\n" - 1);
    for (const char* blank : {" ", "\t\t", " \t ", "", " \r", "\t\r"}) {
        SCOPED_TRACE(testing::Message() << "Identifier followed by \"" << blank << "\"");
        const std::string section = "Section \"InputDevice\"\n    Identifier" + std::string(blank) +
                                    "\n    Driver \"tavir\"\nEndSection\n";
        Identifiers removed = {"stale"};
        EXPECT_EQ(Drop(kKeyboard + ("\n" + section) + "\n" + layout, &removed),
                  kKeyboard + ("\n" + layout));
        EXPECT_EQ(removed, Identifiers{});
        EXPECT_EQ(UninstallPasses(kKeyboard + ("\n" + section) + "\n" + layout),
                  kKeyboard + ("\n" + layout));
        // Beside a named panel, only the named one's line goes.
        EXPECT_EQ(UninstallPasses(kKeyboard + ("\n" + std::string(kDriver0)) + "\n" + section +
                                  "\n" + layout),
                  kKeyboard + ("\n" + withoutPanel0));
        InstallReport report;
        std::string installed =
            InstallPasses(kKeyboard + ("\n" + section) + "\n" + layout, 0, 1, 1, &report);
        EXPECT_EQ(report.removedIdentifiers, Identifiers{});
        EXPECT_EQ(report.layoutsClosed, 1);
        EXPECT_EQ(installed.rfind(kKeyboard, 0), 0U);
        EXPECT_NE(installed.find(layout.substr(0, layout.find("EndSection"))), std::string::npos);
    }
}

TEST(DropDriverSections, UnterminatedSectionAtEnd) {
    std::string open = "Section \"InputDevice\"\n Identifier \"Mouse0\"\n Driver \"mouse\"";
    EXPECT_EQ(Drop(std::string(kKeyboard) + open), std::string(kKeyboard) + open);
    Identifiers removed;
    EXPECT_EQ(Drop(std::string(kKeyboard) +
                       "Section \"InputDevice\"\n Identifier \"T\"\n Driver \"tavir\"\n",
                   &removed),
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
    std::string in = bigSection + "\n" + "Section \"Files\"\n FontPath \"" +
                     std::string(3000, 'f') + "\"\nEndSection";
    EXPECT_EQ(Drop(in), in);
    Identifiers removed;
    std::string longName = "\"" + std::string(2000, 'n') + "\"";
    Drop("Section \"InputDevice\"\n Identifier " + longName + "\n Driver \"tavir\"\nEndSection\n",
         &removed);
    EXPECT_EQ(removed, Identifiers{longName});
}

TEST(DropDriverSections, OneBlankLineGoesAndPreferablyTheInstallersOwn) {
    const std::string files = "Section \"Files\"\nEndSection\n";
    const std::string monitor = "Section \"Monitor\"\nEndSection\n";
    // The line end alone after the section goes, even with one before it.
    EXPECT_EQ(Drop(files + "\n" + kDriver0 + "\n" + monitor), files + "\n" + monitor);
    // Else the line end alone before it: after a blank line holding blanks,
    // at the end of the text, before a header that follows directly.
    EXPECT_EQ(Drop(files + "\n" + kDriver0 + "  \n" + monitor), files + "  \n" + monitor);
    EXPECT_EQ(Drop(files + "\n" + kDriver0), files);
    EXPECT_EQ(Drop(files + "\n" + kDriver0 + monitor), files + monitor);
    // Else any blank line after it, as before; with none, nothing more goes.
    EXPECT_EQ(Drop(files + " \n" + kDriver0 + "\t\n" + monitor), files + " \n" + monitor);
    EXPECT_EQ(Drop(files + "# c\n" + kDriver0 + monitor), files + "# c\n" + monitor);
    // Two sections side by side each take one line: the blank before the
    // second is the one the first left.
    EXPECT_EQ(Drop(files + "\n" + kDriver0 + "\n" + kDriver1 + monitor), files + monitor);
    EXPECT_EQ(Drop(files + "\n" + kDriver0 + "\n" + kDriver1 + "\n" + monitor),
              files + "\n" + monitor);
    // In a CRLF file the installer's blank line is "\r\n"; a bare "\n" there
    // is a blank line like any other.
    const std::string crlfFiles = "Section \"Files\"\r\nEndSection\r\n";
    const std::string crlfDriver = "Section \"InputDevice\"\r\n Driver \"tavir\"\r\nEndSection\r\n";
    EXPECT_EQ(Drop(crlfFiles + "\r\n" + crlfDriver + "\n"), crlfFiles + "\n");
    EXPECT_EQ(Drop(crlfFiles + "\n" + crlfDriver + "\r\n"), crlfFiles + "\n");
    EXPECT_EQ(Drop(crlfFiles + "\n" + crlfDriver), crlfFiles + "\n");
    // A file that is a driver section after a lone CR line.
    EXPECT_EQ(Drop("\r\n\n" + std::string(kDriver0)), "\r\n");
}

TEST(FileLineEnd, FirstLineThatIsNotBlankAndHasOne) {
    EXPECT_EQ(FileLineEnd(""), "\n");
    EXPECT_EQ(FileLineEnd("\r"), "\n");
    EXPECT_EQ(FileLineEnd("Section \"Files\""), "\n");
    EXPECT_EQ(FileLineEnd("\r\n  \r\n# c\r\nx\n"), "\r\n");
    EXPECT_EQ(FileLineEnd("\r\n\r\n# c\nx\r\n"), "\n");
    EXPECT_EQ(FileLineEnd("\r\n\r\n"), "\n");
    EXPECT_EQ(FileLineEnd("\n \t\r\nEndSection\r\n"), "\r\n");
}

TEST(FindSectionFault, SectionLineInsideAnOpenSection) {
    SectionFault fault;
    // The mouse's section is not closed before the driver's: pass 1 would
    // take both for one driver section.
    const std::string unclosedMouse =
        "Section \"InputDevice\"\n Identifier \"Mouse0\"\n Driver \"mouse\"\n\n" +
        std::string(kDriver0);
    ASSERT_TRUE(FindSectionFault(unclosedMouse, &fault));
    EXPECT_EQ(std::make_pair(fault.openedAt, fault.fault), std::make_pair(size_t{1}, size_t{5}));
    // Any kind of section, in any letter case, CRLF lines too.
    ASSERT_TRUE(
        FindSectionFault("# x\r\nSection \"Files\"\r\n\r\nsection \"Monitor\"\r\n"
                         "EndSection\r\n",
                         &fault));
    EXPECT_EQ(std::make_pair(fault.openedAt, fault.fault), std::make_pair(size_t{2}, size_t{4}));
    // An unclosed driver section would take the next section with it.
    ASSERT_TRUE(FindSectionFault(
        "section \"inputdevice\"\n\tDRIVER \"tavir\"\n" + std::string(kKeyboard), &fault));
    EXPECT_EQ(std::make_pair(fault.openedAt, fault.fault), std::make_pair(size_t{1}, size_t{3}));
    // Commented and sub-sections are no sections, nor are they ends.
    const std::string fine = std::string(kKeyboard) + "\n" +
                             "Section \"Screen\"\n"
                             "  # Section \"Display\"\n"
                             "  SubSection \"Display\"\n"
                             "  EndSubSection\n"
                             "  Subsection \"Display\"\n"
                             "  EndSubsection\n"
                             "# EndSection\n"
                             "EndSection\n" +
                             kDriver0 + "\n" + kDriver1;
    EXPECT_FALSE(FindSectionFault(fine, &fault));
    ASSERT_TRUE(FindSectionFault("Section \"Files\"\n# EndSection\nSection \"Monitor\"\n", &fault));
    EXPECT_EQ(std::make_pair(fault.openedAt, fault.fault), std::make_pair(size_t{1}, size_t{3}));
}

TEST(FindSectionFault, TextEndingInsideASection) {
    SectionFault fault;
    // A driver section may end the text unclosed (pass 1 drops it whole).
    EXPECT_FALSE(FindSectionFault(
        std::string(kKeyboard) + "Section \"InputDevice\"\n Driver \"tavir\"", &fault));
    EXPECT_FALSE(FindSectionFault("", &fault));
    EXPECT_FALSE(FindSectionFault("\r", &fault));
    // Any other: an input device whose driver is something else or not yet
    // given, any other kind of section.
    for (const char* open :
         {"Section \"InputDevice\"\n Identifier \"Mouse0\"\n Driver \"mouse\"\n",
          "Section \"InputDevice\"\n Driver \"tavir \"\n",
          "Section \"InputDevice\"\n# Driver \"tavir\"\n",
          "Section \"Device\"\n Driver \"tavir\"\n", "Section \"ServerLayout\""}) {
        ASSERT_TRUE(FindSectionFault(std::string(kKeyboard) + "\n" + open, &fault)) << open;
        EXPECT_EQ(std::make_pair(fault.openedAt, fault.fault), std::make_pair(size_t{6}, size_t{0}))
            << open;
    }
}

TEST(FindSectionFault, MessageNamesFileAndLines) {
    EXPECT_EQ(SectionFaultMessage("/etc/X11/xorg.conf", SectionFault{3, 9}),
              "Can't edit \"/etc/X11/xorg.conf\": the section begun at line 3 has no EndSection "
              "before the Section at line 9.");
    EXPECT_EQ(SectionFaultMessage("x.conf", SectionFault{12, 0}),
              "Can't edit \"x.conf\": the section begun at line 12 has no EndSection before the "
              "end of the file.");
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

TEST(AddDriverSection, WrittenLinesTakeTheFilesLineEnd) {
    const std::string layout = "Section \"ServerLayout\"\n Identifier \"L\"\nEndSection\n";
    const std::string files = "Section \"Files\"\nEndSection\n";
    int closed = -1;
    EXPECT_EQ(AddDriverSection(Crlf(layout + "\n" + files), kModeBoth, 1, 2, &closed),
              Crlf("Section \"ServerLayout\"\n Identifier \"L\"\n" + LayoutLine(1) + "\n" + files +
                   Section(kModeBoth, 1, 2)));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(LayoutLine(1, "\r\n"), Crlf(LayoutLine(1)));
    // A leading blank CRLF line does not make an LF file a CRLF one.
    EXPECT_EQ(AddDriverSection("\r\n" + files, kModeUsb, 0, 0, &closed),
              "\r\n" + files + Section(kModeUsb, 0, 0));
    EXPECT_EQ(closed, 0);
}

TEST(AddDriverSection, ALastLineWithoutLineEndGetsOneFirst) {
    // Else the section's blank line would end that line and a second run,
    // finding the line ended, would add a blank line.
    EXPECT_EQ(AddDriverSection("Section \"Files\"\r\nEndSection", kModeSerial, 0, 1),
              Crlf("Section \"Files\"\nEndSection\n" + Section(kModeSerial, 0, 1)));
    EXPECT_EQ(AddDriverSection("# c", kModeSerial, 0, 1), "# c\n" + Section(kModeSerial, 0, 1));
    EXPECT_EQ(AddDriverSection("\r", kModeSerial, 0, 1), "\r\n" + Section(kModeSerial, 0, 1));
    // A last line ending in a bare CR is taken for half a CRLF line.
    EXPECT_EQ(AddDriverSection("# c\r", kModeSerial, 0, 1),
              Crlf("# c\n" + Section(kModeSerial, 0, 1)));
    EXPECT_EQ(FileLineEnd("# c\r"), "\r\n");
    // A layout's EndSection always had the layout line's own line end.
    EXPECT_EQ(AddDriverSection("Section \"ServerLayout\"\nEndSection", kModeUsb, 0, 1),
              "Section \"ServerLayout\"\n" + LayoutLine(0) + Section(kModeUsb, 0, 1));
}

TEST(AddDriverSection, WithoutOtherSectionsTheSectionGoesLast) {
    std::string in = "Section \"ServerLayout\"\nEndSection\n# end";
    EXPECT_EQ(
        AddDriverSection(in, kModeSerial, 0, 0),
        "Section \"ServerLayout\"\n" + LayoutLine(0) + "# end\n" + Section(kModeSerial, 0, 0));
    EXPECT_EQ(AddDriverSection("", kModeUsb, 1, 0), Section(kModeUsb, 1, 0));
}

}  // namespace
