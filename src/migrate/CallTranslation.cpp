#include "migrate/CallTranslation.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "migrate/CallRendering.h"
#include "migrate/ProbeWords.h"
#include "migrate/WordTranslation.h"
#include "params/Parameters.h"
#include "scripts/AsciiCase.h"
#include "scripts/CrtArguments.h"

namespace migrate {
namespace {

using scripts::ScriptCall;

constexpr const char* kToolName = "tolvex";

// The first variable in `word`, or nothing.
std::optional<std::size_t> FirstVariable(const std::string& word) {
    const std::size_t at = word.find(scripts::kPlaceholderStart);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    std::size_t length = 0;
    return PlaceholderIndex(word, at, length);
}

// The first variable known to hold a space that `text` refers to, as "%NAME% (set on line N)".
std::optional<std::string> SpacedVariableIn(const std::string& source,
                                            const std::map<std::string, std::size_t>& spacedVariables) {
    const std::string text = scripts::AsciiUppered(source);
    for (const auto& [name, line] : spacedVariables) {
        for (const std::string& form : {"%" + name + "%", "!" + name + "!"}) {
            if (text.find(form) != std::string::npos) {
                return form + " (set on line " + std::to_string(line) + ")";
            }
        }
    }
    return std::nullopt;
}

// Whether a variable of the %~dp0 kind (a path with its folder and no name) ends a word inside
// double quotes: its last backslash then escapes the closing quote.
std::optional<std::string> BackslashBeforeQuote(const ScriptCall& call) {
    for (std::size_t index = 0; index < call.variables.size(); ++index) {
        const std::string& source = call.variables[index].source;
        const std::size_t tilde = source.find('~');
        const std::string modifiers = tilde == std::string::npos ? "" : source.substr(tilde + 1);
        const bool folder = modifiers.find('p') != std::string::npos && modifiers.find_first_of("nx") == std::string::npos;
        const std::string placeholder = scripts::Placeholder(index);
        for (const std::string& word : call.words) {
            const bool last = word.size() >= placeholder.size() &&
                              word.compare(word.size() - placeholder.size(), placeholder.size(), placeholder) == 0;
            if (call.variables[index].quoted && folder && last) {
                return source + " ends in a backslash, which escapes the double quote after it";
            }
        }
    }
    return std::nullopt;
}

// A program word whose folder holds a space, as the script writes it: its reason.
std::optional<std::string> SpacedFolder(const ScriptCall& call, const std::string& programText) {
    const std::string folder = programText.substr(0, call.name.begin - call.program.begin);
    if (folder.find(' ') == std::string::npos) {
        return std::nullopt;
    }
    return SpacedFolderReason("the program's folder holds a space");
}

// Reasons in what the script shows of its variables.
std::optional<std::string> ScriptProblem(const ScriptCall& call,
                                         const std::map<std::string, std::size_t>& spacedVariables) {
    for (const scripts::VariableReference& variable : call.variables) {
        const auto spaced = variable.quoted ? std::nullopt : SpacedVariableIn(variable.source, spacedVariables);
        if (spaced) {
            return "the value of " + *spaced + " holds a space, which splits it into two words";
        }
    }
    return BackslashBeforeQuote(call);
}

// Reasons that keep the words from being translated at all: where a variable stands decides
// what the legacy program makes of the word.
std::optional<std::string> ShapeProblem(const ScriptCall& call) {
    for (const scripts::VariableReference& variable : call.variables) {
        if (variable.wholeList) {
            return "the arguments come from " + variable.source + ", which may hold any number of words";
        }
    }
    if (!call.words.empty()) {
        if (const auto variable = FirstVariable(call.words[0])) {
            return "the command keyword comes from " + call.variables[*variable].source;
        }
    }
    for (std::size_t i = 1; i < call.words.size(); ++i) {
        const std::string& word = call.words[i];
        const auto variable = FirstVariable(word);
        if (!variable) {
            continue;
        }
        const bool afterShortOption = i >= 2 && Parameters::IsShortOption(call.words[i - 1]);
        if (word[0] == scripts::kPlaceholderStart && !afterShortOption) {
            return "an option word comes from " + call.variables[*variable].source;
        }
        const std::size_t nameEnd = Parameters::IsLongOption(word) ? word.find('=') : word.size();
        if (word[0] == '-' && word.find(scripts::kPlaceholderStart) < nameEnd) {
            return "an option name comes from " + call.variables[*variable].source;
        }
    }
    return std::nullopt;
}

// A reason when the result depends on what a variable holds, found by trying the probe words.
std::optional<std::string> ValueDependence(const ScriptCall& call, const WordTranslation& base,
                                           const std::string& systemDrive) {
    for (std::size_t index = 0; index < call.variables.size(); ++index) {
        const std::string placeholder = scripts::Placeholder(index);
        bool startsWord = false;
        for (const std::string& word : call.words) {
            startsWord = startsWord || word.rfind(placeholder, 0) == 0;
        }
        for (const char* probe : kProbeWords) {
            if (startsWord && probe[0] == '-') {
                continue;  // a word of its own never begins with a dash
            }
            std::vector<std::string> words;
            for (const std::string& word : call.words) {
                words.push_back(ReplaceAll(word, placeholder, probe));
            }
            const WordTranslation tried = TranslateWords(words, systemDrive);
            if (tried.line == ReplaceAll(*base.line, placeholder, probe) &&
                tried.messages == ReplaceAll(base.messages, placeholder, probe)) {
                continue;
            }
            std::string why = "the translation depends on what " + call.variables[index].source +
                              " holds: with \"" + probe + "\" ";
            if (!tried.line) {
                return why + "tolvex-legacy refuses the call";
            }
            const std::string shown = ShowVariables(*tried.line, [&](std::size_t i) {
                return i < call.variables.size() ? call.variables[i].source : std::string("C:");
            });
            return why + "it becomes " + shown.substr(shown.find_first_not_of(' '));
        }
    }
    return std::nullopt;
}

// A reason when cmd.exe, running the translated line for tolvex-legacy, acted on a character of
// it: & | < > ^ outside double quotes, and % signs that can form a %name% pair.
std::optional<std::string> InterpreterProblem(const std::string& line) {
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && std::string("&|<>^").find(c) != std::string::npos) {
            return std::string("a value holds \"") + c + "\", which cmd.exe acted on when tolvex-legacy ran its line";
        }
    }
    const std::size_t percent = line.find('%');
    if (percent != std::string::npos && line.find('%', percent + 1) != std::string::npos) {
        return "a value holds two % signs, which cmd.exe may have expanded when tolvex-legacy ran its line";
    }
    return std::nullopt;
}

}  // namespace

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::kRewrite:
            return "rewrite";
        case Verdict::kReview:
            return "review";
        case Verdict::kManual:
            break;
    }
    return "manual";
}

namespace {

// Everything TranslateCall's answer depends on, as one string: the same call written in many
// scripts (a fleet's scripts repeat a few calls) is translated once per thread.
std::string CallKey(const ScriptCall& call, Dialect dialect, const std::string& programText,
                    const std::map<std::string, std::size_t>& spacedVariables) {
    std::string key;
    const auto add = [&key](const std::string& part) {
        key += std::to_string(part.size());
        key += ':';
        key += part;
    };
    key += static_cast<char>('0' + static_cast<int>(dialect));
    key += call.delayedExpansion ? 'd' : '-';
    key += call.insideBlock ? 'b' : '-';
    key += call.stopParsing ? 's' : '-';
    add(programText.substr(0, call.name.begin - call.program.begin));
    add(call.manual);
    add(call.review);
    for (const std::string& word : call.words) {
        add(word);
    }
    key += '|';
    for (const scripts::VariableReference& variable : call.variables) {
        add(variable.source);
        key += variable.quoted ? 'q' : '-';
        key += variable.wholeList ? 'w' : '-';
    }
    key += '|';
    for (const auto& [name, line] : spacedVariables) {
        add(name);
        add(std::to_string(line));
    }
    return key;
}

CallOutcome Translate(const ScriptCall& call, Dialect dialect, const std::string& programText,
                      const std::map<std::string, std::size_t>& spacedVariables) {
    CallOutcome outcome;
    if (!call.manual.empty()) {
        outcome.why = call.manual;
        return outcome;
    }
    outcome.verdict = Verdict::kReview;
    // How the call is written may leave its words unknown: those reasons come first.
    if (!call.review.empty()) {
        outcome.why = call.review;
        return outcome;
    }
    if (const auto problem = ShapeProblem(call)) {
        outcome.why = *problem;
        return outcome;
    }
    const std::string systemDrive = scripts::Placeholder(call.variables.size());
    const WordTranslation base = TranslateWords(call.words, systemDrive);
    if (!base.line) {
        outcome.verdict = Verdict::kManual;
        const std::string shown = ShowVariables(base.messages, [&](std::size_t i) { return call.variables[i].source; });
        outcome.why = "tolvex-legacy refuses it: " + shown.substr(0, shown.find_last_not_of(" \n") + 1);
        outcome.why = ReplaceAll(outcome.why, "\n", " / ");
        return outcome;
    }
    if (const auto problem = ScriptProblem(call, spacedVariables)) {
        outcome.why = *problem;
        return outcome;
    }
    std::optional<std::string> reason = ValueDependence(call, base, systemDrive);
    if (!reason) {
        reason = InterpreterProblem(*base.line);
    }
    if (reason) {
        outcome.why = *reason;
        return outcome;
    }
    std::optional<std::string> arguments;
    if (dialect == Dialect::kBatch) {
        arguments = RenderBatch(*base.line, call, outcome.why);
    } else if (dialect == Dialect::kPowerShell) {
        arguments = RenderPowerShell(*base.line, call, outcome.why);
    } else {
        arguments = RenderTask(*base.line, call);
    }
    if (!arguments) {
        return outcome;
    }
    outcome.verdict = Verdict::kRewrite;
    const std::optional<std::string> spacedFolder = SpacedFolder(call, programText);
    outcome.why = spacedFolder           ? *spacedFolder
                  : call.variables.empty() ? "every argument is literal"
                                           : "variables stand only in values that are passed on unchanged";
    outcome.name = kToolName;
    outcome.arguments = *arguments;
    return outcome;
}

}  // namespace

// tolvex-legacy names its own folder unquoted in the line it runs: from a folder with a space
// cmd.exe never finds tolvex.exe and the call has always ended with 9009. The new call names the
// folder as the script does, quoted, so it starts tolvex.exe with the words tolvex-legacy printed:
// the one rewrite that changes what happens, which its reason says.
std::string SpacedFolderReason(const std::string& clause) {
    return clause + ": the new call starts tolvex.exe there, where tolvex-legacy could not (9009)";
}

CallOutcome TranslateCall(const ScriptCall& call, Dialect dialect, const std::string& programText,
                          const std::map<std::string, std::size_t>& spacedVariables) {
    // Bounded: a run over many different calls starts the memory over now and then. Shared by
    // the threads under a lock (a thread_local map's destructor crashes MinGW's static runtime
    // at thread exit); the translation itself runs outside it.
    constexpr std::size_t kRemembered = 4096;
    static std::mutex lock;
    static std::unordered_map<std::string, CallOutcome> remembered;
    std::string key = CallKey(call, dialect, programText, spacedVariables);
    {
        const std::lock_guard<std::mutex> guard(lock);
        const auto known = remembered.find(key);
        if (known != remembered.end()) {
            return known->second;
        }
    }
    CallOutcome outcome = Translate(call, dialect, programText, spacedVariables);
    const std::lock_guard<std::mutex> guard(lock);
    if (remembered.size() >= kRemembered) {
        remembered.clear();
    }
    remembered.emplace(std::move(key), outcome);
    return outcome;
}

}  // namespace migrate
