#pragma once

#include <optional>
#include <string>

namespace scripts {

// How a script file stores its text.
enum class ScriptEncoding {
    kBytes,       // no byte-order mark: UTF-8 or any code page, kept byte for byte
    kUtf8Bom,     // UTF-8 after the mark EF BB BF
    kUtf16LeBom,  // UTF-16 little-endian after the mark FF FE
};

// A script file's text as the readers scan it, and the way back to the file's bytes. A rewritten
// file keeps its encoding, its mark and its line ends.
class ScriptText {
public:
    // Reads a file's bytes. Returns std::nullopt and sets `problem` to a short clause for a file
    // the readers do not take: a UTF-16 BE or UTF-32 mark, UTF-16 LE of odd length, or a NUL,
    // 0x01 or 0x02 character anywhere (0x01 and 0x02 are the placeholder bytes).
    static std::optional<ScriptText> Decode(std::string bytes, std::string& problem);

    // The text to scan: UTF-8 without the mark. UTF-16 comes back as UTF-8 with unpaired
    // surrogates as three-byte sequences (as WTF-8 does), so that no sequence of units is lost.
    const std::string& Text() const { return text; }
    ScriptEncoding Encoding() const { return encoding; }

    // The file's bytes for `text` (Text(), possibly edited): the mark again, then the text in the
    // file's encoding; Encode(Text()) gives back the bytes Decode read. Written as UTF-16, a byte
    // of `text` that begins no valid sequence becomes U+FFFD.
    std::string Encode(const std::string& edited) const;

private:
    ScriptText(std::string decoded, ScriptEncoding fileEncoding);

    std::string text;
    ScriptEncoding encoding;
};

}  // namespace scripts
