#include "migrate/OptionMap.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <optional>
#include <sstream>

#include "app/CommandDispatch.h"
#include "migrate/CallRendering.h"
#include "migrate/JsonValue.h"
#include "migrate/WordTranslation.h"
#include "migrate/ProbeWords.h"
#include "params/Parameters.h"

namespace migrate {
namespace {

constexpr const char* kValue = "VALUE";
constexpr const char* kDrive = "C:";

WordTranslation Translate(const std::string& keyword, std::vector<std::string> words) {
    words.insert(words.begin(), keyword);
    return TranslateWords(words, kDrive);
}

std::vector<std::string> SplitAtSpaces(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (std::size_t end = line.find(' '); end != std::string::npos; end = line.find(' ', start)) {
        words.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    words.push_back(line.substr(start));
    return words;
}

// The words of `line` that `base` lacks: what lies between their common start and end.
std::string Added(const std::string& base, const std::string& line) {
    const std::vector<std::string> before = SplitAtSpaces(base);
    const std::vector<std::string> after = SplitAtSpaces(line);
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t head = 0;
    while (head < shorter && before[head] == after[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (head + tail < shorter && before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    std::string added;
    for (std::size_t i = head; i + tail < after.size(); ++i) {
        added += i == head ? "" : " ";
        added += after[i];
    }
    return added;
}

std::string OneLine(std::string text) {
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) {
        text.replace(at, 1, " / ");
    }
    return text;
}

// The values among the probe words that change the translation of `valued` beyond being
// copied in place of VALUE, and what the option then becomes.
std::vector<std::pair<std::string, std::string>> SpecialValues(const std::string& keyword, const std::string& base,
                                                               const std::vector<std::string>& valued,
                                                               const std::string& becomes) {
    std::vector<std::pair<std::string, std::string>> special;
    const std::string value = kValue;
    for (const char* probe : kProbeWords) {
        std::vector<std::string> words = valued;
        words.back().replace(words.back().find(value), value.size(), probe);
        const WordTranslation tried = Translate(keyword, words);
        const std::string expected = ReplaceAll(becomes, value, probe);
        if (tried.line && Added(base, *tried.line) != expected) {
            special.emplace_back(probe, Added(base, *tried.line));
        }
    }
    return special;
}

// The option as typed with a value, when its translator uses the value, or alone.
MappedOption MapOption(const std::string& keyword, const std::string& base, const std::string& first,
                       const std::string& second) {
    MappedOption mapped;
    std::vector<std::string> valued{first, kValue};
    if (Parameters::IsLongOption(first)) {
        valued = {first + "=" + kValue};
    }
    const WordTranslation withValue = Translate(keyword, valued);
    const WordTranslation alone = Translate(keyword, {first});
    if (withValue.line) {
        mapped.special = SpecialValues(keyword, base, valued, Added(base, *withValue.line));
    }
    // An option its translator refuses either way is shown as it would be used, with a value.
    const bool takesValue = withValue.line ? !alone.line || withValue.line->find(kValue) != std::string::npos ||
                                                 !mapped.special.empty()
                                           : !alone.line;
    const WordTranslation& run = takesValue ? withValue : alone;
    for (const std::string& name : {first, second}) {
        if (!name.empty()) {
            const bool isLong = Parameters::IsLongOption(name);
            mapped.legacy.push_back(takesValue ? name + (isLong ? "=" : " ") + kValue : name);
        }
    }
    mapped.refused = !run.line;
    mapped.becomes = run.line ? Added(base, *run.line) : std::string();
    mapped.prints = OneLine(run.messages);
    if (!takesValue) {
        mapped.special.clear();
    }
    return mapped;
}

std::string Code(const std::string& text) {
    return "`" + text + "`";
}

std::string MarkdownRow(const MappedOption& option) {
    std::string legacy;
    for (const std::string& form : option.legacy) {
        legacy += legacy.empty() ? "" : ", ";
        legacy += Code(form);
    }
    std::string becomes = option.becomes.empty() ? "nothing" : Code(option.becomes);
    if (option.refused) {
        becomes = "refused alone: " + Code(option.prints);
    } else if (!option.prints.empty()) {
        becomes += "; prints " + Code(option.prints);
    }
    for (const auto& [value, special] : option.special) {
        becomes += "; with VALUE " + Code(value) + ": " + (special.empty() ? std::string("nothing") : Code(special));
    }
    return "| " + legacy + " | " + becomes + " |\n";
}

}  // namespace

std::vector<MappedCommand> MapCommands() {
    std::vector<MappedCommand> commands;
    for (const KeywordPair& pair : kKeywordPairs) {
        MappedCommand command;
        command.keywords = {pair.keyword, pair.abbreviation};
        const std::string base = *Translate(pair.keyword, {}).line;
        const std::string output = std::string(" --output ") + kDrive + "\\Vexadyn_Support\\";
        command.command = base.substr(0, base.size() - output.size());
        std::vector<const char*> arguments{"tolvex-legacy", pair.keyword};
        const Parameters parameters(static_cast<int>(arguments.size()), arguments.data());
        std::ostringstream console;
        const auto translator = CreateCommand(pair.keyword, parameters, TranslationContext{console, kDrive});
        translator->Prepare();
        for (const OptionPair& row : translator->GetOptionTable()) {
            command.options.push_back(MapOption(pair.keyword, base, row.firstName, row.secondName));
        }
        commands.push_back(command);
    }
    return commands;
}

std::string MapMarkdown(const std::vector<MappedCommand>& commands) {
    std::string text = "Every translated line ends with `--output <SYSTEMDRIVE>\\Vexadyn_Support\\`.\n";
    for (const MappedCommand& command : commands) {
        text += "\n### " + Code(command.keywords[0]) + ", " + Code(command.keywords[1]) + ": ";
        text += command.command.empty() ? std::string("no command words") : Code(command.command);
        text += "\n\n| legacy option | becomes |\n| --- | --- |\n";
        for (const MappedOption& option : command.options) {
            text += MarkdownRow(option);
        }
    }
    return text;
}

std::string MapJson(const std::vector<MappedCommand>& commands) {
    const auto strings = [](const std::vector<std::string>& texts) {
        JsonValue array = JsonValue::Array();
        for (const std::string& text : texts) {
            array.Append(text);
        }
        return array;
    };
    JsonValue list = JsonValue::Array();
    for (const MappedCommand& command : commands) {
        JsonValue options = JsonValue::Array();
        for (const MappedOption& option : command.options) {
            JsonValue special = JsonValue::Array();
            for (const auto& [value, becomes] : option.special) {
                special.Append(JsonValue::Object().Set("value", value).Set("becomes", becomes));
            }
            options.Append(JsonValue::Object()
                               .Set("legacy", strings(option.legacy))
                               .Set("becomes", option.becomes)
                               .Set("prints", option.prints)
                               .Set("refused", JsonValue::Boolean(option.refused))
                               .Set("special", special));
        }
        list.Append(JsonValue::Object()
                        .Set("keywords", strings(command.keywords))
                        .Set("command", command.command)
                        .Set("options", options));
    }
    return JsonValue::Object()
        .Set("output", "--output <SYSTEMDRIVE>\\Vexadyn_Support\\")
        .Set("commands", list)
        .Dump();
}

}  // namespace migrate
