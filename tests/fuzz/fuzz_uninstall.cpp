// paneluninstall's editing passes on arbitrary text. Besides running clean
// under the sanitizers, for every input (the properties are those of text
// paneluninstall edits: a text whose sections do not nest is refused before
// any pass runs, so the passes need not hold them there):
//  - the passes only take whole lines away: the result's lines are a
//    subsequence of the input's lines;
//  - a text without the quoted driver name is left exactly as it was;
//  - every identifier reported as removed stands in the input;
//  - running the passes again on the result changes nothing (nothing the
//    first run left can be a driver section).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editpasses.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "uninstall property broken: %s\n", what);
        abort();
    }
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

bool IsSubsequence(const std::vector<std::string_view>& part,
                   const std::vector<std::string_view>& whole) {
    size_t j = 0;
    for (std::string_view line : part) {
        while (j < whole.size() && whole[j] != line) {
            ++j;
        }
        if (j == whole.size()) {
            return false;
        }
        ++j;
    }
    return true;
}

std::string Uninstall(std::string_view text, std::vector<std::string>* removed) {
    std::string out = DropDriverSections(text, removed);
    return DropLayoutLine(out, *removed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    SectionFault fault;
    if (FindSectionFault(input, &fault)) {
        // Still run the passes, for the sanitizers' sake.
        std::vector<std::string> ignored;
        Uninstall(input, &ignored);
        return 0;
    }
    std::vector<std::string> removed;
    const std::string once = Uninstall(input, &removed);

    Check(IsSubsequence(Lines(once), Lines(input)), "a line was changed or added");
    if (input.find("\"tavir\"") == std::string_view::npos) {
        Check(once == input, "a text without the driver was changed");
        Check(removed.empty(), "an identifier was removed from a text without the driver");
    }
    for (const std::string& identifier : removed) {
        Check(input.find(identifier) != std::string_view::npos,
              "a removed identifier is not in the text");
    }

    std::vector<std::string> removedAgain;
    const std::string twice = Uninstall(once, &removedAgain);
    Check(twice == once, "a second run changed the text");
    Check(removedAgain.empty(), "a second run found a driver section");
    return 0;
}
