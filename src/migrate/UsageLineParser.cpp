#include "migrate/UsageLineParser.h"

#include <algorithm>
#include <cstring>

#include "scripts/Utf8.h"

namespace migrate {
namespace {

constexpr int kMaxDepth = 64;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ReadHex4(std::string_view text, std::size_t at, unsigned& value) {
    if (at + 4 > text.size()) {
        return false;
    }
    value = 0;
    for (std::size_t i = at; i < at + 4; ++i) {
        const int digit = HexValue(text[i]);
        if (digit < 0) {
            return false;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return true;
}

// The text between a string's quotes, its escapes decoded; false when one is malformed.
bool DecodeEscapes(std::string_view raw, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const std::size_t run = std::min(raw.find('\\', i), raw.size());
        const std::string_view plain = raw.substr(i, run - i);
        if (std::any_of(plain.begin(), plain.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
            return false;  // a control character must be escaped
        }
        out.append(raw, i, run - i);
        i = run;
        if (i == raw.size()) {
            break;
        }
        if (++i >= raw.size()) {
            return false;
        }
        switch (raw[i]) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned code = 0;
                if (!ReadHex4(raw, i + 1, code)) {
                    return false;
                }
                i += 4;
                unsigned low = 0;
                if (code >= 0xD800 && code <= 0xDBFF && i + 2 < raw.size() && raw[i + 1] == '\\' &&
                    raw[i + 2] == 'u' && ReadHex4(raw, i + 3, low) && low >= 0xDC00 && low <= 0xDFFF) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    i += 6;
                } else if (code >= 0xD800 && code <= 0xDFFF) {
                    code = 0xFFFD;
                }
                scripts::AppendUtf8(out, code);
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

}  // namespace

// Reads an object's members, from just after its "{" to its "}": `member(key)` reads each value.
template <typename Member>
bool UsageLineParser::Members(Member member) {
    SkipSpace();
    if (Take('}')) {
        return true;
    }
    do {
        SkipSpace();
        std::string_view key;
        if (!ParseString(key)) {
            return false;
        }
        SkipSpace();
        if (!Take(':')) {
            return false;
        }
        SkipSpace();
        if (!member(key)) {
            return false;
        }
        SkipSpace();
    } while (Take(','));
    return Take('}');
}

bool UsageLineParser::Parse(std::string_view line) {
    input = line;
    at = 0;
    fields.time = fields.computer = fields.image = fields.commandLine = std::string_view();
    fields.args.clear();
    decodedUsed = 0;
    bool sawArgs = false;
    SkipSpace();
    const bool read = Take('{') && Members([this, &sawArgs](std::string_view key) {
        if (key == "args") {
            sawArgs = true;
            return ParseArgs();
        }
        return key == "time"       ? ParseString(fields.time)
               : key == "computer" ? ParseString(fields.computer)
               : key == "parent"   ? ParseParent()
                                   : SkipValue(1);
    });
    SkipSpace();
    return read && sawArgs && at == input.size();
}

bool UsageLineParser::ParseParent() {
    if (SkipLiteral("null")) {
        return true;
    }
    return Take('{') && Members([this](std::string_view key) {
        return key == "image"         ? ParseOptionalString(fields.image)
               : key == "commandLine" ? ParseOptionalString(fields.commandLine)
                                      : SkipValue(2);
    });
}

bool UsageLineParser::ParseArgs() {
    if (!Take('[')) {
        return false;
    }
    SkipSpace();
    if (Take(']')) {
        return true;
    }
    do {
        SkipSpace();
        std::string_view word;
        if (!ParseString(word)) {
            return false;
        }
        fields.args.push_back(word);
        SkipSpace();
    } while (Take(','));
    return Take(']');
}

bool UsageLineParser::ParseOptionalString(std::string_view& text) {
    text = std::string_view();
    return SkipLiteral("null") || ParseString(text);
}

bool UsageLineParser::FindStringEnd(std::size_t& end, bool& plain) const {
    // One pass: the closing quote is the first one no backslash escapes. Texts are short, so a
    // plain loop beats looking for each character separately.
    plain = true;
    for (std::size_t i = at; i < input.size(); ++i) {
        const auto c = static_cast<unsigned char>(input[i]);
        if (c == '"') {
            end = i;
            return true;
        }
        if (c == '\\') {
            plain = false;
            ++i;
        } else if (c < 0x20) {
            plain = false;
        }
    }
    return false;
}

bool UsageLineParser::SkipString() {
    std::size_t end = 0;
    bool plain = true;
    if (!Take('"') || !FindStringEnd(end, plain)) {
        return false;
    }
    at = end + 1;
    return true;
}

bool UsageLineParser::ParseString(std::string_view& text) {
    std::size_t end = 0;
    bool plain = true;
    if (!Take('"') || !FindStringEnd(end, plain)) {
        return false;
    }
    const std::string_view raw = input.substr(at, end - at);
    if (plain) {
        text = raw;
    } else {
        if (decodedUsed == decoded.size()) {
            decoded.emplace_back();
        }
        std::string& out = decoded[decodedUsed++];
        if (!DecodeEscapes(raw, out)) {
            return false;
        }
        text = out;
    }
    at = end + 1;
    return true;
}

// NOLINTNEXTLINE(misc-no-recursion): as deep as the value nests, at most kMaxDepth
bool UsageLineParser::SkipValue(int depth) {
    if (depth > kMaxDepth || at >= input.size()) {
        return false;
    }
    switch (input[at]) {
        case '"': return SkipString();
        case '{':
        case '[': return SkipContainer(depth);
        case 't': return SkipLiteral("true");
        case 'f': return SkipLiteral("false");
        case 'n': return SkipLiteral("null");
        default: return SkipNumber();
    }
}

// NOLINTNEXTLINE(misc-no-recursion): as deep as the value nests, at most kMaxDepth
bool UsageLineParser::SkipContainer(int depth) {
    const bool object = input[at] == '{';
    const char close = object ? '}' : ']';
    ++at;
    SkipSpace();
    if (Take(close)) {
        return true;
    }
    do {
        SkipSpace();
        if (object) {
            std::string_view key;
            if (!ParseString(key)) {
                return false;
            }
            SkipSpace();
            if (!Take(':')) {
                return false;
            }
            SkipSpace();
        }
        if (!SkipValue(depth + 1)) {
            return false;
        }
        SkipSpace();
    } while (Take(','));
    return Take(close);
}

bool UsageLineParser::SkipNumber() {
    const std::size_t start = at;
    Take('-');
    const auto digits = [this]() {
        const std::size_t from = at;
        while (at < input.size() && input[at] >= '0' && input[at] <= '9') {
            ++at;
        }
        return at > from;
    };
    if (!digits()) {
        return false;
    }
    if (Take('.') && !digits()) {
        return false;
    }
    if (Take('e') || Take('E')) {
        if (!Take('+')) {
            Take('-');
        }
        if (!digits()) {
            return false;
        }
    }
    return at > start;
}

bool UsageLineParser::SkipLiteral(std::string_view word) {
    if (input.substr(at, word.size()) != word) {
        return false;
    }
    at += word.size();
    return true;
}

void UsageLineParser::SkipSpace() {
    while (at < input.size() && IsSpace(input[at])) {
        ++at;
    }
}

bool UsageLineParser::Take(char c) {
    if (at < input.size() && input[at] == c) {
        ++at;
        return true;
    }
    return false;
}

}  // namespace migrate
