#include "scripts/PowerShellText.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "scripts/AsciiCase.h"

namespace scripts {

namespace {

// Code points of the three-byte UTF-8 characters PowerShell gives a meaning.
constexpr std::uint32_t kEnDash = 0x2013;
constexpr std::uint32_t kHorizontalBar = 0x2015;
constexpr std::uint32_t kSingleQuoteFirst = 0x2018;
constexpr std::uint32_t kSingleQuoteLast = 0x201B;
constexpr std::uint32_t kDoubleQuoteFirst = 0x201C;
constexpr std::uint32_t kDoubleQuoteLast = 0x201E;

bool IsUnicodeSeparator(std::uint32_t c) {
    return c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

}  // namespace

std::string_view PowerShellText::Slice(std::size_t begin, std::size_t end) const {
    if (begin >= text.size() || end <= begin) {
        return {};
    }
    return text.substr(begin, end - begin);
}

// The code point of a well-formed three-byte sequence at `pos`, or 0.
std::uint32_t PowerShellText::ThreeByte(std::size_t pos) const {
    // Asked at nearly every character, which is nearly always ASCII: the first byte decides.
    const auto b0 = static_cast<unsigned char>(At(pos));
    if ((b0 & 0xF0) != 0xE0) {
        return 0;
    }
    const auto b1 = static_cast<unsigned char>(At(pos + 1));
    const auto b2 = static_cast<unsigned char>(At(pos + 2));
    if ((b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80) {
        return 0;
    }
    return ((b0 & 0x0FU) << 12) | ((b1 & 0x3FU) << 6) | (b2 & 0x3FU);
}

std::size_t PowerShellText::WideSpaceLength(std::size_t pos) const {
    if (At(pos) == '\xC2') {
        const auto next = static_cast<unsigned char>(At(pos + 1));
        return next == 0xA0 || next == 0x85 ? 2 : 0;
    }
    return IsUnicodeSeparator(ThreeByte(pos)) ? 3 : 0;
}

QuoteKind PowerShellText::WideQuoteAt(std::size_t pos) const {
    if (QuoteLength(pos, QuoteKind::kSingle) > 0) {
        return QuoteKind::kSingle;
    }
    return QuoteLength(pos, QuoteKind::kDouble) > 0 ? QuoteKind::kDouble : QuoteKind::kNone;
}

bool PowerShellText::WideIsNameChar(std::size_t pos) const {
    return WideSpaceLength(pos) == 0 && WideQuoteAt(pos) == QuoteKind::kNone && DashLength(pos) == 0;
}

std::size_t PowerShellText::ContinuationLength(std::size_t pos) const {
    if (At(pos) != '`') {
        return 0;
    }
    const std::size_t newline = NewlineLength(pos + 1);
    return newline == 0 ? 0 : 1 + newline;
}

std::size_t PowerShellText::QuoteLength(std::size_t pos, QuoteKind kind) const {
    if (kind == QuoteKind::kNone) {
        return 0;
    }
    const char ascii = kind == QuoteKind::kSingle ? '\'' : '"';
    if (At(pos) == ascii) {
        return 1;
    }
    const auto c = ThreeByte(pos);
    const bool typographic = kind == QuoteKind::kSingle ? c >= kSingleQuoteFirst && c <= kSingleQuoteLast
                                                        : c >= kDoubleQuoteFirst && c <= kDoubleQuoteLast;
    return typographic ? 3 : 0;
}

std::size_t PowerShellText::DashLength(std::size_t pos) const {
    if (At(pos) == '-') {
        return 1;
    }
    const auto c = ThreeByte(pos);
    return c >= kEnDash && c <= kHorizontalBar ? 3 : 0;
}

bool PowerShellText::StartsUnaryOperator(std::size_t pos) const {
    const char c = At(pos);
    if (c == '.') {
        return At(pos + 1) >= '0' && At(pos + 1) <= '9';
    }
    if (!IsNameChar(pos) || (c >= '0' && c <= '9')) {
        return true;
    }
    std::size_t end = pos;
    while (IsNameChar(end)) {
        ++end;
    }
    const std::string_view word = Slice(pos, end);
    constexpr std::array<std::string_view, 6> kUnary = {"not", "bnot", "split", "isplit", "csplit", "join"};
    return std::any_of(kUnary.begin(), kUnary.end(), [word](std::string_view unary) { return EqualsIgnoringCase(word, unary); });
}

}  // namespace scripts
