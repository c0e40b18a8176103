#include "scripts/BatchWords.h"

namespace scripts {

BatchWords::BatchWords(BatchLexer& lexer, std::string_view text) : lexer(lexer), text(text) {}

void BatchWords::SkipBlanks() {
    while (lexer.Peek().IsBlank()) {
        lexer.Next();
    }
}

void BatchWords::ReadWord(std::vector<BatchUnit>& word, bool stopAtEquals, bool commandWord) {
    word.clear();
    while (true) {
        const BatchUnit& unit = lexer.Peek();
        if (unit.IsBlank() || EndsCommand(unit) || unit.IsSpecial('<') || unit.IsSpecial('>') ||
            (stopAtEquals && unit.IsSpecial('='))) {
            return;
        }
        const bool separator = unit.kind == BatchUnit::Kind::kChar && !unit.quoted &&
                               (unit.c == ',' || unit.c == ';' || unit.c == '=');
        if (commandWord && separator) {
            return;
        }
        if (commandWord && unit.IsSpecial('/') && (word.size() == 2 || word.size() == 5)) {
            const std::string& keyword = Text(word);
            if (keyword == "if" || keyword == "start") {
                return;
            }
        }
        word.push_back(lexer.Next());
    }
}

const std::string& BatchWords::Text(const std::vector<BatchUnit>& word) {
    lowered.clear();
    for (const BatchUnit& unit : word) {
        char c = unit.kind == BatchUnit::Kind::kVariable ? '\x01' : unit.c;
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        lowered += c;
    }
    return lowered;
}

void BatchWords::SkipCommand() {
    while (true) {
        lexer.SkipPlainBytes();
        if (EndsCommand(lexer.Peek())) {
            return;
        }
        lexer.Next();
    }
}

bool BatchWords::IsDigitBefore(const BatchUnit& unit, std::string_view follows) const {
    return unit.kind == BatchUnit::Kind::kChar && !unit.escaped && !unit.quoted && unit.c >= '0' && unit.c <= '9' &&
           unit.end == unit.begin + 1 && unit.end < text.size() && follows.find(text[unit.end]) != std::string_view::npos;
}

bool BatchWords::AtRedirection(bool wordStart) {
    const BatchUnit& unit = lexer.Peek();
    return unit.IsSpecial('<') || unit.IsSpecial('>') || (wordStart && IsDigitBefore(unit, "<>"));
}

BatchRedirection BatchWords::ReadRedirection() {
    BatchRedirection redirection;
    BatchUnit unit = lexer.Next();
    redirection.range.begin = unit.begin;
    char handle = 0;
    if (unit.c != '<' && unit.c != '>') {
        handle = unit.c;
        unit = lexer.Next();
    }
    const char operation = unit.c;
    redirection.range.end = unit.end;
    if (operation == '>' && lexer.Peek().IsSpecial('>')) {
        redirection.range.end = lexer.Next().end;
    }
    if (lexer.Peek().IsSpecial('&')) {
        // ">&2", "2>&1": a handle; a "&" followed by anything else separates commands.
        const std::size_t after = lexer.Peek().end;
        if (after < text.size() && text[after] >= '0' && text[after] <= '9') {
            lexer.Next();
            redirection.range.end = lexer.Next().end;
        }
    } else {
        SkipBlanks();
        ReadWord(target);
        if (!target.empty()) {
            redirection.range.end = target.back().end;
        }
    }
    redirection.output = operation == '>' && (handle == 0 || handle == '1');
    return redirection;
}

}  // namespace scripts
