#include "scripts/ScriptText.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <utility>

namespace scripts {
namespace {

const std::string kUtf8Mark = "\xEF\xBB\xBF";
const std::string kUtf16Mark = "\xFF\xFE";

// A string literal's bytes, NULs included.
template <std::size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

TEST(ScriptTextTest, DecodesAndEncodesBackByteForByte) {
    struct Decoded {
        const char* what;
        std::string bytes;
        ScriptEncoding encoding;
        std::string text;
    };
    const Decoded cases[] = {
        {"empty file", "", ScriptEncoding::kBytes, ""},
        {"UTF-8 without a mark, LF, no final line end", "old up\nold co", ScriptEncoding::kBytes, "old up\nold co"},
        {"UTF-8 with a mark, CRLF", kUtf8Mark + "caf\xC3\xA9 up\r\n", ScriptEncoding::kUtf8Bom, "caf\xC3\xA9 up\r\n"},
        {"code page bytes, mixed line ends", "caf\xE9\r\nb\nc\rd", ScriptEncoding::kBytes, "caf\xE9\r\nb\nc\rd"},
        {"half a UTF-8 mark is text", "\xEF\xBBx", ScriptEncoding::kBytes, "\xEF\xBBx"},
        {"UTF-16 LE mark alone", kUtf16Mark, ScriptEncoding::kUtf16LeBom, ""},
        {"UTF-16 LE, CRLF and LF", kUtf16Mark + Bytes("a\0\r\0\n\0\xE9\0\n\0"), ScriptEncoding::kUtf16LeBom, "a\r\n\xC3\xA9\n"},
        {"UTF-16 LE, BMP and non-BMP", kUtf16Mark + Bytes("\x2D\x4E\x3D\xD8\x00\xDE"), ScriptEncoding::kUtf16LeBom,
         "\xE4\xB8\xAD\xF0\x9F\x98\x80"},
        {"UTF-16 LE, unpaired high surrogate", kUtf16Mark + Bytes("\x3D\xD8" "A\0"), ScriptEncoding::kUtf16LeBom,
         "\xED\xA0\xBD" "A"},
        {"UTF-16 LE, two high surrogates then a low one", kUtf16Mark + Bytes("\x3D\xD8\x3D\xD8\x00\xDE"),
         ScriptEncoding::kUtf16LeBom, "\xED\xA0\xBD\xF0\x9F\x98\x80"},
        {"UTF-16 LE, unpaired low surrogate last", kUtf16Mark + Bytes("x\0\x00\xDE"), ScriptEncoding::kUtf16LeBom,
         "x\xED\xB8\x80"},
    };
    for (const Decoded& c : cases) {
        std::string problem;
        const std::optional<ScriptText> text = ScriptText::Decode(c.bytes, problem);
        ASSERT_TRUE(text.has_value()) << c.what << ": " << problem;
        EXPECT_EQ(text->Encoding(), c.encoding) << c.what;
        EXPECT_EQ(text->Text(), c.text) << c.what;
        EXPECT_EQ(text->Encode(text->Text()), c.bytes) << c.what;
    }
}

TEST(ScriptTextTest, EncodesEditedTextInTheFilesEncoding) {
    std::string problem;
    const std::optional<ScriptText> utf8 = ScriptText::Decode(kUtf8Mark + "old up\r\n", problem);
    const std::optional<ScriptText> utf16 = ScriptText::Decode(kUtf16Mark + Bytes("o\0l\0d\0"), problem);
    ASSERT_TRUE(utf8.has_value() && utf16.has_value());
    EXPECT_EQ(utf8->Encode("tolvex.exe update flash\r\n"), kUtf8Mark + "tolvex.exe update flash\r\n");
    EXPECT_EQ(utf16->Encode("t\xC3\xA9\r\n"), kUtf16Mark + Bytes("t\0\xE9\0\r\0\n\0"));
    // A byte that begins no valid sequence, and a cut-off sequence, become U+FFFD.
    EXPECT_EQ(utf16->Encode("\xFF" "a\xE4\xB8"), kUtf16Mark + Bytes("\xFD\xFF" "a\0\xFD\xFF\xFD\xFF"));
}

TEST(ScriptTextTest, RefusesWhatTheReadersDoNotTake) {
    const std::pair<std::string, std::string> cases[] = {
        {Bytes("a\0b"), "binary file (a NUL byte at offset 1)"},
        {"old up\x01", "binary file (a 0x01 byte at offset 6)"},
        {kUtf8Mark + "\x02", "binary file (a 0x02 byte at offset 3)"},
        {kUtf16Mark + Bytes("a\0\0\0"), "binary file (a NUL character at offset 4)"},
        {kUtf16Mark + Bytes("\x01\0"), "binary file (a U+0001 character at offset 2)"},
        {kUtf16Mark + "a", "UTF-16 text with an odd number of bytes"},
        {Bytes("\xFE\xFF\0a"), "UTF-16 BE text"},
        {Bytes("\xFF\xFE\0\0a\0\0\0"), "UTF-32 LE text"},
        {Bytes("\0\0\xFE\xFF"), "UTF-32 BE text"},
    };
    for (const auto& [bytes, expected] : cases) {
        std::string problem;
        EXPECT_FALSE(ScriptText::Decode(bytes, problem).has_value()) << expected;
        EXPECT_EQ(problem, expected);
    }
}

}  // namespace
}  // namespace scripts
