// Shared by the fuzz targets: the input as the configuration file, quiet
// logging, a clean state for every input.
#ifndef TESTS_FUZZ_FUZZSUPPORT_H
#define TESTS_FUZZ_FUZZSUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the input to a private scratch file and makes it configPath; the
// device state is reset before and after.
class ScratchConfig {
public:
    ScratchConfig(const uint8_t* data, size_t size);
    ~ScratchConfig();
    const std::string& path() const { return path_; }
    const std::string& dir() const { return dir_; }

private:
    std::string dir_;
    std::string path_;
};

// Reads a whole file; empty on failure.
std::string ReadWholeFile(const std::string& path);

#endif
