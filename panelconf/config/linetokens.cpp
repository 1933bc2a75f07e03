#include "linetokens.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace cfgline {

LineReader::~LineReader() { free(buffer_); }

bool LineReader::Next() {
    ssize_t n = getline(&buffer_, &capacity_, file_);
    if (n < 0) {
        length_ = 0;
        return false;
    }
    length_ = static_cast<size_t>(n);
    return true;
}

bool LineReader::Failed() const { return ferror(file_) != 0; }

static bool IsDelimiter(char c) { return c == ' ' || c == ',' || c == '\t'; }

Tokens Tokenize(const char* line, size_t length) {
    Tokens tokens;
    const char* end = static_cast<const char*>(memchr(line, '\0', length));
    if (end == nullptr) {
        end = line + length;
    }
    const char* p = line;
    while (tokens.count < Tokens::kMax) {
        while (p < end && IsDelimiter(*p)) {
            ++p;
        }
        if (p == end) {
            break;
        }
        const char* start = p;
        while (p < end && !IsDelimiter(*p)) {
            ++p;
        }
        tokens.token[tokens.count++].assign(start, p);
    }
    return tokens;
}

static char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t n = strlen(prefix);
    if (text.size() < n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool TokenIs(const Tokens& tokens, int i, const char* keyword) {
    return tokens.Has(i) && StartsWithNoCase(tokens[i], keyword);
}

bool FirstQuotedText(const char* line, size_t length, std::string* out) {
    // Like the tokens, the quoted text ends at a NUL byte: a name cut there
    // would be held (and written back) without its closing quote.
    const char* nul = static_cast<const char*>(memchr(line, '\0', length));
    if (nul != nullptr) {
        length = static_cast<size_t>(nul - line);
    }
    const char* open = static_cast<const char*>(memchr(line, '"', length));
    if (open == nullptr) {
        return false;
    }
    size_t rest = length - static_cast<size_t>(open - line) - 1;
    const char* close = static_cast<const char*>(memchr(open + 1, '"', rest));
    if (close == nullptr) {
        return false;
    }
    out->assign(open, close + 1);
    return true;
}

std::string OptionValueText(const char* line, size_t length) {
    const char* nul = static_cast<const char*>(memchr(line, '\0', length));
    const char* end = nul != nullptr ? nul : line + length;
    // Walk to the third token, as Tokenize splits the line.
    const char* p = line;
    for (int token = 0;; ++token) {
        while (p < end && IsDelimiter(*p)) {
            ++p;
        }
        if (p == end || token == 2) {
            break;
        }
        while (p < end && !IsDelimiter(*p)) {
            ++p;
        }
    }
    const char* tokenEnd = p;
    while (tokenEnd < end && !IsDelimiter(*tokenEnd)) {
        ++tokenEnd;
    }
    std::string text;
    if (p < end && *p == '"') {
        const char* close =
            static_cast<const char*>(memchr(p + 1, '"', static_cast<size_t>(end - p - 1)));
        if (close != nullptr) {
            return std::string(p + 1, close);
        }
        text.assign(p + 1, tokenEnd);  // no closing quote: the rest of the token
    } else {
        text.assign(p, tokenEnd);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

int32_t OptionNumber(const std::string& valueToken) {
    if (valueToken.size() < 2) {
        return 0;
    }
    // c_str() stops at the token's end; the token never holds a NUL byte.
    const char* digits = valueToken.c_str() + 1;
    errno = 0;
    long long value = strtoll(digits, nullptr, 10);
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

}  // namespace cfgline
