#include "scripts/WordAutomaton.h"

#include <deque>
#include <limits>

#include "scripts/AsciiCase.h"

namespace scripts {

WordAutomaton::WordAutomaton(const std::vector<std::string>& words) {
    // A tree of the words' beginnings first: a state for each, child states by the next byte.
    std::size_t states = 1;
    for (const std::string& word : words) {
        states += word.size();
    }
    if (states > std::numeric_limits<State>::max()) {
        return;
    }
    constexpr State kNone = std::numeric_limits<State>::max();
    next.assign(states * 256, kNone);
    found.assign(states, 0);
    State made = 1;
    for (const std::string& word : words) {
        State state = Start();
        for (const char c : word) {
            State& child = next[static_cast<std::size_t>(state) * 256 + static_cast<unsigned char>(c)];
            if (child == kNone) {
                child = made++;
            }
            state = child;
        }
        found[state] = 1;
    }
    // Then, breadth first, each missing step goes where the longest end of the bytes read that
    // begins a word would lead: the state's fallback, whose steps are all known by then.
    std::vector<State> fallback(made, Start());
    std::deque<State> queue;
    for (std::size_t byte = 0; byte < 256; ++byte) {
        State& step = next[byte];
        if (step == kNone) {
            step = Start();
        } else {
            queue.push_back(step);
        }
    }
    while (!queue.empty()) {
        const State state = queue.front();
        queue.pop_front();
        found[state] = static_cast<unsigned char>(found[state] | found[fallback[state]]);
        const std::size_t row = static_cast<std::size_t>(state) * 256;
        const std::size_t fallbackRow = static_cast<std::size_t>(fallback[state]) * 256;
        for (std::size_t byte = 0; byte < 256; ++byte) {
            State& step = next[row + byte];
            if (step == kNone) {
                step = next[fallbackRow + byte];
            } else {
                fallback[step] = next[fallbackRow + byte];
                queue.push_back(step);
            }
        }
    }
    // Upper-case ASCII letters step as their lower-case ones.
    for (std::size_t state = 0; state < made; ++state) {
        for (char upper = 'A'; upper <= 'Z'; ++upper) {
            next[state * 256 + static_cast<unsigned char>(upper)] = next[state * 256 + static_cast<unsigned char>(AsciiLower(upper))];
        }
    }
    next.resize(static_cast<std::size_t>(made) * 256);
    found.resize(made);
}

}  // namespace scripts
