// The suite's version: printed by panelconf at start and on its Information
// page, and by every program's --version. Free of any dependency, so the
// installer tools include it too. Keep it equal to the project's VERSION in
// the top CMakeLists.txt (the configure step compares them).
#ifndef PANELCONF_VERSION_H
#define PANELCONF_VERSION_H

constexpr const char* kUtilityVersion = "4.0.0";

#endif
