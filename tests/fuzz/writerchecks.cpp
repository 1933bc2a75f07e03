#include "writerchecks.h"

#include <glib.h>

#include "config/linetokens.h"

using cfgline::Tokenize;
using cfgline::TokenIs;
using cfgline::Tokens;

namespace {

bool IsSection(const Tokens& t, const char* quotedName) {
    return TokenIs(t, 0, "section") && TokenIs(t, 1, quotedName);
}

bool IsBlank(const Tokens& t) { return t.Has(0) && t[0][0] == '\n'; }

bool NamesOneOf(const std::string& line, const std::vector<std::string>& identifiers) {
    std::string quoted;
    if (!cfgline::FirstQuotedText(line.data(), line.size(), &quoted)) {
        return true;  // dropped like a named one
    }
    for (const std::string& id : identifiers) {
        // Both sides as C strings, the way records hold their identifiers.
        if (g_ascii_strcasecmp(id.c_str(), quoted.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

struct Walk {
    std::vector<std::string> kept;
    int driverSections = 0;
};

std::optional<Walk> WalkFile(const std::string& text, const std::vector<std::string>& ids) {
    const std::vector<std::string> lines = SplitLines(text);
    Walk walk;
    bool afterInputDevice = false;
    size_t i = 0;
    while (i < lines.size()) {
        const std::string& line = lines[i];
        const Tokens t = Tokenize(line);
        if (afterInputDevice && IsBlank(t)) {
            ++i;
            continue;
        }
        afterInputDevice = false;
        if (IsSection(t, "\"inputdevice\"")) {
            size_t end = i + 1;
            bool driver = false;
            for (;; ++end) {
                if (end == lines.size()) {
                    return std::nullopt;
                }
                const Tokens inner = Tokenize(lines[end]);
                if (TokenIs(inner, 0, "endsection")) {
                    break;
                }
                if (TokenIs(inner, 0, "section")) {
                    return std::nullopt;
                }
                if (TokenIs(inner, 0, "driver") && TokenIs(inner, 1, "\"tavir\"")) {
                    driver = true;
                }
            }
            if (driver) {
                ++walk.driverSections;
            } else {
                walk.kept.insert(walk.kept.end(), lines.begin() + i, lines.begin() + end + 1);
                if (walk.kept.back().back() != '\n') {
                    walk.kept.back() += '\n';
                }
            }
            afterInputDevice = true;
            i = end + 1;
            continue;
        }
        walk.kept.push_back(line);
        ++i;
        if (!IsSection(t, "\"serverlayout\"")) {
            continue;
        }
        for (;; ++i) {
            if (i == lines.size()) {
                return std::nullopt;
            }
            const Tokens inner = Tokenize(lines[i]);
            if (TokenIs(inner, 0, "endsection")) {
                walk.kept.push_back(lines[i]);
                ++i;
                break;
            }
            if (TokenIs(inner, 0, "section")) {
                return std::nullopt;
            }
            if (TokenIs(inner, 0, "inputdevice") && NamesOneOf(lines[i], ids)) {
                continue;
            }
            walk.kept.push_back(lines[i]);
        }
    }
    return walk;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

std::optional<std::vector<std::string>> OutsideDriverText(
    const std::string& text, const std::vector<std::string>& identifiers) {
    std::optional<Walk> walk = WalkFile(text, identifiers);
    if (!walk) {
        return std::nullopt;
    }
    return walk->kept;
}

int DriverSectionCount(const std::string& text) {
    std::optional<Walk> walk = WalkFile(text, {});
    return walk ? walk->driverSections : -1;
}
