// The walk over a configuration file's sections that the reader and the
// writer's search share: every line is read, and at each Section line of
// an InputDevice or a ServerLayout section the caller reads that section on
// from just after its Section line.
#ifndef PANELCONF_CONFIG_SECTIONWALK_H
#define PANELCONF_CONFIG_SECTIONWALK_H

#include <functional>

#include "config/linetokens.h"

enum class SectionKind { kInputDevice, kServerLayout };

enum class WalkEnd {
    kEndOfFile,  // every line was read
    kReadError,  // reading failed (errno set); the caller reports it
    kStopped,    // a section's reader gave -1
};

// Reads the file through reader to its end. visit gets each section of the
// two kinds, the reader positioned just after its Section line, and returns
// 0 to go on or -1 to stop.
WalkEnd WalkSections(cfgline::LineReader& reader, const std::function<int(SectionKind)>& visit);

#endif
