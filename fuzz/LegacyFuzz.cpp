// libFuzzer target: the legacy run short of the launch, on any argument words.
//
// The input is split at every NUL byte into words, so empty words, spaces, quotes, "=", dashes
// and bytes above 0x7F all occur; the first word is the command keyword. Besides what the
// sanitizers catch, it checks only what holds whatever the words are, and aborts otherwise.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/ArgumentCopyTable.h"
#include "app/LegacyTranslation.h"
#include "params/Parameters.h"
#include "support/LegacyArguments.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant violated: %s\n", what);
        std::abort();
    }
}

std::vector<std::string> SplitWords(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words;
    if (size > 0) {
        words.emplace_back();
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            words.emplace_back();
        } else {
            words.back() += static_cast<char>(data[i]);
        }
    }
    return words;
}

std::optional<std::string> Translate(const char* const* copies, int count, std::string& messages) {
    std::ostringstream console;
    const Parameters parameters(count, copies);
    std::optional<std::string> line = TranslateLegacyCommandLine(parameters, TranslationContext{console, "C:"});
    messages = console.str();
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> words = SplitWords(data, size);
    LegacyArguments arguments(words);
    const ArgumentCopyTable copies(arguments.Count(), arguments.Vector());
    BlankArguments(arguments.Count(), arguments.Vector());
    for (std::size_t i = 0; i < words.size(); ++i) {
        Require(copies.Entries()[i + 1] == words[i], "the copies keep what was typed");
        Require(arguments.Vector()[i + 1] == std::string(words[i].size(), ' '), "the originals are blanked");
    }

    std::string messages;
    const std::optional<std::string> line = Translate(copies.Entries(), arguments.Count(), messages);
    const std::string suffix = " --output C:\\Vexadyn_Support\\";
    if (line) {
        Require(line->size() >= suffix.size() && line->compare(line->size() - suffix.size(), suffix.size(), suffix) == 0,
                "a translated line ends with the output directory");
    } else {
        Require(!messages.empty(), "a refusal says why");
    }
    std::string again;
    Require(Translate(copies.Entries(), arguments.Count(), again) == line && again == messages,
            "the same words give the same result");
    return 0;
}
