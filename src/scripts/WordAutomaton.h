#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scripts {

// Finds any of a few words in a text in one pass, a byte at a time, whatever the case of their
// ASCII letters: a table of states, where each byte leads from one state to the next and a state
// says whether a word ends there. One pass over the text with a table look-up per byte costs less
// than a search for each word, whose first letter ("s", "o") is among the commonest in scripts.
class WordAutomaton {
public:
    using State = std::uint16_t;

    // `words`: in lower case, none empty. When they need more states than a State holds, the
    // automaton has none (States() is 0).
    explicit WordAutomaton(const std::vector<std::string>& words);

    std::size_t States() const { return found.size(); }
    static constexpr State Start() { return 0; }
    State Next(State state, unsigned char byte) const { return next[static_cast<std::size_t>(state) * 256 + byte]; }
    // Whether the bytes read so far end in one of the words.
    bool Found(State state) const { return found[state] != 0; }

private:
    std::vector<State> next;
    std::vector<unsigned char> found;
};

}  // namespace scripts
