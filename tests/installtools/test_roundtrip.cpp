// Installing twice with the same arguments gives the first run's text byte
// for byte, and uninstalling takes back what installing added, on a few
// hundred generated configuration files of every shape the tools meet.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "driversection.h"
#include "editpasses.h"
#include "textfuncs.h"

namespace {

std::string Install(const std::string& text, int mode, int screen, int serial) {
    InstallReport report;
    return InstallPasses(text, mode, screen, serial, &report);
}

std::string Uninstall(const std::string& text) { return UninstallPasses(text); }

// A small generator of its own, so the files are the same everywhere.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    unsigned Below(unsigned n) {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<unsigned>(state_ % n);
    }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    template <typename T, size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(N)];
    }

private:
    uint64_t state_;
};

// A generated file: its text, and what install then uninstall must give
// back (each layout's EndSection line as plain "EndSection"), when that can
// be said (no driver sections in it to begin with, one kind of line end).
struct Generated {
    std::string text;
    std::string back;
    bool hasDriver = false;
    bool mixedLineEnds = false;
    std::string description;
};

class FileBuilder {
public:
    // lineEnd empty: each line's own is LF or CRLF at random.
    FileBuilder(Random* random, std::string lineEnd) : random_(*random), lineEnd_(lineEnd) {}

    // One line, written the same way in the text and in what comes back.
    void Line(const std::string& line) { lines_.push_back({line, line, false}); }

    void Blank() {
        static const char* const kBlanks[] = {"", "", "", "  ", "\t", " \t ", "\r"};
        Line(random_.Pick(kBlanks));
    }

    void Comment() {
        static const char* const kComments[] = {"# xorg.conf written by hand",
                                                "#",
                                                "   # EndSection in a comment",
                                                "# Section \"InputDevice\"",
                                                "\t# Driver \"tavir\" was here",
                                                "# \xc3\xa9"
                                                "cran tactile \xe2\x80\x94 UTF-8",
                                                "# saved on another system\r"};
        Line(random_.Pick(kComments));
    }

    void Section(const std::string& kind, const std::vector<std::string>& body) {
        static const char* const kHeads[] = {"Section \"%s\"", "section \"%s\"",
                                             "  Section  \"%s\"", "Section \"%s\" # header"};
        static const char* const kEnds[] = {"EndSection", "EndSection", "  endsection",
                                            "EndSection  # end"};
        Line(FormatText(random_.Pick(kHeads), kind.c_str()));
        for (const std::string& line : body) {
            Line(line);
        }
        if (random_.Chance(20)) {
            Comment();
        }
        const char* end = random_.Pick(kEnds);
        // The installer closes each layout with its own EndSection line,
        // which always has a line end.
        if (kind == "ServerLayout") {
            lines_.push_back({end, "EndSection", true});
        } else {
            Line(end);
        }
    }

    // The text; the last line without its line end when asked.
    Generated Build(bool finalLineEnd) {
        Generated out;
        for (size_t i = 0; i < lines_.size(); ++i) {
            const bool last = i + 1 == lines_.size();
            const std::string lineEnd = !lineEnd_.empty()    ? lineEnd_
                                        : random_.Chance(50) ? "\n"
                                                             : "\r\n";
            const std::string end = last && !finalLineEnd ? "" : lineEnd;
            out.text += lines_[i].text + end;
            // The installer writes the layout's EndSection with the file's
            // line end, known only once the whole text is.
            out.back += lines_[i].back + (lines_[i].layoutEnd ? "\x01" : end);
        }
        const std::string fileLineEnd(FileLineEnd(out.text));
        for (size_t at = out.back.find('\x01'); at != std::string::npos;
             at = out.back.find('\x01', at)) {
            out.back.replace(at, 1, fileLineEnd);
        }
        return out;
    }

private:
    Random& random_;
    std::string lineEnd_;
    struct TextLine {
        std::string text;
        std::string back;
        bool layoutEnd;
    };
    std::vector<TextLine> lines_;
};

std::vector<std::string> Body(Random& random, const char* kind) {
    static const char* const kFiles[] = {"    FontPath \"/usr/share/fonts/X11/misc\"",
                                         "\tModulePath \"/usr/lib/xorg/modules\""};
    static const char* const kDevices[] = {
        "    Identifier \"Card0\"\n    Driver \"modesetting\"",
        "\tIdentifier  \"ATI\"\n\tDriver \"ati\"\n\tBusID \"PCI:1:0:0\""};
    std::string kindText = kind;
    std::string body;
    if (kindText == "Files") {
        body = random.Pick(kFiles);
    } else if (kindText == "Device") {
        body = random.Pick(kDevices);
    } else if (kindText == "Monitor") {
        body = "    Identifier \"Monitor0\"\n    HorizSync 31.5-48.5";
    } else if (kindText == "Screen") {
        body =
            "    Identifier \"Screen0\"\n    Device \"Card0\"\n    SubSection \"Display\"\n"
            "        Depth 24\n    EndSubSection";
    } else if (kindText == "Module") {
        body = "    Load \"glx\"\n    Subsection \"extmod\"\n    EndSubsection";
    } else if (kindText == "InputClass") {
        body = "    Identifier \"evdev pointer\"\n    MatchIsPointer \"on\"\n    Driver \"evdev\"";
    }
    std::vector<std::string> lines;
    std::istringstream in(body);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

void InputDevice(FileBuilder& file, Random& random, int n) {
    static const char* const kDrivers[] = {"kbd", "mouse", "evdev", "void", "TAVIR"};
    file.Section("InputDevice", {FormatText("    Identifier \"Input%d\"", n),
                                 FormatText("    Driver \"%s\"", random.Pick(kDrivers))});
}

// A panel's section as an earlier install (perhaps edited since) left it.
void DriverSection(FileBuilder& file, Random& random, int screen) {
    if (random.Chance(50)) {
        std::ostringstream written;
        DriverWrite4(written, static_cast<int>(random.Below(3)), screen, 1);
        std::istringstream in(written.str());
        for (std::string line; std::getline(in, line);) {
            // The leading blank line stays: that is how the installer wrote it.
            file.Line(line);
        }
        return;
    }
    file.Section(
        "InputDevice",
        {FormatText("\tIdentifier \"TAVIR TouchPanel%d\"", screen), "\tDriver \"tavir\"",
         FormatText("\tOption \"ScreenNo\" \"%d\"", screen), "\tOption \"Device\" \"/dev/ttyS0\""});
}

void Layout(FileBuilder& file, Random& random, const std::vector<int>& panels) {
    std::vector<std::string> body = {"    Identifier \"Layout0\"", "    Screen 0 \"Screen0\" 0 0"};
    if (random.Chance(70)) {
        body.push_back("    InputDevice \"Input0\" \"CoreKeyboard\"");
    }
    for (int screen : panels) {
        body.push_back(FormatText("        InputDevice    \"TAVIR TouchPanel%d\"", screen));
    }
    file.Section("ServerLayout", body);
}

Generated Generate(uint64_t seed) {
    Random random(seed);
    static const char* const kLineEnds[] = {"\n", "\n", "\n", "\r\n", "\r\n", ""};
    const std::string lineEnd = random.Pick(kLineEnds);
    FileBuilder file(&random, lineEnd);
    const bool finalLineEnd = random.Chance(75);
    const unsigned shape = random.Below(20);
    std::ostringstream description;
    description << "seed " << seed << ", "
                << (lineEnd == "\n"   ? "LF"
                    : lineEnd.empty() ? "mixed LF and CRLF"
                                      : "CRLF")
                << (finalLineEnd ? "" : ", no final line end") << ", ";
    Generated out;
    if (shape == 0) {
        description << "empty";
        out = file.Build(finalLineEnd);
    } else if (shape == 1) {
        description << "comments and blank lines";
        for (unsigned i = random.Below(4) + 1; i > 0; --i) {
            random.Chance(50) ? file.Comment() : file.Blank();
        }
        out = file.Build(finalLineEnd);
    } else if (shape == 2) {
        description << "a lone CR";
        out.text = out.back = "\r";
    } else if (shape == 3) {
        description << "a layout only";
        Layout(file, random, {});
        out = file.Build(finalLineEnd);
    } else {
        description << "mixed";
        static const char* const kKinds[] = {"Files",       "Module",       "Monitor",
                                             "Device",      "Screen",       "InputClass",
                                             "InputDevice", "ServerLayout", "Driver"};
        std::vector<int> panels;
        const unsigned count = random.Below(8) + 1;
        for (unsigned i = 0; i < count; ++i) {
            if (random.Chance(40)) {
                random.Chance(50) ? file.Comment() : file.Blank();
            }
            std::string kind = random.Pick(kKinds);
            if (kind == "InputDevice") {
                InputDevice(file, random, static_cast<int>(i));
            } else if (kind == "Driver") {
                int screen = static_cast<int>(random.Below(4));
                DriverSection(file, random, screen);
                panels.push_back(screen);
                out.hasDriver = true;
            } else if (kind == "ServerLayout") {
                Layout(file, random, panels);
            } else {
                file.Section(kind, Body(random, kind.c_str()));
            }
            if (random.Chance(60)) {
                file.Blank();
            }
        }
        bool driver = out.hasDriver;
        out = file.Build(finalLineEnd);
        out.hasDriver = driver;
    }
    out.description = description.str();
    out.mixedLineEnds = lineEnd.empty();
    return out;
}

// What install then uninstall gives for a file without driver sections:
// its text, the layouts' EndSection lines made plain, and a last line
// without a line end that the panel's section(s) came to follow ended.
std::string ExpectedBack(const Generated& file, const std::string& installed) {
    const std::string lineEnd(FileLineEnd(file.text));
    // The default section's last lines, the same for every mode and screen:
    // a text that ends with them had them appended after its last line.
    const std::string sectionEnd =
        "   Option     \"Communication\"  \"0\"" + lineEnd + "EndSection" + lineEnd;
    const bool appended =
        installed.size() >= sectionEnd.size() &&
        installed.compare(installed.size() - sectionEnd.size(), std::string::npos, sectionEnd) == 0;
    std::string back = file.back;
    if (!back.empty() && back.back() != '\n' && appended) {
        // A bare CR at the end is the first half of its CRLF.
        back += back.back() == '\r' ? std::string("\n") : lineEnd;
    }
    return back;
}

int BareLineFeeds(const std::string& text) {
    int count = 0;
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
        count += at == 0 || text[at - 1] != '\r';
    }
    return count;
}

TEST(PanelinstallTwice, SecondRunChangesNothingOnGeneratedFiles) {
    const int kFiles = getenv("ROUNDTRIP_FILES") ? atoi(getenv("ROUNDTRIP_FILES")) : 400;
    int runs = 0;
    int withDriver = 0;
    int crlf = 0;
    int crlfOnly = 0;
    int roundTrips = 0;
    for (int seed = 0; seed < kFiles; ++seed) {
        const Generated file = Generate(static_cast<uint64_t>(seed));
        SectionFault fault;
        ASSERT_FALSE(FindSectionFault(file.text, &fault)) << file.description << "\n" << file.text;
        withDriver += file.hasDriver;
        crlf += FileLineEnd(file.text) == "\r\n";
        for (int mode = 0; mode <= 2; ++mode) {
            const int screen = (seed + mode) % 4;
            const int serial = seed % 9;
            const std::string once = Install(file.text, mode, screen, serial);
            const std::string twice = Install(once, mode, screen, serial);
            ++runs;
            ASSERT_EQ(twice, once) << file.description << ", mode " << mode << "\n" << file.text;
            if (!file.text.empty() && BareLineFeeds(file.text) == 0 &&
                FileLineEnd(file.text) == "\r\n") {
                // Every line written takes the file's CRLF.
                ++crlfOnly;
                for (size_t at = once.find('\n'); at != std::string::npos;
                     at = once.find('\n', at + 1)) {
                    ASSERT_TRUE(at > 0 && once[at - 1] == '\r')
                        << file.description << ": bare LF at " << at << "\n"
                        << testing::PrintToString(file.text) << "\n"
                        << testing::PrintToString(once.substr(0, 200));
                }
            }
            if (!file.hasDriver && !file.mixedLineEnds) {
                ASSERT_EQ(Uninstall(once), ExpectedBack(file, once))
                    << file.description << ", mode " << mode << "\n"
                    << file.text;
                ++roundTrips;
            }
            ASSERT_EQ(Uninstall(Uninstall(once)), Uninstall(once)) << file.description;
        }
    }
    std::cout << "  " << kFiles << " generated files (" << withDriver << " with driver sections, "
              << crlf << " CRLF, " << crlfOnly / 3 << " of them without a bare LF): " << runs
              << " double installs identical, " << roundTrips << " uninstalls gave the file back\n";
}

TEST(PanelinstallTwice, ScreensAndModesChangingBetweenRuns) {
    // Another screen or mode replaces the section; back to the first
    // arguments gives the first text again.
    for (int seed = 0; seed < 100; ++seed) {
        const Generated file = Generate(static_cast<uint64_t>(seed) + 1000);
        const std::string first = Install(file.text, 0, 0, 1);
        const std::string other = Install(first, 2, 3, 4);
        EXPECT_EQ(Install(other, 0, 0, 1), first) << file.description << "\n" << file.text;
    }
}

}  // namespace
