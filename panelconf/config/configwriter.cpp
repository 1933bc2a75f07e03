#include "config/configwriter.h"

#include <glib.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "config/driveroptions.h"
#include "config/regularfile.h"
#include "config/sectionwalk.h"
#include "devicerecord.h"

using cfgline::LineReader;
using cfgline::Tokenize;
using cfgline::TokenIs;
using cfgline::Tokens;
using namespace driveropts;

namespace {

// Enough to make a few hundred short lines cost one system call.
constexpr size_t kOutputChunk = 64 * 1024;

// Rewriting failures go to the GLib log, warning level, no domain.
void Warn(const char* format, ...) G_GNUC_PRINTF(1, 2);
void Warn(const char* format, ...) {
    va_list args;
    va_start(args, format);
    g_logv(nullptr, G_LOG_LEVEL_WARNING, format, args);
    va_end(args);
}

const char* ErrorText(int error) { return strerror(error); }

// The first reason the write failed since it was last cleared, for the
// user's message. The console warnings say more; this says why in a few
// words.
std::string writeFailure;

void NoteFailure(const char* reason) {
    if (writeFailure.empty()) {
        writeFailure = reason;
    }
}

// The system's reason, taken before anything else can change errno.
void NoteErrno() { NoteFailure(strerror(errno)); }

constexpr const char* kUnclosedSection = "A section has no EndSection before the next Section";

// Where a message of the section functions goes.
enum class Channel { kPerror, kWarning, kStderr };

void Report(Channel channel, const char* text) {
    switch (channel) {
        case Channel::kPerror:
            perror(text);
            break;
        case Channel::kWarning:
            Warn("%s", text);
            break;
        case Channel::kStderr:
            fputs(text, stderr);
            break;
    }
}

// A section ended before its EndSection: by a read error, or by the end of
// the file or the next Section line. Reports which, notes the reason, -1.
int SectionNotEnded(const LineReader& input, Channel readChannel, const char* readText,
                    Channel missingChannel, const char* missingText) {
    if (input.Failed()) {
        NoteErrno();
        Report(readChannel, readText);
    } else {
        NoteFailure(kUnclosedSection);
        Report(missingChannel, missingText);
    }
    return -1;
}
constexpr const char* kFileChanged = "The file changed while it was being rewritten";

// One argument of the section formats: a text or an integer.
struct FormatArg {
    FormatArg(const char* t) : text(t), isText(true) {}
    FormatArg(int n) : number(n) {}
    FormatArg(long n) : number(n) {}

    const char* text = nullptr;
    long number = 0;
    bool isText = false;
};

// Appends format with its conversions filled in. Knows exactly what the
// file's formats use: %s, %d and %ld, with an optional zero flag and width,
// and %%. Numbers are made here rather than by printf so that no locale can
// change a single byte of the file.
void AppendFormat(std::string& out, const char* format, std::initializer_list<FormatArg> args) {
    const FormatArg* arg = args.begin();
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            out.push_back(*p);
            continue;
        }
        ++p;
        if (*p == '%') {
            out.push_back('%');
            continue;
        }
        bool zeroPad = false;
        if (*p == '0') {
            zeroPad = true;
            ++p;
        }
        size_t width = 0;
        while (*p >= '0' && *p <= '9') {
            width = width * 10 + static_cast<size_t>(*p - '0');
            ++p;
        }
        if (*p == 'l') {
            ++p;
        }
        if (arg == args.end()) {
            return;  // a format with more conversions than values: stop short
        }
        char digits[32];
        const char* piece;
        size_t length;
        if (*p == 's' && arg->isText) {
            piece = arg->text != nullptr ? arg->text : "";
            length = strlen(piece);
        } else {
            std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, arg->number);
            piece = digits;
            length = static_cast<size_t>(r.ptr - digits);
        }
        ++arg;
        if (length < width) {
            size_t pad = width - length;
            if (zeroPad && piece == digits && digits[0] == '-') {
                out.push_back('-');
                ++piece;
                --length;
            }
            out.append(pad, zeroPad ? '0' : ' ');
        }
        out.append(piece, length);
        if (*p == '\0') {
            break;
        }
    }
}

std::string Format(const char* format, std::initializer_list<FormatArg> args) {
    std::string out;
    AppendFormat(out, format, args);
    return out;
}

bool IsSectionLine(const Tokens& tokens, const char* quotedName) {
    return TokenIs(tokens, 0, "section") && TokenIs(tokens, 1, quotedName);
}

bool IsDriverLine(const Tokens& tokens) {
    return TokenIs(tokens, 0, "driver") && TokenIs(tokens, 1, "\"tavir\"");
}

// A line of the form "Section ..." inside a section means the section before
// it was never closed: the file's sections do not nest.
bool StartsNewSection(const Tokens& tokens) { return TokenIs(tokens, 0, "section"); }

// Reads the rest of a section, handing each line before its EndSection to
// onLine. True at the EndSection; false at a Section line (the section was
// never closed) or at the end of the input.
template <typename OnLine>
bool ReadToEndSection(LineReader& input, const OnLine& onLine) {
    while (input.Next()) {
        const Tokens tokens = Tokenize(input.data(), input.size());
        if (TokenIs(tokens, 0, "endsection")) {
            return true;
        }
        if (StartsNewSection(tokens)) {
            return false;
        }
        onLine(tokens);
    }
    return false;
}

// The port and speed a record is written with. An index outside its table
// (no handler sets one, but a record is plain data) gives the value the
// reader gives for a text it does not know, never a read past the table.
const char* PortText(const DeviceRecord* record) {
    if (record->keptDevice != nullptr) {
        return record->keptDevice;  // a device the port table does not hold
    }
    int i = record->portIndex;
    return kPortDevices[(i >= 0 && i < kPortCount) ? i : kDefaultPortIndex];
}

int SpeedBaud(const DeviceRecord* record) {
    int i = record->speedIndex;
    return kSpeedBauds[(i >= 0 && i < kSpeedCount) ? i : kDefaultSpeedIndex];
}

// A kept value comes from a quoted string (no quote inside) or from a bare
// word. A bare word with a quote in it ("d\"v/e") cannot be put in quotes
// and read back the same, so it is written back bare, as the file had it.
bool Quotable(const char* value) { return strchr(value, '"') == nullptr; }

// The whole percent the file holds for a border ratio, rounded as the
// driver's tools always have. Saturates instead of overflowing.
int BorderPercent(float ratio) {
    double percent = (static_cast<double>(ratio) + 0.005) * 100;
    if (std::isnan(percent)) {
        return 0;
    }
    if (percent >= INT_MAX) {
        return INT_MAX;
    }
    if (percent <= INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(percent);
}

// The section of one record, complete.
std::string SectionText(const DeviceRecord* record, const WriteValues& values) {
    std::string out;
    out.reserve(8192);
    // A record without identifier (never made so, but plain data) still gets
    // a section the driver and the reader accept: the program's own name.
    std::string ownIdentifier;
    const char* identifier = record->identifier;
    if (identifier == nullptr) {
        ownIdentifier = Format(kOwnIdentifierFormat, {record->screenNo});
        identifier = ownIdentifier.c_str();
    }
    AppendFormat(out, "Section \"InputDevice\"\n\tIdentifier %s\n\tDriver     \"tavir\"\n",
                 {identifier});
    const char* port = PortText(record);
    for (const DriverOption& option : kDriverOptions) {
        if ((option.writers & kWriter) == 0) {
            continue;
        }
        const OptionColumn column = option.column;
        const char* name = option.name;
        switch (option.kind) {
            case OptionKind::kDevice:
                AppendOptionLine(out, kWriterStyle, column, name, port, Quotable(port));
                break;
            case OptionKind::kBaudRate:
                // USB sections have no speed.
                if (strcmp(port, kPortDevices[kUsbPortIndex]) == 0) {
                    break;
                }
                if (record->keptBaudRate != nullptr) {
                    // A speed the speed table does not hold, as the file had it.
                    AppendOptionLine(out, kWriterStyle, column, name, record->keptBaudRate,
                                     Quotable(record->keptBaudRate));
                } else {
                    AppendOptionLine(out, kWriterStyle, column, name, SpeedBaud(record));
                }
                break;
            case OptionKind::kSampling:
                AppendOptionLine(out, kWriterStyle, column, name, record->sampling);
                break;
            case OptionKind::kScreenNo:
                AppendOptionLine(out, kWriterStyle, column, name, record->screenNo);
                break;
            case OptionKind::kCalibPointsNum:
                AppendOptionLine(out, kWriterStyle, column, name, values.calibPointsNum);
                break;
            case OptionKind::kBorderRatio:
                AppendOptionLine(out, kWriterStyle, column, name,
                                 BorderPercent(record->borderRatio));
                break;
            case OptionKind::kCoefficients:
                // As many of each family as the point count uses; a count the
                // driver does not know has no coefficients of its own.
                for (const CoefficientFamily& family : kCoefficientFamilies) {
                    const int32_t* entries = CoefficientValues(record, family.field);
                    for (int n = 0; n < family.CountFor(values.calibPointsNum); ++n) {
                        AppendOptionLine(out, kWriterStyle, column,
                                         FamilyOptionName(family, n).c_str(), entries[n]);
                    }
                }
                break;
            case OptionKind::kSendCoreEvents:
                if (values.sendCoreEvents) {
                    AppendOptionLine(out, kWriterStyle, column, name, nullptr);
                }
                break;
            case OptionKind::kNumber:
                AppendOptionLine(out, kWriterStyle, column, name, record->settings[option.setting]);
                break;
            case OptionKind::kSwitch:
                AppendOptionLine(out, kWriterStyle, column, name,
                                 record->settings[option.setting] == 1 ? "1" : "0");
                break;
            case OptionKind::kLiveState:
                // The communication mode is a live state of the driver, never
                // a setting to start with.
                AppendOptionLine(out, kWriterStyle, column, name, "0");
                break;
            case OptionKind::kScreenWidth:
                AppendOptionLine(out, kWriterStyle, column, name, values.screenWidth);
                break;
            case OptionKind::kScreenHeight:
                AppendOptionLine(out, kWriterStyle, column, name, values.screenHeight);
                break;
            case OptionKind::kDebugOption:
                break;
        }
    }
    out += "EndSection\n\n";
    return out;
}

// True when the line's first quoted text names any device record, letter
// case ignored.
bool NamesDeviceRecord(const std::string& quoted, const GList* records) {
    for (const GList* node = records; node != nullptr; node = node->next) {
        const auto* record = static_cast<const DeviceRecord*>(node->data);
        if (record->identifier != nullptr &&
            g_ascii_strcasecmp(record->identifier, quoted.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

// Is the InputDevice section with this ordinal a driver section? The map's
// ordinals rise in file order; next is where the search goes on, so the
// whole walk over the file costs one pass over the map. Entries repeated
// for a section with several driver lines are stepped over together.
bool TakeDriverSection(const SectionMap& map, size_t ordinal, size_t* next) {
    const std::vector<size_t>& entries = map.driverSections;
    while (*next < entries.size() && entries[*next] < ordinal) {
        ++*next;
    }
    bool isDriver = *next < entries.size() && entries[*next] == ordinal;
    while (*next < entries.size() && entries[*next] == ordinal) {
        ++*next;
    }
    return isDriver;
}

}  // namespace

void SectionMap::Clear() {
    inputDeviceCount = 0;
    driverLineCount = 0;
    driverSections.clear();
}

bool ConfigOutput::Write(const char* data, size_t size) {
    if (failed_) {
        errno = EIO;
        return false;
    }
    buffer_.append(data, size);
    if (file_ != nullptr && buffer_.size() >= kOutputChunk) {
        return Flush();
    }
    return true;
}

bool ConfigOutput::Flush() {
    if (failed_) {
        errno = EIO;
        return false;
    }
    if (file_ == nullptr || buffer_.empty()) {
        return true;
    }
    if (!file_->Write(buffer_.data(), buffer_.size())) {
        failed_ = true;
        return false;
    }
    buffer_.clear();
    return true;
}

int SearchTavirDrv(LineReader& input, SectionMap* map) {
    const bool ended = ReadToEndSection(input, [map](const Tokens& tokens) {
        if (IsDriverLine(tokens)) {
            ++map->driverLineCount;
            map->driverSections.push_back(map->inputDeviceCount);
        }
    });
    if (ended) {
        return 0;
    }
    return SectionNotEnded(input, Channel::kPerror, "Search Tavir Driver", Channel::kWarning,
                           "Not Found \"InputDevice\" \"EndSection\"\n");
}

int SearchSection(const char* path, SectionMap* map) {
    map->Clear();
    std::string reason;
    FILE* file = OpenRegularFile(path, &reason);
    if (file == nullptr) {
        NoteFailure(reason.c_str());
        fprintf(stderr, "%s: %s\n", path, reason.c_str());
        return -1;
    }
    int result = 0;
    {
        LineReader reader(file);
        const WalkEnd end = WalkSections(reader, [&reader, map](SectionKind kind) {
            if (kind != SectionKind::kInputDevice) {
                return 0;
            }
            ++map->inputDeviceCount;
            return SearchTavirDrv(reader, map);
        });
        if (end == WalkEnd::kReadError) {
            NoteErrno();
            perror("Search Section");
        }
        result = end == WalkEnd::kEndOfFile ? 0 : -1;
    }
    if (fclose(file) != 0) {
        NoteErrno();
        perror("Close \"XF86Config\"");
        result = -1;
    }
    return result;
}

int WriteSection(LineReader& input, ConfigOutput& output, std::string_view header) {
    if (!output.Write(header)) {
        NoteErrno();
        perror("Write Section \"InputDevice\"");
        return -1;
    }
    while (input.Next()) {
        const Tokens tokens = Tokenize(input.data(), input.size());
        if (StartsNewSection(tokens)) {
            break;
        }
        if (!output.Write(input.data(), input.size())) {
            NoteErrno();
            perror("Write Section");
            return -1;
        }
        if (TokenIs(tokens, 0, "endsection")) {
            // The blank line that follows every copied section. An EndSection
            // that ends the file without a line end gets its line end first,
            // or the next rewrite would see one blank line more.
            const bool lineEnded = input.size() > 0 && input.data()[input.size() - 1] == '\n';
            if (!output.Write("\n\n", lineEnded ? 1 : 2)) {
                NoteErrno();
                perror("Write Section");
                return -1;
            }
            return 0;
        }
    }
    return SectionNotEnded(input, Channel::kPerror, "Wirte Section", Channel::kStderr,
                           "Not Found \"EndSection\"\n");
}

int DelSection(LineReader& input) {
    if (ReadToEndSection(input, [](const Tokens&) {})) {
        return 0;
    }
    return SectionNotEnded(input, Channel::kPerror, "Delete Section", Channel::kStderr,
                           "Not Found \"EndSection\"\n");
}

int WriteSvrLayout(LineReader& input, ConfigOutput& output, std::string_view header,
                   const GList* records, bool listDevices) {
    if (!output.Write(header)) {
        NoteErrno();
        Warn("Write Section \"ServerLayout\": %s\n", ErrorText(errno));
        return -1;
    }
    while (input.Next()) {
        const Tokens tokens = Tokenize(input.data(), input.size());
        if (TokenIs(tokens, 0, "endsection")) {
            if (listDevices) {
                // One line per device: a panel with a serial and a USB
                // section under one identifier is still one device of the
                // layout. Identifiers match as the layout lines are matched.
                std::vector<std::string> listed;
                for (const GList* node = records; node != nullptr; node = node->next) {
                    const auto* record = static_cast<const DeviceRecord*>(node->data);
                    if (record->status != kStatusEnable) {
                        continue;
                    }
                    std::string identifier = record->identifier != nullptr
                                                 ? std::string(record->identifier)
                                                 : Format(kOwnIdentifierFormat, {record->screenNo});
                    bool already = false;
                    for (const std::string& earlier : listed) {
                        already =
                            already || g_ascii_strcasecmp(earlier.c_str(), identifier.c_str()) == 0;
                    }
                    if (already) {
                        continue;
                    }
                    listed.push_back(identifier);
                    if (!output.Write(Format("\tInputDevice\t%s\n", {identifier.c_str()}))) {
                        NoteErrno();
                        Warn("Write Section \"SeverLayout\": %s\n", ErrorText(errno));
                        return -1;
                    }
                }
            }
            if (!output.Write(input.data(), input.size())) {
                NoteErrno();
                Warn("Write \"EndSection\" into \"ServerLayout\" Section: %s\n", ErrorText(errno));
                return -1;
            }
            return 0;
        }
        if (StartsNewSection(tokens)) {
            break;
        }
        if (TokenIs(tokens, 0, "inputdevice")) {
            std::string quoted;
            if (!cfgline::FirstQuotedText(input.data(), input.size(), &quoted) ||
                NamesDeviceRecord(quoted, records)) {
                continue;
            }
        }
        if (!output.Write(input.data(), input.size())) {
            NoteErrno();
            Warn("Write Section \"SeverLayout\": %s\n", ErrorText(errno));
            return -1;
        }
    }
    return SectionNotEnded(input, Channel::kWarning, "Read Section \"ServerLayout\": Failed.",
                           Channel::kWarning, "Not Found \"EndSection\"\n");
}

int WriteInputSection(ConfigOutput& output, const WriteValues& values) {
    for (const GList* node = values.records; node != nullptr; node = node->next) {
        const auto* record = static_cast<const DeviceRecord*>(node->data);
        if (record->status == kStatusUndeclared) {
            continue;
        }
        if (!output.Write(SectionText(record, values))) {
            NoteErrno();
            return -1;
        }
    }
    return 0;
}

namespace {

// The first stage: the whole new text from the open configuration file into
// output. 0 or -1; failures are reported here or by the section functions.
int CopyWithNewSections(FILE* file, ConfigOutput& output, const char* path, const SectionMap& map,
                        const WriteValues& values) {
    LineReader reader(file);
    size_t sectionCount = 0;
    size_t nextEntry = 0;
    bool dropBlankLines = false;
    // With no InputDevice section in the file no driver section gets
    // written, so the layout must not name one: X refuses a layout that
    // names an undefined input device.
    const bool listDevices = map.inputDeviceCount > 0;

    while (true) {
        if (!reader.Next()) {
            if (reader.Failed()) {
                NoteErrno();
                Warn("Read Error: %s\n", ErrorText(errno));
                return -1;
            }
            break;
        }
        const Tokens tokens = Tokenize(reader.data(), reader.size());
        if (dropBlankLines && tokens.Has(0) && tokens[0][0] == '\n') {
            continue;
        }
        dropBlankLines = false;

        std::string_view line(reader.data(), reader.size());
        if (IsSectionLine(tokens, "\"serverlayout\"")) {
            if (WriteSvrLayout(reader, output, line, values.records, listDevices) != 0) {
                return -1;
            }
            continue;
        }
        if (IsSectionLine(tokens, "\"inputdevice\"")) {
            ++sectionCount;
            dropBlankLines = true;
            int result = TakeDriverSection(map, sectionCount, &nextEntry)
                             ? DelSection(reader)
                             : WriteSection(reader, output, line);
            if (result != 0) {
                return -1;
            }
            if (sectionCount == map.inputDeviceCount && WriteInputSection(output, values) != 0) {
                Warn("Write Error: %s\n", ErrorText(errno));
                return -1;
            }
            continue;
        }
        if (!output.Write(line)) {
            NoteErrno();
            Warn("Write Error: %s\n", ErrorText(errno));
            return -1;
        }
    }
    if (sectionCount != map.inputDeviceCount) {
        // The map does not describe this file (it changed since it was
        // searched, or the search failed): the driver sections would be
        // dropped or written in the wrong place.
        NoteFailure(kFileChanged);
        Warn("%s: InputDevice sections changed since the search; not rewritten\n", path);
        return -1;
    }
    if (!output.Flush()) {
        NoteErrno();
        Warn("Write Error: %s\n", ErrorText(errno));
        return -1;
    }
    return 0;
}

}  // namespace

const std::string& WriteFailureReason() { return writeFailure; }

void ClearWriteFailure() { writeFailure.clear(); }

int RewriteConfigFile(const char* path, const WriteValues& values, std::string* reason) {
    ClearWriteFailure();
    SectionMap map;
    // SetConfig runs whatever the search gave: it refuses a map that does
    // not describe the file, and reports that itself.
    const int searched = SearchSection(path, &map);
    const int written = SetConfig(path, map, values);
    const int result = searched == 0 && written == 0 ? 0 : -1;
    if (result != 0 && reason != nullptr) {
        *reason = writeFailure.empty() ? std::string("Unknown error") : writeFailure;
    }
    return result;
}

int SetConfig(const char* path, const SectionMap& map, const WriteValues& values) {
    std::string reason;
    FILE* file = OpenRegularFile(path, &reason);
    if (file == nullptr) {
        NoteFailure(reason.c_str());
        Warn("%s: %s\n", path, reason.c_str());
        return -1;
    }
    // The temporary file lives beside the file it replaces, so the final
    // rename never crosses file systems.
    AtomicFileWriter temporary;
    if (!temporary.Open(path, "gtpXXXXXX")) {
        NoteErrno();
        // The directory is named: it is the directory, not the file, that
        // has to be writable.
        const int error = errno;
        const std::string& directory = temporary.Directory();
        Warn("cpTmpFileName: %s (directory %s)\n", ErrorText(error), directory.c_str());
        if (fclose(file) != 0) {
            Warn("Close \"XF86Config\": %s\n", ErrorText(errno));
        }
        return -1;
    }

    ConfigOutput output(&temporary);
    int result = CopyWithNewSections(file, output, path, map, values);
    if (fclose(file) != 0) {
        NoteErrno();
        Warn("%s: %s\n", path, ErrorText(errno));
        result = -1;
    }
    if (result != 0) {
        temporary.Abort();
        return -1;
    }
    if (!temporary.Commit()) {
        NoteErrno();
        int error = errno;
        if (temporary.Error().compare(0, 5, "close") == 0) {
            Warn("Temporary file: %s\n", ErrorText(error));
        } else {
            Warn("Write \"%s\": %s\n", path, ErrorText(error));
        }
        return -1;
    }
    return 0;
}
