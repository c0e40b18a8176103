#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scripts {

// One element of a batch file as cmd.exe sees it after percent expansion, carets and quotes.
struct BatchUnit {
    enum class Kind {
        kChar,      // one character of the command text
        kVariable,  // a variable reference, as a whole (its value is unknown)
        kLineEnd,   // a line feed that ends the line (not one continued by "^")
        kEnd,       // the end of the text
    };
    Kind kind = Kind::kEnd;
    char c = 0;
    // kChar: taken literally: escaped by "^" outside quotes, or a "%" from "%%".
    bool escaped = false;
    // kChar, kVariable: inside double quotes (a quote character itself: the state before it).
    // kLineEnd, kEnd: the line ended inside double quotes.
    bool quoted = false;
    // kVariable: "%*".
    bool wholeList = false;
    // kEnd: a "^" continued the last line into the end of the text.
    bool caretAtEnd = false;
    // The bytes of the text the unit comes from (a "^" before it included); 1-based line and
    // the offset where that line starts.
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t line = 1;
    std::size_t lineStart = 0;

    // The character `which`, outside quotes and not escaped: where cmd.exe gives it a meaning.
    bool IsSpecial(char which) const { return kind == Kind::kChar && c == which && !escaped && !quoted; }
    // A space or tab outside quotes (escaped ones included: they still separate arguments).
    bool IsBlank() const { return kind == Kind::kChar && (c == ' ' || c == '\t') && !quoted; }
    bool EndsLine() const { return kind == Kind::kLineEnd || kind == Kind::kEnd; }
};

// Reads a batch file as cmd.exe does, one unit at a time, in a single pass: carriage returns
// vanish, percent references are read on their own line, "^" outside quotes escapes the next
// character or continues the line, double quotes switch quoting on and off until the line ends.
class BatchLexer {
public:
    explicit BatchLexer(std::string_view text);

    // The next unit, without consuming it.
    const BatchUnit& Peek() {
        if (!hasPeek) {
            peekStart = state;
            Produce(peeked);
            hasPeek = true;
        }
        return peeked;
    }
    // Consumes the next unit and returns it (valid until the next call).
    const BatchUnit& Next() {
        Peek();
        hasPeek = false;
        return peeked;
    }
    // Passes over bytes that can neither end a command nor change how the rest is read: no
    // line end, quote, percent, caret, "&", "|", "<", ">", parenthesis or quote of "for /f".
    void SkipPlainBytes();

    // The letters of the FOR variables in scope: "%%x" with one of them becomes a variable.
    void SetForVariables(const std::string& letters);
    // Drops the rest of the current line up to (not including) its line feed, as "rem" does.
    void SkipRestOfLine();
    // Whether the lexer stands at the very start of a line of text, nothing peeked.
    bool AtLineStart() const {
        return !hasPeek && !state.quoted && state.pos == state.lineStart && state.pos < text.size();
    }
    // The 1-based number of the line the lexer stands in.
    std::size_t Line() const { return state.line; }
    // From a line's start: passes over that line, its line feed included.
    void SkipLine();

private:
    struct State {
        std::size_t pos = 0;
        std::size_t line = 1;
        std::size_t lineStart = 0;
        bool quoted = false;
    };

    // A "^" read outside quotes, escaping what comes next.
    struct Escape {
        bool pending = false;
        std::size_t caret = 0;
    };

    void Produce(BatchUnit& unit);
    // Returns whether the line feed at the current position made a unit (not a continuation).
    bool ProduceLineFeed(BatchUnit& unit, Escape& escape);
    void ProduceChar(BatchUnit& unit, char c, bool escaped);
    void ProducePercent(BatchUnit& unit, std::size_t begin);
    void StartLine();
    // Rewinds to the start of the peeked unit, so that it is read again under new rules.
    void DropPeek();

    std::string_view text;
    std::string forLetters;
    State state;
    State peekStart;
    BatchUnit peeked;
    bool hasPeek = false;
};

}  // namespace scripts
