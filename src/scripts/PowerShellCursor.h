#pragma once

#include <cstddef>
#include <string_view>
#include <utility>

#include "scripts/PowerShellFindings.h"
#include "scripts/PowerShellText.h"
#include "scripts/ScriptCall.h"

namespace scripts {

// The PowerShell reader's position in a script, shared by its parts, and what it knows of the
// characters there: the layout PowerShell skips between tokens (spaces, line continuations,
// comments) and the shape of the token at a position. It only moves forward. An unclosed block
// comment and nesting deeper than kMaxDepth are reported to `found`; both move `pos` to the end
// of the text, so every reading loop stops there.
struct PowerShellCursor {
    // Nested brackets and pipelines read before the reader gives up on the rest of the text.
    static constexpr std::size_t kMaxDepth = 200;

    // Counts one level of nesting for as long as it lives; Ok() is false past kMaxDepth, and
    // then the reader must not descend.
    class Nesting {
    public:
        explicit Nesting(PowerShellCursor& owner) : cursor(owner), ok(owner.Enter()) {}
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;
        ~Nesting() { cursor.Leave(); }
        bool Ok() const { return ok; }

    private:
        PowerShellCursor& cursor;
        bool ok;
    };

    PowerShellCursor(std::string_view script, PowerShellFindings& findings)
        : source(script), text(script), found(findings) {}

    // True at the end of a command: the end of the text, a line end, ; ) } | or &&.
    bool AtCommandEnd() const;
    // Skips spaces, line continuations and <# #> comments on this line.
    void SkipInline();
    // SkipInline, and an escaped space ("` "), which PowerShell reads as space before a command.
    void SkipInlineBeforeCommand();
    // Skips spaces, comments and line ends.
    void SkipLines();
    // Skips spaces, comments, line ends and semicolons between statements.
    void SkipSeparators();
    // Skips a # comment up to its line end.
    void SkipLineComment();
    // Skips a <# #> comment starting at `pos`.
    void SkipBlockComment();
    // Skips a variable name, with a scope or drive such as env: before it.
    void SkipName();

    // The length of a here-string's opening at `at` ('@', a quote, spaces, a line end), 0 if
    // none starts there.
    std::size_t HereStringHeader(std::size_t at) const;
    // True when the '$' at `at` starts a variable reference: $( ), ${ }, $$, $?, $^ or $name.
    bool VariableAt(std::size_t at) const;
    // The end of the variable name starting at `at`, with a scope or drive such as env: before it.
    std::size_t NameEnd(std::size_t at) const;
    // The name in a plain $name or ${name} at `at` (an empty range when there is none); sets
    // `end` to the end of the variable.
    ByteRange PlainVariableAt(std::size_t at, std::size_t& end) const;
    // [begin, end) without the quotes around it, if it is one quoted string.
    std::pair<std::size_t, std::size_t> Interior(std::size_t begin, std::size_t end) const;

    std::string_view source;
    PowerShellText text;
    PowerShellFindings& found;
    std::size_t pos = 0;
    std::size_t depth = 0;
    bool tooDeep = false;
    // How many $( ) of a double-quoted string or of a bareword enclose the position (a $( ) of a
    // here-string starts again from 0): inside them PowerShell ends a double-quoted string at a
    // doubled quote as at a single one.
    std::size_t inTokenSubexpressions = 0;

private:
    bool Enter();
    void Leave() { --depth; }
};

}  // namespace scripts
