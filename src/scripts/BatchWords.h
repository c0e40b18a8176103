#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scripts/BatchLexer.h"
#include "scripts/ScriptCall.h"

namespace scripts {

struct BatchRedirection {
    // From the handle digit or operator to the end of the target, as written.
    ByteRange range;
    // Standard output goes elsewhere (">", ">>", "1>", ">&2", ...).
    bool output = false;
};

// Words and command boundaries on top of BatchLexer, in the context of the command being read:
// whether it stands inside parentheses, and which quote closes the command of a "for /f".
class BatchWords {
public:
    BatchWords(BatchLexer& lexer, std::string_view text);

    // The lexer the words are read from.
    BatchLexer& Lexer() { return lexer; }
    // Whether the command stands inside parentheses, where an unquoted ")" ends it.
    void SetInBlock(bool value) { inBlock = value; }
    // `quote`: the character that ends a "for /f" command, or 0 outside one.
    void SetTerminator(char quote) { terminator = quote; }
    char Terminator() const { return terminator; }

    // The unit ends the command: a line end, "&", "|", a ")" inside parentheses, the terminator.
    bool EndsCommand(const BatchUnit& unit) const {
        return unit.EndsLine() || unit.IsSpecial('&') || unit.IsSpecial('|') || (inBlock && unit.IsSpecial(')')) ||
               IsTerminator(unit);
    }
    // The unit is the terminator of a "for /f" command.
    bool IsTerminator(const BatchUnit& unit) const {
        return terminator != 0 && unit.kind == BatchUnit::Kind::kChar && unit.c == terminator && !unit.quoted;
    }
    // Consumes spaces and tabs outside quotes.
    void SkipBlanks();
    // Reads one word into `word`: up to a blank, "<", ">" or the end of the command, and with
    // `stopAtEquals` an "=" too. A `commandWord` also ends at ",", ";" and "=" (even escaped,
    // as in Wine), and "if/i" and "start/b" end before the "/".
    void ReadWord(std::vector<BatchUnit>& word, bool stopAtEquals = false, bool commandWord = false);
    // The word's characters in lower case, "\x01" for a variable.
    const std::string& Text(const std::vector<BatchUnit>& word);
    // Consumes everything up to the end of the command.
    void SkipCommand();

    // The next unit starts a redirection: "<", ">", or a lone digit right before one (the caller
    // knows whether a word starts here).
    bool AtRedirection(bool wordStart);
    // Reads the redirection AtRedirection found: handle, operator and target.
    BatchRedirection ReadRedirection();

private:
    bool IsDigitBefore(const BatchUnit& unit, std::string_view follows) const;

    BatchLexer& lexer;
    std::string_view text;
    bool inBlock = false;
    char terminator = 0;
    std::string lowered;
    std::vector<BatchUnit> target;
};

}  // namespace scripts
