// Toolkit-free pieces of the communication test: assembling one received line
// from the controller's bytes, making it showable, and the rows that one
// record of the driver's raw samples becomes.
#ifndef PANELCONF_DRIVERLINK_COMMLINES_H
#define PANELCONF_DRIVERLINK_COMMLINES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "driverlink/sharedblock.h"

// Bytes one received line may hold. A controller that sends more without a
// carriage return gets its bytes shown in pieces of this size.
constexpr size_t kCommLineCapacity = 256;

// The carriage return that ends every line in both directions.
constexpr unsigned char kCommLineEnd = 0x0D;

struct CommLine {
    size_t length;
    unsigned char bytes[kCommLineCapacity];
};

// Delivers the next received byte into *byte: 1 when there was one, 0 when
// nothing has arrived, -1 on a read error (treated like nothing).
using CommByteSource = int (*)(void* context, unsigned char* byte);

// Collects at most one line: reads byte by byte until nothing is there, a
// carriage return arrives (not kept), or the line is full. Bytes after the
// line stay in the source. Returns the line's length; 0 means no row.
size_t CollectCommLine(CommLine* line, CommByteSource source, void* context);

// The line as UTF-8 text for the receive list: valid UTF-8 is kept as it is;
// NUL bytes and bytes that are not valid UTF-8 become U+FFFD each.
std::string CommLineText(const unsigned char* bytes, size_t length);

// What the carriage-return-terminated command for the typed text is: the
// text, then one carriage return, no line feed.
std::string CommCommand(const char* text);

// One record of the driver's samples as it is listed: four lines of ten x
// values, four of ten y values ("%s%04d " each), then "result X:%04d Y:%04d".
// In the order they are added to the list, so the result line ends on top.
constexpr int kCommValuesPerLine = 10;
constexpr int kCommRecordLines = 2 * kCommSampleCount / kCommValuesPerLine + 1;
using CommRecordLines = std::array<std::string, kCommRecordLines>;

CommRecordLines FormatCommRecord(const CommSample (&samples)[kCommSampleCount], int32_t resultX,
                                 int32_t resultY);

#endif
