#include "scripts/BatchPlainLines.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

#include "scripts/AsciiCase.h"
#include "scripts/WordAutomaton.h"

namespace scripts {

namespace {

// What a line holds, as bits.
constexpr unsigned char kNeverPlain = 1;    // a parenthesis or caret
constexpr unsigned char kVariableSign = 2;  // "%" or "!"
constexpr unsigned char kWord = 4;          // "set" or a name, once folded
constexpr unsigned char kAll = 7;
constexpr unsigned kBits = 3;

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
    const std::shared_ptr<const std::vector<std::uint16_t>> held = StepsFor(legacyNames);
    const std::vector<std::uint16_t>& steps = *held;
    // Line by line, the automaton starting afresh on each: a line feed is in no word, so a word
    // found lies on the line where it ends.
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(steps.empty() ? Kinds(text.substr(start, end - start)) : Read(steps, text.substr(start, end - start)));
        start = end + 1;
    }
}

std::shared_ptr<const std::vector<std::uint16_t>> BatchPlainLines::StepsFor(const std::vector<std::string>& legacyNames) {
    // A scan looks for the same names in every script: their steps are made once, and shared by
    // the threads under a lock (a thread_local's destructor crashes MinGW's static runtime at
    // thread exit). Whoever reads them holds them, so that other names never free them early.
    static std::mutex lock;
    static std::vector<std::string> names;
    static std::shared_ptr<const std::vector<std::uint16_t>> steps;
    const std::lock_guard<std::mutex> guard(lock);
    if (steps && names == legacyNames) {
        return steps;
    }
    bool searchable = true;
    std::vector<std::string> words{"set"};
    for (const std::string& name : legacyNames) {
        searchable = searchable && Searchable(name);
        words.push_back(AsciiLowered(name));
    }
    steps = std::make_shared<const std::vector<std::uint16_t>>(searchable ? Steps(WordAutomaton(words))
                                                                          : std::vector<std::uint16_t>());
    names = legacyNames;
    return steps;
}

std::vector<std::uint16_t> BatchPlainLines::Steps(const WordAutomaton& automaton) {
    // Each step is the next state shifted past the bits of what the byte makes its line hold
    // (kWord when a word ends there): one look-up a byte. The bytes taken out leave the state as
    // it was, so the words are looked for as if those bytes were not there.
    std::vector<std::uint16_t> steps;
    if (automaton.States() == 0 || automaton.States() > (std::size_t{1} << (16 - kBits))) {
        return steps;
    }
    steps.resize(automaton.States() * 256);
    for (std::size_t state = 0; state < automaton.States(); ++state) {
        for (std::size_t byte = 0; byte < 256; ++byte) {
            const ByteKind& kind = kKinds[byte];
            const std::size_t next = kind.leftOut ? state : automaton.Next(static_cast<WordAutomaton::State>(state), static_cast<unsigned char>(byte));
            const unsigned char found = !kind.leftOut && automaton.Found(static_cast<WordAutomaton::State>(next)) ? kWord : 0;
            steps[state * 256 + byte] = static_cast<std::uint16_t>(next << kBits | kind.holds | found);
        }
    }
    return steps;
}

unsigned char BatchPlainLines::Read(const std::vector<std::uint16_t>& steps, std::string_view line) {
    std::size_t state = WordAutomaton::Start();
    unsigned holds = 0;
    for (const char c : line) {
        const std::uint16_t step = steps[state << 8 | static_cast<unsigned char>(c)];
        holds |= step;
        state = step >> kBits;
    }
    return static_cast<unsigned char>(holds & kAll);
}

unsigned char BatchPlainLines::Kinds(std::string_view line) {
    // The names could hide from the search: every line may hold one.
    unsigned char holds = kWord;
    for (const char c : line) {
        holds |= kKinds[static_cast<unsigned char>(c)].holds;
    }
    return holds;
}

bool BatchPlainLines::Plain(std::size_t line, bool tracking) const {
    if (line == 0 || line > lines.size()) {
        return false;
    }
    const unsigned char holds = lines[line - 1];
    return (holds & (kNeverPlain | kWord)) == 0 && !(tracking && (holds & kVariableSign) != 0);
}

}  // namespace scripts
