#include "scripts/BatchLexer.h"

#include <array>

#include "scripts/BatchPercent.h"

namespace scripts {

namespace {

constexpr std::array<bool, 256> StopTable(std::string_view stops) {
    std::array<bool, 256> table{};
    for (const char c : stops) {
        table[static_cast<unsigned char>(c)] = true;
    }
    return table;
}

// Outside quotes every character cmd.exe gives a meaning to stops a run of plain bytes; inside
// quotes only those that still count there.
constexpr std::array<bool, 256> kStops = StopTable("\r\n\"%^&|<>()'`");
constexpr std::array<bool, 256> kQuotedStops = StopTable("\r\n\"%");

}  // namespace

BatchLexer::BatchLexer(std::string_view text) : text(text) {}

void BatchLexer::SkipPlainBytes() {
    if (hasPeek) {
        return;
    }
    const std::array<bool, 256>& stops = state.quoted ? kQuotedStops : kStops;
    std::size_t pos = state.pos;
    while (pos < text.size() && !stops[static_cast<unsigned char>(text[pos])]) {
        ++pos;
    }
    state.pos = pos;
}

void BatchLexer::SetForVariables(const std::string& letters) {
    DropPeek();
    forLetters = letters;
}

void BatchLexer::SkipRestOfLine() {
    DropPeek();
    const std::size_t lineFeed = text.find('\n', state.pos);
    state.pos = lineFeed == std::string_view::npos ? text.size() : lineFeed;
    state.quoted = false;
}

void BatchLexer::SkipLine() {
    const std::size_t lineFeed = text.find('\n', state.pos);
    if (lineFeed == std::string_view::npos) {
        state.pos = text.size();
        return;
    }
    state.pos = lineFeed + 1;
    StartLine();
}

void BatchLexer::DropPeek() {
    if (hasPeek) {
        state = peekStart;
        hasPeek = false;
    }
}

void BatchLexer::StartLine() {
    ++state.line;
    state.lineStart = state.pos;
}

void BatchLexer::Produce(BatchUnit& unit) {
    unit = BatchUnit();
    Escape escape;
    while (true) {
        const std::size_t pos = state.pos;
        unit.begin = escape.pending ? escape.caret : pos;
        unit.line = state.line;
        unit.lineStart = state.lineStart;
        if (pos >= text.size()) {
            unit.kind = BatchUnit::Kind::kEnd;
            unit.begin = unit.end = text.size();
            unit.quoted = state.quoted;
            unit.caretAtEnd = escape.pending;
            return;
        }
        const char c = text[pos];
        if (c == '\r') {
            ++state.pos;
        } else if (c == '\n') {
            if (ProduceLineFeed(unit, escape)) {
                return;
            }
        } else if (c == '%') {
            ProducePercent(unit, unit.begin);
            if (unit.kind != BatchUnit::Kind::kEnd) {
                return;
            }
            // A dropped "%": a pending "^" escapes what follows it.
        } else if (c == '^' && !state.quoted && !escape.pending) {
            escape = {true, pos};
            ++state.pos;
        } else {
            ProduceChar(unit, c, escape.pending);
            return;
        }
    }
}

bool BatchLexer::ProduceLineFeed(BatchUnit& unit, Escape& escape) {
    const std::size_t pos = state.pos;
    ++state.pos;
    StartLine();
    if (!escape.pending) {
        unit.kind = BatchUnit::Kind::kLineEnd;
        unit.end = pos + 1;
        unit.quoted = state.quoted;
        state.quoted = false;
        return true;
    }
    // A continued line. Before an empty line the caret escapes that line's line feed, which
    // stays in the command; otherwise Wine's cmd.exe takes the next line's first character as
    // it is.
    std::size_t next = state.pos;
    while (next < text.size() && text[next] == '\r') {
        ++next;
    }
    if (next < text.size() && text[next] == '\n') {
        state.pos = next;
        unit.line = state.line;
        unit.lineStart = state.lineStart;
        ProduceChar(unit, '\n', true);
        unit.begin = next;
        StartLine();
        return true;
    }
    escape = {next >= text.size(), text.size()};
    return false;
}

void BatchLexer::ProduceChar(BatchUnit& unit, char c, bool escaped) {
    unit.kind = BatchUnit::Kind::kChar;
    unit.c = c;
    unit.escaped = escaped;
    unit.quoted = state.quoted;
    unit.end = ++state.pos;
    if (c == '"' && !escaped) {
        unit.quoted = false;
        state.quoted = !state.quoted;
    }
}

void BatchLexer::ProducePercent(BatchUnit& unit, std::size_t begin) {
    const std::size_t pos = state.pos;
    unit.quoted = state.quoted;
    if (pos + 1 < text.size() && text[pos + 1] == '%') {
        const std::size_t length = BatchPercent::ForVariableLength(text, pos, forLetters);
        if (length > 0) {
            unit.kind = BatchUnit::Kind::kVariable;
            unit.end = pos + length;
            state.pos = unit.end;
            return;
        }
    }
    const PercentToken token = BatchPercent::Scan(text, pos);
    state.pos = pos + token.length;
    switch (token.kind) {
        case PercentToken::Kind::kVariable:
            unit.kind = BatchUnit::Kind::kVariable;
            unit.wholeList = token.wholeList;
            break;
        case PercentToken::Kind::kLiteral:
            unit.kind = BatchUnit::Kind::kChar;
            unit.c = '%';
            unit.escaped = true;
            break;
        case PercentToken::Kind::kDropped:
            unit.kind = BatchUnit::Kind::kEnd;
            return;
    }
    unit.begin = begin;
    unit.end = state.pos;
}

}  // namespace scripts
