#include "app/UsageRecord.h"

#include <cstddef>

namespace {

// The length of the UTF-8 sequence starting at `at`, or 0 when it is not a well-formed one.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < low || byte(at + 1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

void AppendString(std::string& out, const std::string& text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            constexpr const char* kHex = "0123456789abcdef";
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            const std::size_t length = Utf8SequenceLength(text, i);
            if (length == 0) {
                out += "\xEF\xBF\xBD";
                ++i;
                continue;
            }
            out.append(text, i, length);
            i += length;
            continue;
        }
        ++i;
    }
    out += '"';
}

void AppendOptional(std::string& out, const std::optional<std::string>& text) {
    if (text) {
        AppendString(out, *text);
    } else {
        out += "null";
    }
}

}  // namespace

std::string UsageRecord::ToJsonLine() const {
    std::string out = R"({"time":)";
    AppendString(out, time);
    out += R"(,"computer":)";
    AppendString(out, computer);
    out += R"(,"user":)";
    AppendString(out, user);
    out += R"(,"pid":)" + std::to_string(pid);
    out += R"(,"parent":{"pid":)";
    out += parent.pid ? std::to_string(*parent.pid) : "null";
    out += R"(,"image":)";
    AppendOptional(out, parent.image);
    out += R"(,"commandLine":)";
    AppendOptional(out, parent.commandLine);
    out += R"(},"cwd":)";
    AppendString(out, cwd);
    out += R"(,"args":[)";
    for (std::size_t i = 0; i < args.size(); ++i) {
        out += i > 0 ? "," : "";
        AppendString(out, args[i]);
    }
    out += R"(],"line":)";
    AppendOptional(out, line);
    out += R"(,"refused":)";
    AppendOptional(out, refused);
    out += R"(,"status":)" + std::to_string(status) + "}\n";
    return out;
}
