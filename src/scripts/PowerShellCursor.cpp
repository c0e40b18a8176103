#include "scripts/PowerShellCursor.h"

#include "scripts/PowerShellReasons.h"

namespace scripts {

bool PowerShellCursor::Enter() {
    if (++depth <= kMaxDepth) {
        return true;
    }
    if (!tooDeep) {
        tooDeep = true;
        found.Problem(pos, kTooDeep, true);
    }
    pos = text.Size();
    return false;
}

bool PowerShellCursor::AtCommandEnd() const {
    if (pos >= text.Size() || text.NewlineLength(pos) > 0) {
        return true;
    }
    const char c = text.At(pos);
    return c == ';' || c == ')' || c == '}' || c == '|' || (c == '&' && text.At(pos + 1) == '&');
}

void PowerShellCursor::SkipInlineBeforeCommand() {
    SkipInline();
    while (text.At(pos) == '`' && text.SpaceLength(pos + 1) > 0) {
        pos += 1 + text.SpaceLength(pos + 1);
        SkipInline();
    }
}

void PowerShellCursor::SkipInline() {
    while (pos < text.Size()) {
        std::size_t length = text.SpaceLength(pos);
        if (length == 0) {
            length = text.ContinuationLength(pos);
        }
        if (length > 0) {
            pos += length;
        } else if (text.At(pos) == '<' && text.At(pos + 1) == '#') {
            SkipBlockComment();
        } else {
            return;
        }
    }
}

void PowerShellCursor::SkipLines() {
    while (pos < text.Size()) {
        SkipInline();
        const std::size_t newline = text.NewlineLength(pos);
        if (newline > 0) {
            pos += newline;
        } else if (text.At(pos) == '#') {
            SkipLineComment();
        } else {
            return;
        }
    }
}

void PowerShellCursor::SkipSeparators() {
    SkipLines();
    while (text.At(pos) == ';') {
        ++pos;
        SkipLines();
    }
}

void PowerShellCursor::SkipLineComment() {
    while (pos < text.Size() && text.NewlineLength(pos) == 0) {
        ++pos;
    }
}

void PowerShellCursor::SkipBlockComment() {
    const std::size_t start = pos;
    const std::size_t end = source.find("#>", pos + 2);
    if (end == std::string_view::npos) {
        pos = text.Size();
        found.Problem(start, kUnclosedComment, true);
        return;
    }
    pos = end + 2;
}

std::size_t PowerShellCursor::HereStringHeader(std::size_t at) const {
    if (text.At(at) != '@') {
        return 0;
    }
    const std::size_t quote = text.QuoteLength(at + 1, text.QuoteAt(at + 1));
    if (quote == 0) {
        return 0;
    }
    std::size_t p = at + 1 + quote;
    while (text.SpaceLength(p) > 0) {
        p += text.SpaceLength(p);
    }
    const std::size_t newline = text.NewlineLength(p);
    return newline == 0 ? 0 : p + newline - at;
}

bool PowerShellCursor::VariableAt(std::size_t at) const {
    const char next = text.At(at + 1);
    return text.At(at) == '$' &&
           (next == '(' || next == '{' || next == '$' || next == '?' || next == '^' || text.IsNameChar(at + 1));
}

void PowerShellCursor::SkipName() {
    pos = NameEnd(pos);
}

std::size_t PowerShellCursor::NameEnd(std::size_t at) const {
    std::size_t end = at;
    while (text.IsNameChar(end)) {
        ++end;
    }
    if (text.At(end) == ':' && text.IsNameChar(end + 1)) {
        ++end;
        while (text.IsNameChar(end)) {
            ++end;
        }
    }
    return end;
}

ByteRange PowerShellCursor::PlainVariableAt(std::size_t at, std::size_t& end) const {
    end = at;
    if (text.At(at) != '$') {
        return {at, at};
    }
    if (text.At(at + 1) != '{') {
        end = NameEnd(at + 1);
        return {at + 1, end};
    }
    const std::size_t close = source.find('}', at + 2);
    if (close == std::string_view::npos) {
        return {at, at};
    }
    end = close + 1;
    return {at + 2, close};
}

std::pair<std::size_t, std::size_t> PowerShellCursor::Interior(std::size_t begin, std::size_t end) const {
    const QuoteKind kind = text.QuoteAt(begin);
    const std::size_t open = text.QuoteLength(begin, kind);
    if (open == 0) {
        return {begin, end};
    }
    for (const std::size_t close : {std::size_t{1}, std::size_t{3}}) {
        if (end >= begin + open + close && text.QuoteLength(end - close, kind) == close) {
            return {begin + open, end - close};
        }
    }
    return {begin + open, end};
}

}  // namespace scripts
