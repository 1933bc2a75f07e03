#include "config/sectionwalk.h"

using cfgline::TokenIs;

WalkEnd WalkSections(cfgline::LineReader& reader, const std::function<int(SectionKind)>& visit) {
    while (reader.Next()) {
        const cfgline::Tokens tokens = cfgline::Tokenize(reader.data(), reader.size());
        if (!TokenIs(tokens, 0, "section")) {
            continue;
        }
        int result = 0;
        if (TokenIs(tokens, 1, "\"inputdevice\"")) {
            result = visit(SectionKind::kInputDevice);
        } else if (TokenIs(tokens, 1, "\"serverlayout\"")) {
            result = visit(SectionKind::kServerLayout);
        }
        if (result == -1) {
            return WalkEnd::kStopped;
        }
    }
    return reader.Failed() ? WalkEnd::kReadError : WalkEnd::kEndOfFile;
}
