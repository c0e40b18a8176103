#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace scripts {

enum class QuoteKind { kNone, kSingle, kDouble };

// The character classes of PowerShell's tokenizer over a script's UTF-8 text; other bytes are
// ordinary characters. PowerShell also takes the typographic quotes and dashes for ' " and -.
// Every query takes a byte position and is defined past the end of the text.
class PowerShellText {
public:
    explicit PowerShellText(std::string_view script) : text(script) {}

    std::size_t Size() const { return text.size(); }
    // The byte at `pos`, or '\0' past the end.
    char At(std::size_t pos) const { return pos < text.size() ? text[pos] : '\0'; }
    // Bytes [begin, end), clamped to the text.
    std::string_view Slice(std::size_t begin, std::size_t end) const;

    // Length of the whitespace character at `pos`: space, tab, vertical tab, form feed, NUL, and
    // the Unicode spaces (no-break space, next line, the separators); 0 when there is none. Line
    // ends are not whitespace.
    std::size_t SpaceLength(std::size_t pos) const;
    // Length of the line end at `pos`: CR LF, LF or a lone CR; 0 when there is none.
    std::size_t NewlineLength(std::size_t pos) const;
    // Length of a backtick line continuation at `pos` (a backtick and a line end); 0 when none.
    std::size_t ContinuationLength(std::size_t pos) const;
    // Length of the quote of kind `kind` at `pos`: ' or " or a typographic one; 0 when none.
    std::size_t QuoteLength(std::size_t pos, QuoteKind kind) const;
    QuoteKind QuoteAt(std::size_t pos) const;
    // Length of the dash at `pos`: '-', en dash, em dash or horizontal bar; 0 when none.
    std::size_t DashLength(std::size_t pos) const;

    // True when the character at `pos` ends a bareword: whitespace, a line end, one of
    // ; , ( ) { } | & or the end of the text.
    bool EndsBareword(std::size_t pos) const;
    // True for a character of a variable name: an ASCII letter or digit, '_', or a non-ASCII
    // byte that begins no space, quote or dash.
    bool IsNameChar(std::size_t pos) const;
    // True when the text after a dash at `pos` makes the dash a unary operator at a statement's
    // start (-5, -.5, -$x, -(...), --$x, -not, -bnot, -split, -join); PowerShell reads any other
    // dash there as the start of a command name (-F, -.\old).
    bool StartsUnaryOperator(std::size_t pos) const;

private:
    std::uint32_t ThreeByte(std::size_t pos) const;

    std::string_view text;
};

}  // namespace scripts
