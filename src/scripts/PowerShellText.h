#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace scripts {

enum class QuoteKind { kNone, kSingle, kDouble };

namespace powershell_text {

// The ASCII bytes' classes, as bits: most scripts are ASCII, and the queries below are asked of
// nearly every byte, so they answer ASCII inline and leave the rest to functions of their own.
constexpr unsigned char kNameChar = 1;
constexpr unsigned char kEndsBareword = 2;

constexpr std::array<unsigned char, 128> MakeAsciiClass() {
    std::array<unsigned char, 128> classes{};
    for (unsigned c = 0; c < 128; ++c) {
        const bool name = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        classes[c] = name ? kNameChar : 0;
    }
    for (const char c : {' ', '\t', '\v', '\f', '\0', '\n', '\r', ';', ',', '(', ')', '{', '}', '|', '&'}) {
        classes[static_cast<unsigned char>(c)] = kEndsBareword;
    }
    return classes;
}

constexpr std::array<unsigned char, 128> kAsciiClass = MakeAsciiClass();

}  // namespace powershell_text

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
    std::size_t SpaceLength(std::size_t pos) const {
        const unsigned char c = Byte(pos);
        if (c < 0x80) {
            return c == ' ' || c == '\t' || c == '\v' || c == '\f' || (c == '\0' && pos < text.size()) ? 1 : 0;
        }
        return WideSpaceLength(pos);
    }
    // Length of the line end at `pos`: CR LF, LF or a lone CR; 0 when there is none.
    std::size_t NewlineLength(std::size_t pos) const {
        const char c = At(pos);
        if (c == '\n') {
            return 1;
        }
        return c == '\r' ? (At(pos + 1) == '\n' ? 2 : 1) : 0;
    }
    // Length of a backtick line continuation at `pos` (a backtick and a line end); 0 when none.
    std::size_t ContinuationLength(std::size_t pos) const;
    // Length of the quote of kind `kind` at `pos`: ' or " or a typographic one; 0 when none.
    std::size_t QuoteLength(std::size_t pos, QuoteKind kind) const;
    QuoteKind QuoteAt(std::size_t pos) const {
        const unsigned char c = Byte(pos);
        if (c == '\'') {
            return QuoteKind::kSingle;
        }
        if (c == '"') {
            return QuoteKind::kDouble;
        }
        return c < 0x80 ? QuoteKind::kNone : WideQuoteAt(pos);
    }
    // Length of the dash at `pos`: '-', en dash, em dash or horizontal bar; 0 when none.
    std::size_t DashLength(std::size_t pos) const;

    // True when the character at `pos` ends a bareword: whitespace, a line end, one of
    // ; , ( ) { } | & or the end of the text.
    bool EndsBareword(std::size_t pos) const {
        if (pos >= text.size()) {
            return true;
        }
        const unsigned char c = Byte(pos);
        return c < 0x80 ? (powershell_text::kAsciiClass[c] & powershell_text::kEndsBareword) != 0 : WideSpaceLength(pos) > 0;
    }
    // True for a character of a variable name: an ASCII letter or digit, '_', or a non-ASCII
    // byte that begins no space, quote or dash.
    bool IsNameChar(std::size_t pos) const {
        if (pos >= text.size()) {
            return false;
        }
        const unsigned char c = Byte(pos);
        return c < 0x80 ? (powershell_text::kAsciiClass[c] & powershell_text::kNameChar) != 0 : WideIsNameChar(pos);
    }
    // True when the text after a dash at `pos` makes the dash a unary operator at a statement's
    // start (-5, -.5, -$x, -(...), --$x, -not, -bnot, -split, -join); PowerShell reads any other
    // dash there as the start of a command name (-F, -.\old).
    bool StartsUnaryOperator(std::size_t pos) const;

private:

    unsigned char Byte(std::size_t pos) const { return static_cast<unsigned char>(At(pos)); }
    // The same queries for a byte outside ASCII.
    std::size_t WideSpaceLength(std::size_t pos) const;
    QuoteKind WideQuoteAt(std::size_t pos) const;
    bool WideIsNameChar(std::size_t pos) const;
    std::uint32_t ThreeByte(std::size_t pos) const;

    std::string_view text;
};

}  // namespace scripts
