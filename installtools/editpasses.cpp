#include "editpasses.h"

#include <sstream>

#include "driversection.h"
#include "textfuncs.h"

namespace {

// The next line of text from pos, with its line end; empty at the end.
std::string_view NextLine(std::string_view text, size_t* pos) {
    if (*pos >= text.size()) {
        return {};
    }
    size_t end = text.find('\n', *pos);
    end = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(*pos, end - *pos);
    *pos = end;
    return line;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A line as the passes see it: comment or not, and the lower-case copy of
// the text after its indentation, on which keywords are compared by prefix.
struct LineView {
    std::string_view raw;
    std::string_view trimmed;
    bool comment = false;
    std::string lower;

    explicit LineView(std::string_view line, bool lowerComments = false)
        : raw(line), trimmed(SearchFirst(line)) {
        comment = !trimmed.empty() && trimmed.front() == '#';
        if (!comment || lowerComments) {
            lower.assign(trimmed.data(), trimmed.size());
            TolowerLine(lower);
        }
    }
};

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

std::string_view WithoutLineEnd(std::string_view text) {
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
        }
    }
    return text;
}

// The identifier of an Identifier line: what follows the keyword, without
// the indentation before it and the line end after it, quotes included.
// The keyword is found in the trimmed text, so it may be written in any case.
// Nothing but blanks after the keyword is no identifier: taken as one, it
// would make pass 2 drop every layout line that holds a blank.
std::string IdentifierOf(const LineView& line) {
    static constexpr size_t kKeywordLength = sizeof "identifier" - 1;
    std::string_view rest = WithoutLineEnd(line.trimmed.substr(kKeywordLength));
    return IsBlank(rest) ? std::string() : std::string(SearchFirst(rest));
}

enum Pass1State {
    kOutside = 0,        // not in an InputDevice section
    kInputDevice = 2,    // in one whose driver line has not been seen
    kDriverSection = 3,  // in one whose driver is "tavir"
};

bool IsSectionLine(const LineView& line) {
    return !line.comment && StartsWith(line.lower, "section");
}

bool IsInputDeviceLine(const LineView& line) {
    return IsSectionLine(line) && Contains(line.lower, "\"inputdevice\"");
}

bool IsEndSectionLine(const LineView& line) {
    return !line.comment && StartsWith(line.lower, "endsection");
}

bool IsTavirDriverLine(const LineView& line) {
    return !line.comment && StartsWith(line.lower, "driver") && Contains(line.raw, "\"tavir\"");
}

// text with every line end made lineEnd; text is written with "\n" only.
std::string WithLineEnd(const std::string& text, std::string_view lineEnd) {
    if (lineEnd == "\n") {
        return text;
    }
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            out.append(lineEnd);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Where the last line of text starts; npos for an empty text.
size_t LastLineStart(const std::string& text) {
    if (text.empty()) {
        return std::string::npos;
    }
    size_t newline = text.size() < 2 ? std::string::npos : text.rfind('\n', text.size() - 2);
    return newline == std::string::npos ? 0 : newline + 1;
}

// What ends a last line that has no line end: a bare CR at its end is taken
// for the first half of a CRLF (adding lineEnd after it would make two).
std::string_view EndLine(std::string_view line, std::string_view lineEnd) {
    return !line.empty() && line.back() == '\r' ? std::string_view("\n") : lineEnd;
}

// Whether the part of text from offset at is exactly line.
bool TailIs(const std::string& text, size_t at, std::string_view line) {
    return at != std::string::npos && std::string_view(text).substr(at) == line;
}

}  // namespace

std::string_view FileLineEnd(std::string_view text, std::string_view otherwise) {
    size_t pos = 0;
    for (std::string_view raw = NextLine(text, &pos); !raw.empty(); raw = NextLine(text, &pos)) {
        if (raw.back() != '\n') {
            // A last line that ends in a bare CR is ended by its LF alone
            // (EndLine), which makes it a CRLF line.
            if (raw.back() == '\r' && !IsBlank(raw)) {
                return "\r\n";
            }
            break;
        }
        if (!IsBlank(raw)) {
            return raw.size() >= 2 && raw[raw.size() - 2] == '\r' ? "\r\n" : "\n";
        }
    }
    return otherwise;
}

bool FindSectionFault(std::string_view text, SectionFault* fault) {
    size_t number = 0;
    size_t openedAt = 0;
    bool inputDevice = false;
    bool driver = false;
    size_t pos = 0;
    for (std::string_view raw = NextLine(text, &pos); !raw.empty(); raw = NextLine(text, &pos)) {
        ++number;
        LineView line(raw);
        if (IsSectionLine(line)) {
            if (openedAt != 0) {
                *fault = SectionFault{openedAt, number};
                return true;
            }
            openedAt = number;
            inputDevice = IsInputDeviceLine(line);
            driver = false;
        } else if (IsEndSectionLine(line)) {
            openedAt = 0;
        } else if (openedAt != 0 && inputDevice && IsTavirDriverLine(line)) {
            driver = true;
        }
    }
    if (openedAt != 0 && !driver) {
        *fault = SectionFault{openedAt, 0};
        return true;
    }
    return false;
}

std::string SectionFaultMessage(const char* path, const SectionFault& fault) {
    if (fault.fault == 0) {
        return FormatText(
            "Can't edit \"%s\": the section begun at line %zu has no EndSection "
            "before the end of the file.",
            path, fault.openedAt);
    }
    return FormatText(
        "Can't edit \"%s\": the section begun at line %zu has no EndSection "
        "before the Section at line %zu.",
        path, fault.openedAt, fault.fault);
}

std::string DropDriverSections(std::string_view text,
                               std::vector<std::string>* removedIdentifiers) {
    constexpr size_t kNone = std::string::npos;
    const std::string_view lineEnd = FileLineEnd(text);
    std::string out;
    out.reserve(text.size());
    std::string pending;  // the InputDevice section being read, held until its end
    std::string lastIdentifier;
    removedIdentifiers->clear();
    Pass1State state = kOutside;
    bool afterDroppedSection = false;
    // Where in out the blank line before the section being read starts: the
    // line it follows once the lines dropped before it are gone.
    size_t blankBeforeAt = kNone;

    size_t pos = 0;
    for (std::string_view raw = NextLine(text, &pos); !raw.empty(); raw = NextLine(text, &pos)) {
        if (afterDroppedSection) {
            afterDroppedSection = false;
            // One separator goes with the section: preferably the very line
            // pass 3 wrote with it, so that installing twice changes nothing.
            // Anything but a blank line (a section header written without a
            // blank line before it) is content and stays.
            if (raw == lineEnd) {
                continue;
            }
            if (TailIs(out, blankBeforeAt, lineEnd)) {
                out.resize(blankBeforeAt);
            } else if (IsBlank(raw)) {
                continue;
            }
        }
        LineView line(raw);
        bool dropLine = false;
        if (!line.comment) {
            if (StartsWith(line.lower, "endsection")) {
                if (state == kInputDevice) {
                    state = kOutside;
                } else if (state == kDriverSection) {
                    if (!lastIdentifier.empty()) {
                        removedIdentifiers->push_back(lastIdentifier);
                    }
                    pending.clear();
                    state = kOutside;
                    dropLine = true;
                    afterDroppedSection = true;
                }
            }
            if (StartsWith(line.lower, "identifier")) {
                lastIdentifier = IdentifierOf(line);
            }
            if (state == kInputDevice && IsTavirDriverLine(line)) {
                state = kDriverSection;
            }
            if (state == kOutside && IsInputDeviceLine(line)) {
                state = kInputDevice;
                blankBeforeAt = LastLineStart(out);
                if (blankBeforeAt != kNone &&
                    !IsBlank(std::string_view(out).substr(blankBeforeAt))) {
                    blankBeforeAt = kNone;
                }
                // A driver section without an Identifier line must not take
                // the name of an earlier device, or pass 2 would drop that
                // device's layout line.
                lastIdentifier.clear();
            }
        }
        if (dropLine) {
            continue;
        }
        pending.append(raw);
        if (state == kOutside) {
            out.append(pending);
            pending.clear();
        }
    }
    // A file that ends inside a section: an ordinary section is kept as it
    // stands, a driver section is dropped like a complete one.
    if (state == kInputDevice) {
        out.append(pending);
    } else if (state == kDriverSection && !lastIdentifier.empty()) {
        removedIdentifiers->push_back(lastIdentifier);
    }
    if ((afterDroppedSection || state == kDriverSection) && TailIs(out, blankBeforeAt, lineEnd)) {
        out.resize(blankBeforeAt);
    }
    return out;
}

std::string DropLayoutLine(std::string_view text,
                           const std::vector<std::string>& removedIdentifiers) {
    if (removedIdentifiers.empty()) {
        return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (std::string_view raw = NextLine(text, &pos); !raw.empty(); raw = NextLine(text, &pos)) {
        LineView line(raw, true);
        if (Contains(line.lower, "inputdevice")) {
            bool names = false;
            for (const std::string& identifier : removedIdentifiers) {
                names = names || Contains(raw, identifier);
            }
            if (names) {
                continue;
            }
        }
        out.append(raw);
    }
    return out;
}

std::string LayoutLine(int screenNum, std::string_view lineEnd) {
    return WithLineEnd(
        FormatText("        InputDevice    \"TAVIR TouchPanel%d\"\nEndSection\n", screenNum),
        lineEnd);
}

std::string AddDriverSection(std::string_view text, int mode, int screenNum, int serialNum,
                             int* layoutsClosed, std::string_view lineEndOtherwise) {
    const std::string_view lineEnd = FileLineEnd(text, lineEndOtherwise);
    const std::string layoutLine = LayoutLine(screenNum, lineEnd);
    std::ostringstream written;
    DriverWrite4(written, mode, screenNum, serialNum);
    const std::string sections = WithLineEnd(written.str(), lineEnd);
    std::string out;
    out.reserve(text.size() + sections.size() + 4 * layoutLine.size());
    int closed = 0;
    bool inLayout = false;
    bool sectionWritten = false;
    size_t pos = 0;
    for (std::string_view raw = NextLine(text, &pos); !raw.empty(); raw = NextLine(text, &pos)) {
        LineView line(raw);
        if (line.comment) {
            out.append(raw);
        } else if (inLayout && StartsWith(line.lower, "endsection")) {
            inLayout = false;
            out.append(layoutLine);
            ++closed;
        } else if (!inLayout && StartsWith(line.lower, "section") &&
                   Contains(line.lower, "\"serverlayout\"")) {
            inLayout = true;
            out.append(raw);
        } else if (!inLayout && !sectionWritten && StartsWith(line.lower, "endsection")) {
            out.append(raw);
            // The section's blank line must not end up on the EndSection line.
            if (raw.back() != '\n' && !sections.empty()) {
                out.append(EndLine(raw, lineEnd));
            }
            out.append(sections);
            sectionWritten = true;
        } else {
            out.append(raw);
        }
    }
    if (!sectionWritten) {
        // Without a section to follow, the device would be named in the
        // layout but defined nowhere.
        if (!out.empty() && out.back() != '\n' && !sections.empty()) {
            out.append(EndLine(out, lineEnd));
        }
        out.append(sections);
    }
    if (layoutsClosed != nullptr) {
        *layoutsClosed = closed;
    }
    return out;
}

std::string InstallPasses(std::string_view text, int mode, int screenNum, int serialNum,
                          InstallReport* report) {
    std::string out = DropDriverSections(text, &report->removedIdentifiers);
    out = DropLayoutLine(out, report->removedIdentifiers);
    return AddDriverSection(out, mode, screenNum, serialNum, &report->layoutsClosed,
                            FileLineEnd(text));
}

std::string UninstallPasses(std::string_view text) {
    std::vector<std::string> removedIdentifiers;
    std::string out = DropDriverSections(text, &removedIdentifiers);
    return DropLayoutLine(out, removedIdentifiers);
}
