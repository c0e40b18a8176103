#include "migrate/WordTranslation.h"

#include <sstream>

#include "app/LegacyTranslation.h"
#include "params/Parameters.h"

namespace migrate {

WordTranslation TranslateWords(const std::vector<std::string>& words, const std::string& systemDrive) {
    std::vector<const char*> arguments{"tolvex-legacy"};
    for (const std::string& word : words) {
        arguments.push_back(word.c_str());
    }
    const Parameters parameters(static_cast<int>(arguments.size()), arguments.data());
    std::ostringstream console;
    WordTranslation result;
    result.line = TranslateLegacyCommandLine(parameters, TranslationContext{console, systemDrive});
    result.messages = console.str();
    return result;
}

}  // namespace migrate
