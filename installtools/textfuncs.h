// Text helpers shared by panelinstall and paneluninstall.
#ifndef INSTALLTOOLS_TEXTFUNCS_H
#define INSTALLTOOLS_TEXTFUNCS_H

#include <string>
#include <string_view>

// Prints "\n<Error|Warning> : [step]\n message\n" on standard error. An error
// (isError non-zero) ends the program with status 1; a warning returns the
// number of characters printed.
int PrntErr(int isError, const char* step, const char* message);

// Lower-cases every byte of text in place (C locale rules, so bytes of
// multi-byte characters are left alone).
void TolowerLine(std::string& text);

// The text from its first character that is neither a blank nor a tab. A text
// of nothing but blanks and tabs comes back whole.
std::string_view SearchFirst(std::string_view text);

// printf-style formatting into a string of whatever length it needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

#endif
