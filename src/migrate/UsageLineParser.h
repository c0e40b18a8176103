#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace migrate {

// Reads one line of a usage log: a JSON object as tolvex-legacy writes it. The fields a report
// needs are kept; every other value is checked and skipped. Any JSON layout is read (spaces,
// key order, escapes), but a text without escapes, as tolvex-legacy writes them all, is taken
// straight from the line. The views stay valid until the next Parse.
class UsageLineParser {
public:
    struct Fields {
        std::string_view time;
        std::string_view computer;
        std::string_view image;        // empty when null or missing
        std::string_view commandLine;  // empty when null or missing
        std::vector<std::string_view> args;
    };

    // True when `line` is one JSON object with "args" an array of texts; false for anything
    // else (a torn line, text that is not JSON, a record without its words).
    bool Parse(std::string_view line);

    const Fields& Result() const { return fields; }

private:
    template <typename Member>
    bool Members(Member member);
    bool ParseParent();
    bool ParseArgs();
    bool ParseString(std::string_view& text);
    // Skips a text without decoding it; what it holds is not checked.
    bool SkipString();
    // Finds the closing quote of the text starting at `at`; `plain` when the text holds no
    // escape and no control character, and so reads as it stands.
    bool FindStringEnd(std::size_t& end, bool& plain) const;
    bool ParseOptionalString(std::string_view& text);
    bool SkipValue(int depth);
    bool SkipContainer(int depth);
    bool SkipNumber();
    bool SkipLiteral(std::string_view word);
    void SkipSpace();
    bool Take(char c);

    std::string_view input;
    std::size_t at = 0;
    Fields fields;
    // Texts with escapes, decoded. A deque never moves its elements, so views stay valid.
    std::deque<std::string> decoded;
    std::size_t decodedUsed = 0;
};

}  // namespace migrate
