// Opening the configuration file for reading. Only a regular file (symbolic
// links followed) is ever read: a pipe would block the program for ever in
// open or read, and a device or a directory is no configuration.
#ifndef PANELCONF_CONFIG_REGULARFILE_H
#define PANELCONF_CONFIG_REGULARFILE_H

#include <cstdio>
#include <string>

// What a refused path other than a directory reports in place of the
// system's error text (a directory reports EISDIR's text).
constexpr const char* kNotRegularFileText = "Not a regular file";

// Opens path for reading when it is a regular file. On failure nullptr, with
// *reason the system's error text or kNotRegularFileText. Never blocks: the
// file is opened without waiting and looked at before anything is read.
FILE* OpenRegularFile(const char* path, std::string* reason);

// True when something exists at path (after following symbolic links) that
// is not a regular file. A missing path is not refused here: it is reported
// when it is read.
bool ExistsButNotRegular(const char* path);

#endif
