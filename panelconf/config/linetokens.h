// Line-level syntax of the X server configuration file as the driver's tools
// read it: whole lines, tokens split at blanks, commas and tabs (the line end
// stays on the last token), keywords compared by prefix ignoring case, quoted
// names compared with their quotes.
#ifndef PANELCONF_CONFIG_LINETOKENS_H
#define PANELCONF_CONFIG_LINETOKENS_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace cfgline {

// Reads a file one whole line at a time, whatever its length, line end
// included. The bytes are kept exactly as read (NUL bytes too).
class LineReader {
public:
    explicit LineReader(FILE* file) : file_(file) {}
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Next line; false at the end of the file or on a read error.
    bool Next();
    // True when the last Next() failed because of a read error.
    bool Failed() const;

    const char* data() const { return buffer_; }
    size_t size() const { return length_; }

private:
    FILE* file_;
    char* buffer_ = nullptr;
    size_t capacity_ = 0;
    size_t length_ = 0;
};

// The first few tokens of a line. A token is a run of bytes other than blank,
// comma and tab; the newline is an ordinary byte, so the last token of a line
// carries it. A NUL byte ends the line for tokenising, as it would for the C
// string functions the format was designed around.
struct Tokens {
    static constexpr int kMax = 3;
    std::string token[kMax];
    int count = 0;

    const std::string& operator[](int i) const { return token[i]; }
    bool Has(int i) const { return i < count; }
};

Tokens Tokenize(const char* line, size_t length);
inline Tokens Tokenize(const std::string& line) { return Tokenize(line.data(), line.size()); }

// True when text begins with prefix, ASCII letters compared without case.
// Independent of the locale: a Turkish or Japanese locale must not change
// which keywords match.
bool StartsWithNoCase(const std::string& text, const char* prefix);

// True when token i exists and begins with the keyword (case ignored).
bool TokenIs(const Tokens& tokens, int i, const char* keyword);

// The line's first quoted text: from its first double quote up to and
// including the next one. False when the line has no such pair before its
// first NUL byte (if any).
bool FirstQuotedText(const char* line, size_t length, std::string* out);

// The value of an Option line as the file holds it, without its quotes: from
// the quote that opens the third token to the next quote of the line (so
// blanks inside the value are kept), or, for a value without quotes, the
// third token without its line end. Empty when the line has no third token.
std::string OptionValueText(const char* line, size_t length);

// Integer value of an option's value token: the text after its first
// character (the opening quote), read like C atol (leading blanks, sign,
// digits, stop at anything else; no digits give 0), saturated to the 32-bit
// range the values were designed for.
int32_t OptionNumber(const std::string& valueToken);

}  // namespace cfgline

#endif
