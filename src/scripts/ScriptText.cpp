#include "scripts/ScriptText.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "scripts/Utf8.h"

namespace scripts {

namespace {

constexpr std::string_view kUtf8Mark("\xEF\xBB\xBF", 3);
constexpr std::string_view kUtf16LeMark("\xFF\xFE", 2);
constexpr std::string_view kUtf16BeMark("\xFE\xFF", 2);
constexpr std::string_view kUtf32LeMark("\xFF\xFE\x00\x00", 4);
constexpr std::string_view kUtf32BeMark("\x00\x00\xFE\xFF", 4);
constexpr char32_t kReplacement = 0xFFFD;

bool StartsWith(const std::string& bytes, std::string_view mark) {
    return bytes.size() >= mark.size() && std::string_view(bytes).substr(0, mark.size()) == mark;
}

// NUL and the two placeholder bytes make a file binary for the readers.
bool IsRefused(char32_t c) {
    return c <= 2;
}

std::string RefusedByte(unsigned char byte, std::size_t offset) {
    const std::string what = byte == 0 ? "NUL" : byte == 1 ? "0x01" : "0x02";
    return "binary file (a " + what + " byte at offset " + std::to_string(offset) + ")";
}

std::string RefusedUnit(char32_t unit, std::size_t offset) {
    const std::string what = unit == 0 ? "NUL" : unit == 1 ? "U+0001" : "U+0002";
    return "binary file (a " + what + " character at offset " + std::to_string(offset) + ")";
}

using Block = std::uint8_t __attribute__((vector_size(16)));

// Finds a refused byte at or after `from`; sets `problem` and returns true when there is one.
// Every file is read this way, so 16 bytes are tested at a time until one may be refused.
bool HasRefusedByte(const std::string& bytes, std::size_t from, std::string& problem) {
    for (; from + sizeof(Block) <= bytes.size(); from += sizeof(Block)) {
        Block block;
        std::memcpy(&block, bytes.data() + from, sizeof(Block));
        const Block refused = block <= static_cast<std::uint8_t>(2);
        std::uint64_t halves[2];
        std::memcpy(halves, &refused, sizeof(halves));
        if ((halves[0] | halves[1]) != 0) {
            break;
        }
    }
    for (std::size_t i = from; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (IsRefused(byte)) {
            problem = RefusedByte(byte, i);
            return true;
        }
    }
    return false;
}

void AppendUnit(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

char32_t UnitAt(const std::string& bytes, std::size_t offset) {
    return static_cast<char32_t>(static_cast<unsigned char>(bytes[offset])) |
           (static_cast<char32_t>(static_cast<unsigned char>(bytes[offset + 1])) << 8);
}

// UTF-16 LE after the mark, to UTF-8 with lone surrogates kept as three-byte sequences.
bool DecodeUtf16(const std::string& bytes, std::string& text, std::string& problem) {
    text.reserve(bytes.size());
    std::size_t i = kUtf16LeMark.size();
    while (i < bytes.size()) {
        char32_t c = UnitAt(bytes, i);
        if (IsRefused(c)) {
            problem = RefusedUnit(c, i);
            return false;
        }
        i += 2;
        if (IsHighSurrogate(c) && i < bytes.size() && IsLowSurrogate(UnitAt(bytes, i))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (UnitAt(bytes, i) - 0xDC00);
            i += 2;
        }
        AppendUtf8(text, c);
    }
    return true;
}

bool IsContinuation(const std::string& text, std::size_t i) {
    return i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
}

unsigned char ByteAt(const std::string& text, std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// The code point at `i` and its length in bytes; surrogates encoded in three bytes are taken,
// and a byte that begins no valid sequence is U+FFFD of length 1.
std::pair<char32_t, std::size_t> CodePointAt(const std::string& text, std::size_t i) {
    const unsigned char b0 = ByteAt(text, i);
    const unsigned char b1 = ByteAt(text, i + 1);
    if (b0 < 0x80) {
        return {b0, 1};
    }
    if (b0 >= 0xC2 && b0 <= 0xDF && IsContinuation(text, i + 1)) {
        return {((b0 & 0x1FU) << 6) | (b1 & 0x3FU), 2};
    }
    const bool two = IsContinuation(text, i + 1) && IsContinuation(text, i + 2);
    if (b0 >= 0xE0 && b0 <= 0xEF && two && (b0 != 0xE0 || b1 >= 0xA0)) {
        return {((b0 & 0x0FU) << 12) | ((b1 & 0x3FU) << 6) | (ByteAt(text, i + 2) & 0x3FU), 3};
    }
    if (b0 >= 0xF0 && b0 <= 0xF4 && two && IsContinuation(text, i + 3) && (b0 != 0xF0 || b1 >= 0x90) &&
        (b0 != 0xF4 || b1 <= 0x8F)) {
        return {((b0 & 0x07U) << 18) | ((b1 & 0x3FU) << 12) | ((ByteAt(text, i + 2) & 0x3FU) << 6) |
                    (ByteAt(text, i + 3) & 0x3FU),
                4};
    }
    return {kReplacement, 1};
}

std::string EncodeUtf16(const std::string& text) {
    std::string bytes(kUtf16LeMark);
    bytes.reserve(kUtf16LeMark.size() + 2 * text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto [c, length] = CodePointAt(text, i);
        i += length;
        if (c >= 0x10000) {
            AppendUnit(bytes, 0xD800 + ((c - 0x10000) >> 10));
            AppendUnit(bytes, 0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            AppendUnit(bytes, c);
        }
    }
    return bytes;
}

}  // namespace

ScriptText::ScriptText(std::string decoded, ScriptEncoding fileEncoding)
    : text(std::move(decoded)), encoding(fileEncoding) {}

std::optional<ScriptText> ScriptText::Decode(std::string bytes, std::string& problem) {
    if (StartsWith(bytes, kUtf32BeMark) || StartsWith(bytes, kUtf32LeMark)) {
        problem = StartsWith(bytes, kUtf32BeMark) ? "UTF-32 BE text" : "UTF-32 LE text";
        return std::nullopt;
    }
    if (StartsWith(bytes, kUtf16BeMark)) {
        problem = "UTF-16 BE text";
        return std::nullopt;
    }
    if (StartsWith(bytes, kUtf16LeMark)) {
        if (bytes.size() % 2 != 0) {
            problem = "UTF-16 text with an odd number of bytes";
            return std::nullopt;
        }
        std::string text;
        if (!DecodeUtf16(bytes, text, problem)) {
            return std::nullopt;
        }
        return ScriptText(std::move(text), ScriptEncoding::kUtf16LeBom);
    }
    const bool mark = StartsWith(bytes, kUtf8Mark);
    if (HasRefusedByte(bytes, mark ? kUtf8Mark.size() : 0, problem)) {
        return std::nullopt;
    }
    if (mark) {
        return ScriptText(bytes.substr(kUtf8Mark.size()), ScriptEncoding::kUtf8Bom);
    }
    return ScriptText(std::move(bytes), ScriptEncoding::kBytes);
}

std::string ScriptText::Encode(const std::string& edited) const {
    switch (encoding) {
        case ScriptEncoding::kUtf8Bom:
            return std::string(kUtf8Mark) + edited;
        case ScriptEncoding::kUtf16LeBom:
            return EncodeUtf16(edited);
        case ScriptEncoding::kBytes:
            break;
    }
    return edited;
}

}  // namespace scripts
