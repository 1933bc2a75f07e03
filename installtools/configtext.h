// Reading the configuration file whole, and the names the tools use for it.
#ifndef INSTALLTOOLS_CONFIGTEXT_H
#define INSTALLTOOLS_CONFIGTEXT_H

#include <string>

// Reads the whole of the regular file at path (a symbolic link is followed).
// False with errno set on failure; anything but a regular file (a device, a
// pipe, a directory) is refused with EINVAL, since the tools would replace
// it by a plain file.
bool ReadConfigText(const char* path, std::string* text);

// The directory part of path, "." when it has none.
std::string DirectoryPart(const std::string& path);

// C atoi's reading (leading blanks, a sign, digits; anything else gives 0),
// without its undefined behaviour on overflow: values out of range saturate.
int ArgToInt(const char* text);

#endif
