#pragma once

#include <memory>
#include <string>
#include <vector>

#include "params/Parameters.h"

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

// Parameters as the program builds them for `keyword` followed by `words`.
inline std::unique_ptr<Parameters> MakeParameters(const std::string& keyword,
                                                  const std::vector<std::string>& words) {
    std::vector<std::string> all{keyword};
    all.insert(all.end(), words.begin(), words.end());
    LegacyArguments arguments(all);
    return std::make_unique<Parameters>(arguments.Count(), arguments.Vector());
}
