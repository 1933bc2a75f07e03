#include "replyrule.h"

#include <cstdio>
#include <cstdlib>

const std::string kNulReply = std::string("A\0B\0\0C\r", 7);

namespace {

bool StartsWith(const std::string& text, const char* word) {
    std::string w = word;
    return text.compare(0, w.size(), w) == 0 && (text.size() == w.size() || text[w.size()] == ' ');
}

}  // namespace

std::string ReplyFor(const std::string& command, ReplyMode mode, long speed) {
    switch (mode) {
        case ReplyMode::kFlood:
            return std::string(kFloodBytes, 'F');
        case ReplyMode::kNul:
            return kNulReply;
        case ReplyMode::kSilent:
            return "";
        case ReplyMode::kReply:
            break;
    }
    if (StartsWith(command, "SAY")) {
        return (command.size() > 4 ? command.substr(4) : "") + "\r";
    }
    if (StartsWith(command, "LINES")) {
        long n = command.size() > 6 ? strtol(command.c_str() + 6, nullptr, 10) : 0;
        if (n < 0 || n > 1000) {
            return "ERR LINES\r";
        }
        std::string out;
        for (long i = 1; i <= n; ++i) {
            out += "LINE " + std::to_string(i) + "\r";
        }
        return out;
    }
    if (command == "SPEED") {
        return std::to_string(speed) + "\r";
    }
    if (command == "FLOOD") {
        return std::string(kFloodBytes, 'F');
    }
    if (command == "NUL") {
        return kNulReply;
    }
    return command.empty() ? "OK\r" : "OK " + command + "\r";
}

std::string Escape(const std::string& bytes, size_t limit) {
    std::string out;
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 || c > 0x7e || c == '\\' || c == '"') {
            char buf[8];
            snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (bytes.size() > limit) {
        out += "...";
    }
    return out;
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}
