#include "migrate/NameSearch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>


#include "scripts/AsciiCase.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <emmintrin.h>
#endif

namespace migrate {
namespace {

using Narrow = std::uint8_t __attribute__((vector_size(16)));
using Wide = std::uint8_t __attribute__((vector_size(32)));

bool EqualsAt(std::string_view text, std::size_t at, const std::string& name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (scripts::AsciiLower(text[at + i]) != name[i]) {
            return false;
        }
    }
    return true;
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

// What one search looks for: a name, by three of its bytes (bit 0x20 set, which lowers every
// ASCII letter and maps a few other bytes onto letters: that only lets more places through to
// the full comparison), and the bytes below `bound` (none when it is 0).
// (cppcheck does not look into the template that reads the first two.)
struct Needle {
    // cppcheck-suppress unusedStructMember
    const std::string& name;
    // cppcheck-suppress unusedStructMember
    std::size_t inside;
    std::uint8_t first;
    std::uint8_t middle;
    std::uint8_t last;
    std::uint8_t bound;
};

// Whether any lane of a comparison's result is set.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((always_inline)) inline bool AnyLane(Narrow lanes) {
    return _mm_movemask_epi8(reinterpret_cast<__m128i>(lanes)) != 0;
}

#else
__attribute__((always_inline)) inline bool AnyLane(Narrow lanes) {
    std::uint64_t words[2];
    std::memcpy(words, &lanes, sizeof words);
    return (words[0] | words[1]) != 0;
}
#endif

// The two halves joined first: the wide movemask would need the wide instructions here.
__attribute__((always_inline)) inline bool AnyLane(const Wide& lanes) {
    Narrow halves[2];
    std::memcpy(halves, &lanes, sizeof halves);
    return AnyLane(halves[0] | halves[1]);
}

// Tests `text` from `at` on, as many places as a Block has bytes at a time, while a whole block and the name's span
// after it fit; leaves `at` at the first place not tested. True when a place holds the name, or
// a block a byte below the bound. Always inlined, so that the wide instance is compiled for the
// wide instructions of the function that calls it.
template <typename Block>
__attribute__((always_inline)) inline bool Blocks(std::string_view text, const Needle& needle, std::size_t& at) {
    constexpr std::size_t kSize = sizeof(Block);
    const std::size_t span = needle.name.size() - 1;
    // A copy of `at` in a register: written through the reference, it would be stored each step.
    std::size_t place = at;
    for (; place + span + kSize <= text.size(); place += kSize) {
        Block head;
        Block middle;
        Block last;
        std::memcpy(&head, text.data() + place, kSize);
        std::memcpy(&middle, text.data() + place + needle.inside, kSize);
        std::memcpy(&last, text.data() + place + span, kSize);
        const Block hits = ((head | 0x20) == needle.first) & ((middle | 0x20) == needle.middle) &
                           ((last | 0x20) == needle.last);
        const Block controls = head < needle.bound;
        if (!AnyLane(hits | controls)) {
            continue;
        }
        if (AnyLane(controls)) {
            at = place;
            return true;
        }
        for (std::size_t i = 0; i < kSize; ++i) {
            if (hits[i] != 0 && EqualsAt(text, place + i, needle.name)) {
                at = place;
                return true;
            }
        }
    }
    at = place;
    return false;
}

#if defined(__x86_64__) && defined(__GNUC__)
// Twice the places a step where the processor has the wide instructions, as nearly every
// x86-64 processor in service does; asked once.
__attribute__((target("avx2"))) bool WideBlocks(std::string_view text, const Needle& needle, std::size_t& at) {
    return Blocks<Wide>(text, needle, at);
}

bool HasWideBlocks() {
    static const bool kHas = __builtin_cpu_supports("avx2");
    return kHas;
}
#else
bool WideBlocks(std::string_view, const Needle&, std::size_t&) {
    return false;
}

bool HasWideBlocks() {
    return false;
}
#endif

// Whether `text` holds `name`, or (with `control`) a byte 0, 1 or 2, which the script reader
// refuses: one pass over the text answers both.
bool Contains(std::string_view text, const std::string& name, bool control) {
    if (text.size() < name.size()) {
        return control && AnyControl(text, 0);
    }
    const std::size_t inside = RarestInside(name);
    const Needle needle{name,
                        inside,
                        static_cast<std::uint8_t>(name.front() | 0x20),
                        static_cast<std::uint8_t>(name[inside] | 0x20),
                        static_cast<std::uint8_t>(name.back() | 0x20),
                        static_cast<std::uint8_t>(control ? 3 : 0)};
    std::size_t at = 0;
    if ((HasWideBlocks() && WideBlocks(text, needle, at)) || Blocks<Narrow>(text, needle, at)) {
        return true;
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
