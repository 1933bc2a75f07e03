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
std::string IdentifierOf(const LineView& line) {
    static constexpr size_t kKeywordLength = sizeof "identifier" - 1;
    std::string_view rest = line.trimmed.substr(kKeywordLength);
    return std::string(SearchFirst(WithoutLineEnd(rest)));
}

enum Pass1State {
    kOutside = 0,       // not in an InputDevice section
    kInputDevice = 2,   // in one whose driver line has not been seen
    kDriverSection = 3, // in one whose driver is "tavir"
};

}  // namespace

std::string DropDriverSections(std::string_view text,
                               std::vector<std::string>* removedIdentifiers) {
    std::string out;
    out.reserve(text.size());
    std::string pending;  // the InputDevice section being read, held until its end
    std::string lastIdentifier;
    removedIdentifiers->clear();
    Pass1State state = kOutside;
    bool afterDroppedSection = false;

    size_t pos = 0;
    for (std::string_view raw = NextLine(text, &pos); !raw.empty(); raw = NextLine(text, &pos)) {
        if (afterDroppedSection) {
            afterDroppedSection = false;
            // The separator line goes with the section; anything else (a
            // section header written without a blank line before it) is
            // content and stays.
            if (IsBlank(raw)) {
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
            if (state == kInputDevice && StartsWith(line.lower, "driver") &&
                Contains(raw, "\"tavir\"")) {
                state = kDriverSection;
            }
            if (state == kOutside && StartsWith(line.lower, "section") &&
                Contains(line.lower, "\"inputdevice\"")) {
                state = kInputDevice;
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

std::string LayoutLine(int screenNum) {
    return FormatText("        InputDevice    \"TAVIR TouchPanel%d\"\nEndSection\n", screenNum);
}

std::string AddDriverSection(std::string_view text, int mode, int screenNum, int serialNum) {
    std::ostringstream out;
    const std::string layoutLine = LayoutLine(screenNum);
    bool inLayout = false;
    bool sectionWritten = false;
    size_t pos = 0;
    for (std::string_view raw = NextLine(text, &pos); !raw.empty(); raw = NextLine(text, &pos)) {
        LineView line(raw);
        if (line.comment) {
            out << raw;
        } else if (inLayout && StartsWith(line.lower, "endsection")) {
            inLayout = false;
            out << layoutLine;
        } else if (!inLayout && StartsWith(line.lower, "section") &&
                   Contains(line.lower, "\"serverlayout\"")) {
            inLayout = true;
            out << raw;
        } else if (!inLayout && !sectionWritten && StartsWith(line.lower, "endsection")) {
            out << raw;
            DriverWrite4(out, mode, screenNum, serialNum);
            sectionWritten = true;
        } else {
            out << raw;
        }
    }
    if (!sectionWritten) {
        // Without a section to follow, the device would be named in the
        // layout but defined nowhere.
        DriverWrite4(out, mode, screenNum, serialNum);
    }
    return out.str();
}
