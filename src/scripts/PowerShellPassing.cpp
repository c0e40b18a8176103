#include "scripts/PowerShellPassing.h"

#include "scripts/AsciiCase.h"

#include <cstddef>

#include "scripts/PowerShellText.h"
#include "scripts/ScriptCall.h"

namespace scripts {

namespace {

constexpr const char* kEmpty = "an empty argument, which Windows PowerShell 5.1 drops and PowerShell 7.3+ passes";
constexpr const char* kQuote =
    "an argument holds a double quote, which Windows PowerShell 5.1 and PowerShell 7.3+ pass differently";
constexpr const char* kTrailingBackslash =
    "an argument with a space ends in a backslash, which Windows PowerShell 5.1 passes with a stray quote";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Skips digits (or hex digits) from `i`; returns how many.
std::size_t SkipDigits(std::string_view token, std::size_t& i, bool hex) {
    const std::size_t start = i;
    while (i < token.size() && (hex ? IsHexDigit(token[i]) : IsDigit(token[i]))) {
        ++i;
    }
    return i - start;
}

// The decimal part: digits, an optional fraction and an optional exponent.
bool SkipDecimal(std::string_view token, std::size_t& i) {
    std::size_t digits = SkipDigits(token, i, false);
    if (i < token.size() && token[i] == '.') {
        ++i;
        digits += SkipDigits(token, i, false);
    }
    if (digits == 0) {
        return false;
    }
    if (i < token.size() && AsciiLower(token[i]) == 'e') {
        ++i;
        if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
            ++i;
        }
        return SkipDigits(token, i, false) > 0;
    }
    return true;
}

// Type suffixes (l d u y s n, as in 10l or 5ul) and multipliers (kb mb gb tb pb).
bool SkipSuffixes(std::string_view token, std::size_t& i) {
    for (int n = 0; n < 2 && i < token.size(); ++n) {
        const char c = AsciiLower(token[i]);
        if (c == 'l' || c == 'd' || c == 'u' || c == 'y' || c == 's' || c == 'n') {
            ++i;
        }
    }
    if (i + 1 < token.size() && AsciiLower(token[i + 1]) == 'b') {
        const char c = AsciiLower(token[i]);
        if (c == 'k' || c == 'm' || c == 'g' || c == 't' || c == 'p') {
            i += 2;
        }
    }
    return i == token.size();
}

}  // namespace

const char* PassingDifference(std::string_view value) {
    if (value.empty()) {
        return kEmpty;
    }
    const PowerShellText text(value);
    bool space = false;
    std::size_t i = 0;
    while (i < value.size()) {
        if (value[i] == kPlaceholderStart) {
            while (i < value.size() && value[i] != kPlaceholderEnd) {
                ++i;
            }
            ++i;
            continue;
        }
        if (value[i] == '"') {
            return kQuote;
        }
        space = space || text.SpaceLength(i) > 0 || text.NewlineLength(i) > 0;
        ++i;
    }
    return space && value.back() == '\\' ? kTrailingBackslash : nullptr;
}

bool IsNumberLiteral(std::string_view token) {
    std::size_t i = 0;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) {
        ++i;
    }
    if (i + 1 < token.size() && token[i] == '0' && AsciiLower(token[i + 1]) == 'x') {
        i += 2;
        if (SkipDigits(token, i, true) == 0) {
            return false;
        }
    } else if (!SkipDecimal(token, i)) {
        return false;
    }
    return SkipSuffixes(token, i);
}

}  // namespace scripts
