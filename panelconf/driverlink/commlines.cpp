#include "driverlink/commlines.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at bytes[0], 0 when there is none
// (overlong forms, surrogates and values above U+10FFFF are not well-formed).
size_t SequenceLength(const unsigned char* bytes, size_t available) {
    const unsigned char lead = bytes[0];
    if (lead >= 0x01 && lead <= 0x7F) {
        return 1;
    }
    size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0;
        } else if (lead == 0xED) {
            high = 0x9F;
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return 0;
    }
    if (available < length || bytes[1] < low || bytes[1] > high) {
        return 0;
    }
    for (size_t i = 2; i < length; ++i) {
        if (!IsContinuation(bytes[i])) {
            return 0;
        }
    }
    return length;
}

}  // namespace

size_t CollectCommLine(CommLine* line, CommByteSource source, void* context) {
    line->length = 0;
    while (line->length < kCommLineCapacity) {
        unsigned char byte = 0;
        if (source(context, &byte) != 1 || byte == kCommLineEnd) {
            break;
        }
        line->bytes[line->length++] = byte;
    }
    return line->length;
}

std::string CommLineText(const unsigned char* bytes, size_t length) {
    std::string text;
    text.reserve(length);
    size_t at = 0;
    while (at < length) {
        const size_t sequence = SequenceLength(bytes + at, length - at);
        if (sequence == 0) {
            text += kReplacement;
            ++at;
        } else {
            text.append(reinterpret_cast<const char*>(bytes + at), sequence);
            at += sequence;
        }
    }
    return text;
}

std::string CommCommand(const char* text) {
    std::string command = text != nullptr ? text : "";
    command += static_cast<char>(kCommLineEnd);
    return command;
}

CommRecordLines FormatCommRecord(const CommSample (&samples)[kCommSampleCount], int32_t resultX,
                                 int32_t resultY) {
    // Each row grows by "%s%04d " with itself as %s: the same text is
    // appended value by value, without copying the row through a fixed buffer.
    char line[kCommValuesPerLine * 12 + 1];
    CommRecordLines lines;
    int emitted = 0;
    for (int axis = 0; axis < 2; ++axis) {
        std::string row;
        for (int i = 0; i < kCommSampleCount; ++i) {
            const int32_t value = axis == 0 ? samples[i].x : samples[i].y;
            char number[16];
            snprintf(number, sizeof number, "%04d ", static_cast<int>(value));
            row += number;
            if ((i + 1) % kCommValuesPerLine == 0) {
                lines[emitted++] = row;
                row.clear();
            }
        }
    }
    snprintf(line, sizeof line, "result X:%04d Y:%04d", static_cast<int>(resultX),
             static_cast<int>(resultY));
    lines[emitted] = line;
    return lines;
}
