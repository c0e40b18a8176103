#include "migrate/NameSearch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "scripts/AsciiCase.h"

namespace migrate {
namespace {

using Block = std::uint8_t __attribute__((vector_size(16)));

constexpr std::size_t kBlock = sizeof(Block);

bool EqualsAt(std::string_view text, std::size_t at, const std::string& name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (scripts::AsciiLower(text[at + i]) != name[i]) {
            return false;
        }
    }
    return true;
}

Block Load(const char* at) {
    Block block;
    std::memcpy(&block, at, kBlock);
    return block;
}

// Setting bit 0x20 lowers every ASCII letter. It also maps a few other bytes onto letters, which
// only lets more candidates through to the full comparison.
Block Folded(Block block) {
    return block | static_cast<std::uint8_t>(0x20);
}

// Letters from the most to the least common in English text; a byte that is no letter is rarer
// still in scripts.
constexpr std::string_view kLetterFrequency = "etaoinsrhldcumfpgwybvkxjqz";

// The position in `name` (not its first or last) whose byte is the least likely in a script:
// testing it with those two rules out most places at once.
std::size_t RarestInside(const std::string& name) {
    std::size_t best = name.size() / 2;
    std::size_t bestRank = 0;
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        const std::size_t letter = kLetterFrequency.find(name[i]);
        const std::size_t rank = letter == std::string_view::npos ? kLetterFrequency.size() : letter;
        if (rank > bestRank) {
            best = i;
            bestRank = rank;
        }
    }
    return best;
}

bool AnyControl(std::string_view text, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (static_cast<std::uint8_t>(text[i]) <= 2) {
            return true;
        }
    }
    return false;
}

bool AnyLane(Block lanes) {
#if defined(__SSE2__)
    return _mm_movemask_epi8(reinterpret_cast<__m128i>(lanes)) != 0;
#else
    std::uint64_t words[kBlock / sizeof(std::uint64_t)];
    std::memcpy(words, &lanes, kBlock);
    return (words[0] | words[1]) != 0;
#endif
}

// Whether `text` holds `name`, or (with `control`) a byte 0, 1 or 2, which the script reader
// refuses: one pass over the text answers both.
bool Contains(std::string_view text, const std::string& name, bool control) {
    const std::size_t span = name.size() - 1;
    if (text.size() < name.size()) {
        return control && AnyControl(text, 0);
    }
    const std::size_t inside = RarestInside(name);
    const auto first = static_cast<std::uint8_t>(name.front() | 0x20);
    const auto middle = static_cast<std::uint8_t>(name[inside] | 0x20);
    const auto last = static_cast<std::uint8_t>(name.back() | 0x20);
    // Below `bound`: the bytes looked for besides the name; none when it is 0.
    const auto bound = static_cast<std::uint8_t>(control ? 3 : 0);
    std::size_t at = 0;
    for (; at + span + kBlock <= text.size(); at += kBlock) {
        const Block head = Load(text.data() + at);
        const Block hits = (Folded(head) == first) & (Folded(Load(text.data() + at + inside)) == middle) &
                           (Folded(Load(text.data() + at + span)) == last);
        const Block controls = head < bound;
        if (!AnyLane(hits | controls)) {
            continue;
        }
        if (AnyLane(controls)) {
            return true;
        }
        for (std::size_t i = 0; i < kBlock; ++i) {
            if (hits[i] != 0 && EqualsAt(text, at + i, name)) {
                return true;
            }
        }
    }
    if (control && AnyControl(text, at)) {
        return true;
    }
    for (; at + name.size() <= text.size(); ++at) {
        if (EqualsAt(text, at, name)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool ContainsAnyName(std::string_view text, const std::vector<std::string>& lowerNames) {
    for (const std::string& name : lowerNames) {
        if (!name.empty() && Contains(text, name, false)) {
            return true;
        }
    }
    return false;
}

bool NeedsReading(std::string_view bytes, const std::vector<std::string>& lowerNames) {
    // A mark of UTF-16 or UTF-32, or a NUL first: the name may be in wide characters, and the
    // reader has something to say about the encoding.
    if (!bytes.empty() && (bytes[0] == '\0' || bytes[0] == '\xFE' || bytes[0] == '\xFF')) {
        return true;
    }
    bool control = true;
    for (const std::string& name : lowerNames) {
        if (!name.empty() && Contains(bytes, name, control)) {
            return true;
        }
        control = false;
    }
    return control && AnyControl(bytes, 0);
}

bool MayNameProgram(std::string_view text, bool powerShell, const std::vector<std::string>& lowerNames) {
    return ContainsAnyName(text, lowerNames) || (powerShell && NamedThroughBackticks(text, lowerNames));
}

bool NamedThroughBackticks(std::string_view text, const std::vector<std::string>& lowerNames) {
    if (text.find('`') == std::string_view::npos) {
        return false;
    }
    std::string plain;
    plain.reserve(text.size());
    for (const char c : text) {
        if (c != '`') {
            plain += c;
        }
    }
    return ContainsAnyName(plain, lowerNames);
}

}  // namespace migrate
