#pragma once

#include <optional>
#include <string>
#include <vector>

namespace migrate {

// What tolvex-legacy makes of argument words, up to the launch: the translated line, or nothing
// when it refuses them, and everything it printed on the way.
struct WordTranslation {
    std::optional<std::string> line;
    std::string messages;
};

// Runs tolvex-legacy's own steps (syntax check, keyword, translator) on `words`: the keyword
// and the options, as the program receives them after its name. The output directory lies on
// `systemDrive`.
WordTranslation TranslateWords(const std::vector<std::string>& words, const std::string& systemDrive);

}  // namespace migrate
