// Writing the device records back into the X server configuration file.
//
// The file is rewritten, not patched: every driver InputDevice section is
// dropped, one fresh section per written record follows the file's last
// InputDevice section, and in every ServerLayout section the lines naming a
// record are replaced by one line per enabled record. Everything else is
// copied byte for byte. The new text replaces the file in one step (see
// AtomicFileWriter), so the file holds either its old text or the complete
// new one, whatever happens during the write.
#ifndef PANELCONF_CONFIG_CONFIGWRITER_H
#define PANELCONF_CONFIG_CONFIGWRITER_H

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/atomicfile.h"
#include "config/linetokens.h"

// What the new driver sections are made of, handed over by the caller (Apply
// hands the program's deviceList, calibPointsNum, sendCoreEvents and screen
// size). The writer reaches for nothing else.
struct WriteValues {
    // The records (GList of DeviceRecord*), in list order.
    const GList* records = nullptr;
    uint8_t calibPointsNum = 0;
    uint8_t sendCoreEvents = 0;
    int screenWidth = 0;
    int screenHeight = 0;
};

// Where the driver sections of the file are, found by SearchSection and used
// by SetConfig to decide which sections to drop. No counter here can wrap:
// a file may hold any number of InputDevice sections, and a section any
// number of driver lines.
struct SectionMap {
    // InputDevice sections in the file.
    size_t inputDeviceCount = 0;
    // Driver "tavir" lines found inside them.
    size_t driverLineCount = 0;
    // For each driver line in file order, the 1-based ordinal (among the
    // file's InputDevice sections) of its section. A section with two driver
    // lines appears twice.
    std::vector<size_t> driverSections;

    void Clear();
};

// The new text on its way to the temporary file. Buffered, because the text
// is made of many short lines; a failed write is reported by the Write or
// Flush that meets it, with errno set, and every later call fails too.
// Without a file the text is only collected (Text()), which never fails.
class ConfigOutput {
public:
    explicit ConfigOutput(AtomicFileWriter* file = nullptr) : file_(file) {}
    ConfigOutput(const ConfigOutput&) = delete;
    ConfigOutput& operator=(const ConfigOutput&) = delete;

    bool Write(const char* data, size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    // Hands everything buffered to the file.
    bool Flush();
    // The collected text when there is no file.
    const std::string& Text() const { return buffer_; }

private:
    AtomicFileWriter* file_;
    std::string buffer_;
    bool failed_ = false;
};

// Fills the map from the file at path. 0, or -1 when the file cannot be read
// or an InputDevice section is not closed (reported on standard error or in
// the GLib log).
int SearchSection(const char* path, SectionMap* map);

// Reads one InputDevice section, just after its Section line, up to its
// EndSection and enters its driver lines into the map. -1 at the end of the
// file or at another Section line before the EndSection.
int SearchTavirDrv(cfgline::LineReader& input, SectionMap* map);

// Rewrites the file at path from the map and the values. 0, or -1 with the
// file untouched and no temporary file left; failures are logged.
int SetConfig(const char* path, const SectionMap& map, const WriteValues& values);

// Apply's write of the file: SearchSection, then SetConfig with its map.
// 0 when the file holds the new text; -1 when it still holds the old one,
// with *reason (when given) saying why in a few words: the system's error
// text, or what is wrong with the file. The console warnings are logged as
// ever.
int RewriteConfigFile(const char* path, const WriteValues& values, std::string* reason);

// The first reason a search or rewrite failed since ClearWriteFailure (or
// the start of RewriteConfigFile); empty when nothing failed.
const std::string& WriteFailureReason();
void ClearWriteFailure();

// Copies a kept InputDevice section whose Section line is header, then one
// blank line. header is written before anything further is read, so it may
// point into input's own buffer.
int WriteSection(cfgline::LineReader& input, ConfigOutput& output, std::string_view header);

// Skips a dropped driver section, just after its Section line.
int DelSection(cfgline::LineReader& input);

// Copies a ServerLayout section whose Section line is header: lines naming a
// record of records are dropped and, when listDevices is set, one line per
// enabled record is added before its EndSection.
int WriteSvrLayout(cfgline::LineReader& input, ConfigOutput& output, std::string_view header,
                   const GList* records, bool listDevices = true);

// Writes one section per record whose status is Enable or Disable.
int WriteInputSection(ConfigOutput& output, const WriteValues& values);

#endif
