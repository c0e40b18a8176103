#include "scripts/BatchPercent.h"

namespace scripts {

namespace {

bool IsModifier(char c) {
    switch (c) {
        case 'f': case 'd': case 'p': case 'n': case 'x': case 's': case 'a': case 't': case 'z':
        case 'F': case 'D': case 'P': case 'N': case 'X': case 'S': case 'A': case 'T': case 'Z':
            return true;
        default:
            return false;
    }
}

// The end of the modifiers starting at text[pos] (after "~"): letters, and "$NAME:" for a search
// along the variable NAME's folders.
std::size_t SkipModifiers(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsModifier(text[pos])) {
        ++pos;
    }
    if (pos < text.size() && text[pos] == '$') {
        std::size_t colon = pos + 1;
        while (colon < text.size() && text[colon] != ':' && text[colon] != '\n' && text[colon] != '%') {
            ++colon;
        }
        if (colon < text.size() && text[colon] == ':') {
            pos = colon + 1;
        }
    }
    return pos;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

PercentToken BatchPercent::Scan(std::string_view text, std::size_t pos) {
    PercentToken token;
    const std::size_t next = pos + 1;
    if (next >= text.size()) {
        return token;
    }
    const char c = text[next];
    if (c == '%') {
        token.kind = PercentToken::Kind::kLiteral;
        token.length = 2;
    } else if (c == '*') {
        token.kind = PercentToken::Kind::kVariable;
        token.length = 2;
        token.wholeList = true;
    } else if (IsDigit(c)) {
        token.kind = PercentToken::Kind::kVariable;
        token.length = 2;
    } else if (c == '~') {
        // Wine's cmd.exe keeps a "%~" that names no argument as written; Windows stops the script.
        const std::size_t end = SkipModifiers(text, next + 1);
        if (end < text.size() && IsDigit(text[end])) {
            token.kind = PercentToken::Kind::kVariable;
            token.length = end + 1 - pos;
        } else {
            token.kind = PercentToken::Kind::kLiteral;
        }
    } else if (c != '\n') {
        const std::size_t close = text.find_first_of("%\n", next);
        if (close != std::string_view::npos && text[close] == '%') {
            token.kind = PercentToken::Kind::kVariable;
            token.length = close + 1 - pos;
        }
    }
    return token;
}

std::size_t BatchPercent::ForVariableLength(std::string_view text, std::size_t pos, std::string_view letters) {
    std::size_t at = pos + 2;
    if (letters.empty() || at >= text.size()) {
        return 0;
    }
    if (text[at] != '~') {
        return letters.find(text[at]) != std::string_view::npos ? 3 : 0;
    }
    const std::size_t end = SkipModifiers(text, at + 1);
    if (end < text.size() && letters.find(text[end]) != std::string_view::npos) {
        return end + 1 - pos;
    }
    // "%%~dpa" with "a" declared: "a" is also a modifier, so the run took it; give it back.
    if (end > at + 1 && IsModifier(text[end - 1]) && letters.find(text[end - 1]) != std::string_view::npos) {
        return end - pos;
    }
    return 0;
}

}  // namespace scripts
