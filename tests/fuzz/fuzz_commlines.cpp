// The communication test's toolkit-free pieces on arbitrary controller
// output and driver samples:
//  - line assembly: the input is a byte stream with pauses (the byte 0xFF
//    followed by 'P' stands for "nothing has arrived yet", 0xFF 'E' for a
//    read error); lines never exceed their capacity, hold exactly the bytes
//    received, in order, without carriage returns, and nothing is lost or
//    invented between calls;
//  - every collected line becomes valid UTF-8, unchanged when it was valid
//    UTF-8 without NUL bytes;
//  - a command is the text and one carriage return;
//  - a record of samples formats into eight rows of ten numbers and a result
//    row that read back to the very values.
#include <glib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driverlink/commlines.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "commlines property broken: %s\n", what);
        abort();
    }
}

struct Stream {
    const uint8_t* data;
    size_t size;
    size_t at;
    std::string delivered;  // every byte handed out, carriage returns too
};

int NextByte(void* context, unsigned char* byte) {
    auto* s = static_cast<Stream*>(context);
    if (s->at >= s->size) {
        return 0;
    }
    if (s->data[s->at] == 0xFF && s->at + 1 < s->size &&
        (s->data[s->at + 1] == 'P' || s->data[s->at + 1] == 'E')) {
        const bool error = s->data[s->at + 1] == 'E';
        s->at += 2;
        return error ? -1 : 0;
    }
    *byte = s->data[s->at++];
    s->delivered.push_back(static_cast<char>(*byte));
    return 1;
}

void CheckLines(const uint8_t* data, size_t size) {
    Stream stream{data, size, 0, {}};
    std::string rebuilt;  // the lines, each with the carriage return that ended it
    CommLine line;
    // Each call consumes at least one byte or pause marker until the end.
    for (size_t calls = 0; calls <= size + 1; ++calls) {
        const size_t before = stream.delivered.size();
        const size_t atBefore = stream.at;
        const size_t length = CollectCommLine(&line, NextByte, &stream);
        Check(length == line.length && length <= kCommLineCapacity, "line length");
        Check(memchr(line.bytes, kCommLineEnd, length) == nullptr, "carriage return kept");
        const std::string got(reinterpret_cast<const char*>(line.bytes), length);
        const std::string taken = stream.delivered.substr(before);
        const bool endedByReturn =
            !taken.empty() && taken.back() == static_cast<char>(kCommLineEnd);
        Check(taken == got || (endedByReturn && taken == got + '\r'), "bytes lost or invented");
        rebuilt += taken;

        const std::string text = CommLineText(line.bytes, length);
        Check(g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr),
              "shown text is not UTF-8");
        if (memchr(line.bytes, 0, length) == nullptr &&
            g_utf8_validate(got.data(), static_cast<gssize>(got.size()), nullptr)) {
            Check(text == got, "valid UTF-8 was changed");
        }
        if (stream.at == atBefore) {
            break;  // the end of the input
        }
    }
    Check(stream.at >= size, "the input was not used up");
    Check(rebuilt == stream.delivered, "bytes between lines lost");
}

void CheckRecord(const uint8_t* data, size_t size) {
    CommSample samples[kCommSampleCount] = {};
    int32_t result[2] = {0, 0};
    memcpy(samples, data, size < sizeof samples ? size : sizeof samples);
    if (size > sizeof samples) {
        size_t rest = size - sizeof samples;
        memcpy(result, data + sizeof samples, rest < sizeof result ? rest : sizeof result);
    }
    const CommRecordLines rows = FormatCommRecord(samples, result[0], result[1]);
    for (int row = 0; row < kCommRecordLines - 1; ++row) {
        const char* p = rows[row].c_str();
        for (int k = 0; k < kCommValuesPerLine; ++k) {
            const int i = (row % 4) * kCommValuesPerLine + k;
            const int32_t want = row < 4 ? samples[i].x : samples[i].y;
            char* end = nullptr;
            const long value = strtol(p, &end, 10);
            Check(end != p && value == want && *end == ' ', "sample row does not read back");
            Check(end - p >= 4, "sample shorter than four characters");
            p = end + 1;
        }
        Check(*p == '\0', "sample row too long");
    }
    int x = 0;
    int y = 0;
    int used = 0;
    const std::string& last = rows[kCommRecordLines - 1];
    Check(sscanf(last.c_str(), "result X:%d Y:%d%n", &x, &y, &used) == 2 &&
              static_cast<size_t>(used) == last.size() && x == result[0] && y == result[1],
          "result row does not read back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckLines(data, size);
    CheckRecord(data, size);

    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    Check(CommCommand(text.c_str()) == text + '\r', "command");
    return 0;
}
