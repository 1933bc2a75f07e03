// What the configuration writer promises about the text it does not own,
// checked from outside: a model of the file's structure that knows only
// where the driver's sections and layout lines are, not how the writer
// copies anything.
#ifndef TESTS_FUZZ_WRITERCHECKS_H
#define TESTS_FUZZ_WRITERCHECKS_H

#include <optional>
#include <string>
#include <vector>

// The lines of text, each with its line end ('\n'); the last one may lack it.
std::vector<std::string> SplitLines(const std::string& text);

// The text with everything the writer may change taken out: InputDevice
// sections that hold a driver "tavir" line, blank lines directly after an
// InputDevice section (the writer's blank-line rule), and ServerLayout
// InputDevice lines that name one of identifiers (letter case ignored) or
// have no quoted name (the writer drops both kinds). The EndSection line of
// a kept InputDevice section counts with a line end, since the writer ends
// each copied section with one.
//
// No value when the writer must refuse the file: an InputDevice or
// ServerLayout section that meets the end of the file or another Section
// line before its EndSection.
std::optional<std::vector<std::string>> OutsideDriverText(
    const std::string& text, const std::vector<std::string>& identifiers);

// Number of InputDevice sections with a driver line, or -1 for a file the
// writer refuses.
int DriverSectionCount(const std::string& text);

#endif
