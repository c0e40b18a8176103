#include "scripts/BatchPlainLines.h"

#include <algorithm>
#include <array>

#include "scripts/AsciiCase.h"

namespace scripts {

namespace {

// What a line holds, as bits.
constexpr unsigned char kNeverPlain = 1;    // a parenthesis or caret
constexpr unsigned char kVariableSign = 2;  // "%" or "!"
constexpr unsigned char kWord = 4;          // "set" or a name, once folded

// Per byte: what it makes its line hold, and whether folding takes it out.
struct ByteKind {
    unsigned char holds = 0;
    bool leftOut = false;
};

constexpr std::array<ByteKind, 256> MakeKinds() {
    std::array<ByteKind, 256> kinds{};
    kinds['"'].leftOut = true;
    kinds['\r'].leftOut = true;
    kinds['%'] = {kVariableSign, true};
    kinds['!'].holds = kVariableSign;
    kinds['('].holds = kNeverPlain;
    kinds[')'].holds = kNeverPlain;
    kinds['^'].holds = kNeverPlain;
    return kinds;
}

constexpr std::array<ByteKind, 256> kKinds = MakeKinds();

// A name holding a byte the folding takes out, or a line feed, could hide from the search:
// then no line is plain.
bool Searchable(const std::string& name) {
    for (const char c : name) {
        const ByteKind& kind = kKinds[static_cast<unsigned char>(c)];
        if (kind.leftOut || kind.holds != 0 || c == '\n') {
            return false;
        }
    }
    return !name.empty();
}

}  // namespace

BatchPlainLines::BatchPlainLines(std::string_view text, const std::vector<std::string>& legacyNames) {
    bool searchable = true;
    for (const std::string& name : legacyNames) {
        searchable = searchable && Searchable(name);
    }
    // The text in lower case without the bytes taken out; its line feeds stay, so a word found
    // in it lies on one line, the same as in the text.
    std::string folded(text.size(), '\0');
    std::size_t length = 0;
    unsigned char holds = 0;
    for (const char c : text) {
        const ByteKind& kind = kKinds[static_cast<unsigned char>(c)];
        holds |= kind.holds;
        folded[length] = AsciiLower(c);
        length += kind.leftOut ? 0 : 1;
        if (c == '\n') {
            lines.push_back(holds);
            holds = 0;
        }
    }
    lines.push_back(holds);
    folded.resize(length);
    if (!searchable) {
        for (unsigned char& line : lines) {
            line |= kWord;
        }
        return;
    }
    MarkLinesHolding(folded, "set");
    for (const std::string& name : legacyNames) {
        MarkLinesHolding(folded, AsciiLowered(name));
    }
}

void BatchPlainLines::MarkLinesHolding(std::string_view folded, std::string_view word) {
    std::size_t line = 0;
    std::size_t counted = 0;  // the line feeds before `counted` are counted in `line`
    for (std::size_t at = folded.find(word); at != std::string_view::npos; at = folded.find(word, at + 1)) {
        line += static_cast<std::size_t>(std::count(folded.begin() + counted, folded.begin() + at, '\n'));
        counted = at;
        lines[line] |= kWord;
    }
}

bool BatchPlainLines::Plain(std::size_t line, bool tracking) const {
    if (line == 0 || line > lines.size()) {
        return false;
    }
    const unsigned char holds = lines[line - 1];
    return (holds & (kNeverPlain | kWord)) == 0 && !(tracking && (holds & kVariableSign) != 0);
}

}  // namespace scripts
