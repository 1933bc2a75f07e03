// What the controller stand-in answers to one command. Pure text in, bytes
// out, so the rule can be tested without a terminal.
#ifndef TOOLS_SERIALSIM_REPLYRULE_H
#define TOOLS_SERIALSIM_REPLYRULE_H

#include <string>

enum class ReplyMode {
    kReply,   // the rule below
    kFlood,   // every command: 1 MiB of 'F' without a carriage return
    kNul,     // every command: the NUL reply
    kSilent,  // no reply at all
};

constexpr size_t kFloodBytes = 1024 * 1024;
// The NUL reply: letters and NUL bytes, then a carriage return.
extern const std::string kNulReply;

// The reply to `command` (the bytes before the carriage return, line feeds
// already dropped) on a line running at `speed` baud:
//   "SAY <text>"  -> "<text>\r" ("SAY" alone gives a bare "\r")
//   "LINES <n>"   -> "LINE 1\r" ... "LINE n\r" (n from 0 to 1000)
//   "SPEED"       -> "<speed>\r"
//   "FLOOD"       -> kFloodBytes of 'F', no carriage return
//   "NUL"         -> kNulReply
//   anything else -> "OK\r" for an empty command, "OK <command>\r" otherwise
std::string ReplyFor(const std::string& command, ReplyMode mode, long speed);

// A printable rendering for the log: bytes outside 0x20..0x7e, and the
// backslash and double quote, as \xNN.
std::string Escape(const std::string& bytes, size_t limit = 80);
// Lower-case hex of every byte, no separators.
std::string Hex(const std::string& bytes);

#endif
