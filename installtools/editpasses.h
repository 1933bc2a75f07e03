// The line editor behind panelinstall and paneluninstall: three passes over
// the text of an X server configuration file, each from one whole text to
// the next, so they run (and are tested) without touching any file.
#ifndef INSTALLTOOLS_EDITPASSES_H
#define INSTALLTOOLS_EDITPASSES_H

#include <string>
#include <string_view>
#include <vector>

// Pass 1: every InputDevice section whose Driver line names "tavir" (quoted,
// in exactly that case) is dropped, with the blank line that separates it
// from what follows. removedIdentifiers receives the identifier, quotes
// included, of every section dropped, in file order (a section without an
// Identifier line contributes none).
std::string DropDriverSections(std::string_view text,
                               std::vector<std::string>* removedIdentifiers);

// Pass 2: drops every line that mentions InputDevice (any case) together
// with one of the removed identifiers (exact case). Every dropped panel's
// layout line goes: a layout naming a device that no section defines makes
// the X server refuse the whole file.
std::string DropLayoutLine(std::string_view text,
                           const std::vector<std::string>& removedIdentifiers);

// Pass 3: puts the default section(s) of DriverWrite4 after the first
// section that is not a ServerLayout, and closes every ServerLayout section
// with an InputDevice line for screenNum. A text without any such section
// gets the default section(s) at its end.
std::string AddDriverSection(std::string_view text, int mode, int screenNum, int serialNum);

// The InputDevice line that ends each ServerLayout section, with its
// EndSection.
std::string LayoutLine(int screenNum);

#endif
