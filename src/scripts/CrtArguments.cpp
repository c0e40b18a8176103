#include "scripts/CrtArguments.h"

#include <cstddef>

namespace scripts {
namespace {

// Reads the run of backslashes at `i` into `word`, by what follows it: before a double quote,
// half of them (the quote itself literal after an odd number); elsewhere all of them.
void ReadBackslashes(const std::string& text, std::size_t& i, std::string& word) {
    std::size_t count = 0;
    while (i < text.size() && text[i] == '\\') {
        ++count;
        ++i;
    }
    if (i >= text.size() || text[i] != '"') {
        word.append(count, '\\');
        return;
    }
    word.append(count / 2, '\\');
    if (count % 2 == 1) {
        word += '"';
        ++i;
    }
}

}  // namespace

std::vector<std::string> SplitCrtArguments(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) {
                words.push_back(word);
                word.clear();
            }
            inWord = false;
            ++i;
        } else if (c == '\\') {
            inWord = true;
            ReadBackslashes(text, i, word);
        } else if (c == '"' && quoted && i + 1 < text.size() && text[i + 1] == '"') {
            // Inside quotes a doubled quote is a literal one, and the quoting goes on.
            inWord = true;
            word += '"';
            i += 2;
        } else {
            inWord = true;
            quoted = c == '"' ? !quoted : quoted;
            word += c == '"' ? std::string() : std::string(1, c);
            ++i;
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

}  // namespace scripts
