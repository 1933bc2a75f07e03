// Small things many tests need: a file's bytes, and what the X server's
// device query prints when screen 0's panel is loaded, or none is.
#ifndef TESTS_SUPPORT_TESTFILES_H
#define TESTS_SUPPORT_TESTFILES_H

#include <fstream>
#include <sstream>
#include <string>

// The file's bytes as they are now ("" when it cannot be read).
inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "xsetpointer -l" output with the panel of screen 0 loaded, and with no
// panel loaded.
constexpr const char* kLoadedScreen0 = "Virtual core pointer\nTAVIR TouchPanel0 pointer\n";
constexpr const char* kNothingLoaded = "Virtual core pointer\n";

#endif
