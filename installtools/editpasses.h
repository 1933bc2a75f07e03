// The line editor behind panelinstall and paneluninstall: three passes over
// the text of an X server configuration file, each from one whole text to
// the next, so they run (and are tested) without touching any file.
#ifndef INSTALLTOOLS_EDITPASSES_H
#define INSTALLTOOLS_EDITPASSES_H

#include <string>
#include <string_view>
#include <vector>

// The line end the tools write into text: that of its first line that is
// neither blank nor without a line end, "\r\n" or "\n" (a last line ending
// in a bare CR counts as a CRLF line: it becomes one when the tools end it);
// otherwise when it has no such line. Blank lines are passed over because a stray "\r" or "\r\n"
// at the top of a file written with plain line ends (or a file of nothing
// but blank lines) says nothing about the file's own line end.
std::string_view FileLineEnd(std::string_view text, std::string_view otherwise = "\n");

// Where the sections of a text do not nest the way the passes read them.
// Line numbers count from 1.
struct SectionFault {
    size_t openedAt = 0;  // the Section line of the section left open
    size_t fault = 0;     // the Section line met inside it; 0: the text ends inside it
};

// Looks for a section that is not closed before the next Section line (of
// any kind; SubSections are part of their section and comments are not read)
// or before the end of the text. A driver section open at the end is no
// fault, since pass 1 drops it as if it were closed. Without such a check
// pass 1 would take everything from an unclosed section to the end of a
// following driver section for one section and drop it whole. True and
// fault filled for the first fault found.
bool FindSectionFault(std::string_view text, SectionFault* fault);

// What the tools say about such a fault in the file at path.
std::string SectionFaultMessage(const char* path, const SectionFault& fault);

// Pass 1: every InputDevice section whose Driver line names "tavir" (quoted,
// in exactly that case) is dropped, with one blank line beside it: the one
// after it when that is exactly the blank line pass 3 writes (the file's
// line end alone), else the one before it when that is, else the one after
// it if it is blank at all. So a section pass 3 wrote goes with exactly the
// line it brought. removedIdentifiers receives the identifier, quotes
// included, of every section dropped, in file order (a section without an
// Identifier line contributes none).
std::string DropDriverSections(std::string_view text, std::vector<std::string>* removedIdentifiers);

// Pass 2: drops every line that mentions InputDevice (any case) together
// with one of the removed identifiers (exact case). Every dropped panel's
// layout line goes: a layout naming a device that no section defines makes
// the X server refuse the whole file.
std::string DropLayoutLine(std::string_view text,
                           const std::vector<std::string>& removedIdentifiers);

// Pass 3: puts the default section(s) of DriverWrite4 after the first
// section that is not a ServerLayout, and closes every ServerLayout section
// with an InputDevice line for screenNum. A text without any such section
// gets the default section(s) at its end. Everything written takes the
// text's own line end (FileLineEnd, lineEndOtherwise for a text without
// one); a last line without a line end that the section(s) follow first gets
// one. layoutsClosed, when given, receives the number of ServerLayout
// sections that now name the panel.
std::string AddDriverSection(std::string_view text, int mode, int screenNum, int serialNum,
                             int* layoutsClosed = nullptr,
                             std::string_view lineEndOtherwise = "\n");

// The InputDevice line that ends each ServerLayout section, with its
// EndSection, each ended by lineEnd.
std::string LayoutLine(int screenNum, std::string_view lineEnd = "\n");

// What panelinstall's passes did besides the text.
struct InstallReport {
    std::vector<std::string> removedIdentifiers;  // as pass 1 gives them
    int layoutsClosed = 0;                        // ServerLayout sections naming the panel
};

// The three passes as panelinstall runs them on the text of a file. The
// line end of the file as read is the one written when the text that stays
// has none of its own (a file that held nothing but a CRLF driver section).
std::string InstallPasses(std::string_view text, int mode, int screenNum, int serialNum,
                          InstallReport* report);

// Passes 1 and 2 as paneluninstall runs them.
std::string UninstallPasses(std::string_view text);

#endif
