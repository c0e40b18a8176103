#pragma once

#include <string>
#include <utility>
#include <vector>

// A process-style argument vector, "tolvex-legacy" first, that owns its texts.
class LegacyArguments {
public:
    explicit LegacyArguments(std::vector<std::string> words) : texts(std::move(words)) {
        texts.insert(texts.begin(), "tolvex-legacy");
        for (std::string& text : texts) {
            pointers.push_back(text.data());
        }
    }

    int Count() const { return static_cast<int>(texts.size()); }
    char** Vector() { return pointers.data(); }
    const std::vector<std::string>& Texts() const { return texts; }

private:
    std::vector<std::string> texts;
    std::vector<char*> pointers;
};
