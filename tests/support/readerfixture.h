// Reads a configuration text the way start-up does (start-up record, then
// the reader) and captures the GLib warnings it logs.
#ifndef TESTS_SUPPORT_READERFIXTURE_H
#define TESTS_SUPPORT_READERFIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devicerecord.h"

class ReaderFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes text to a scratch file, makes it configPath, makes the start-up
    // record and reads the file. Returns ReadConfigData's result.
    int Read(const std::string& text);
    // Reads an existing file.
    int ReadPath(const std::string& path);

    DeviceRecord* Record(size_t index);
    size_t RecordCount() const;
    std::vector<std::string> LayoutNames() const;
    std::string ScratchPath(const std::string& name) const;

    std::vector<std::string> warnings;
    std::string dir;
};

#endif
