#include "textfuncs.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

int PrntErr(int isError, const char* step, const char* message) {
    int printed =
        fprintf(stderr, "\n%s : [%s]\n %s\n", isError ? "Error" : "Warning", step, message);
    if (isError) {
        exit(1);
    }
    return printed;
}

void TolowerLine(std::string& text) {
    for (char& c : text) {
        // Through unsigned char: bytes above 127 (UTF-8 comments) are valid
        // input and must not reach tolower as negative values.
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    }
}

std::string_view SearchFirst(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return text;
    }
    return text.substr(first);
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        vsnprintf(buffer.data(), buffer.size(), format, again);
        out.assign(buffer.data(), static_cast<size_t>(needed));
    }
    va_end(again);
    return out;
}
