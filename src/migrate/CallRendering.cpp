#include "migrate/CallRendering.h"

#include <algorithm>

#include "scripts/CrtArguments.h"

namespace migrate {

using scripts::ScriptCall;

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::size_t PlaceholderIndex(const std::string& text, std::size_t at, std::size_t& length) {
    const std::size_t end = text.find(scripts::kPlaceholderEnd, at);
    length = end - at + 1;
    return static_cast<std::size_t>(std::stoul(text.substr(at + 1, end - at - 1)));
}

namespace {

// One word of the current tool's command line as PowerShell writes it so that a native program
// receives exactly that word from 5.1 and from 7.3 alike; nothing when they would differ. (A word
// with a space that ends in a backslash, which they also pass differently, cannot come out of
// the split: the translators quote such a value, and the backslash then escapes the quote.)
std::optional<std::string> PowerShellWord(const std::string& word, const ScriptCall& call, std::string& why) {
    if (word.find('"') != std::string::npos) {
        why = "a value holds a double quote, which PowerShell 5.1 and 7.3 pass on differently";
        return std::nullopt;
    }
    std::size_t length = 0;
    // A word that is one variable and nothing else goes as the variable itself.
    if (word[0] == scripts::kPlaceholderStart && word.find(scripts::kPlaceholderEnd) + 1 == word.size() &&
        PlaceholderIndex(word, 0, length) < call.variables.size()) {
        return call.variables[PlaceholderIndex(word, 0, length)].source;
    }
    if (word.find(scripts::kPlaceholderStart) == std::string::npos) {
        bool bare = true;
        for (const char c : word) {
            bare = bare && (std::isalnum(static_cast<unsigned char>(c)) != 0 ||
                            std::string("-_.:\\/=+").find(c) != std::string::npos);
        }
        return bare ? word : "'" + ReplaceAll(word, "'", "''") + "'";
    }
    std::string quoted = "\"";
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != scripts::kPlaceholderStart) {
            quoted += std::string("`$\"").find(word[i]) != std::string::npos ? std::string("`") + word[i]
                                                                             : std::string(1, word[i]);
            continue;
        }
        const std::size_t index = PlaceholderIndex(word, i, length);
        i += length - 1;
        if (index >= call.variables.size()) {
            quoted += "$env:SYSTEMDRIVE";
            continue;
        }
        const std::string& source = call.variables[index].source;
        // "$name:" or "$name1" would read on into the next characters; braces end the name.
        const bool simple = source.size() > 1 && source[0] == '$' && source[1] != '{' && source[1] != '(';
        quoted += simple ? "${" + source.substr(1) + "}" : source;
    }
    return quoted + "\"";
}

// Whether a variable written in double quotes stands in `element`: such a value is quoted again,
// so that the variable may hold spaces as before.
bool HoldsQuotedVariable(const std::string& element, const ScriptCall& call) {
    std::size_t length = 0;
    for (std::size_t at = element.find(scripts::kPlaceholderStart); at != std::string::npos;
         at = element.find(scripts::kPlaceholderStart, at + 1)) {
        const std::size_t index = PlaceholderIndex(element, at, length);
        if (index < call.variables.size() && call.variables[index].quoted) {
            return true;
        }
    }
    return false;
}

// One element of the translated line as a batch file writes it: variables as written, the drive
// as %SYSTEMDRIVE%, a literal % doubled, and inside a block an unquoted ")" escaped (one left
// unquoted only next to double quotes of its own).
std::string BatchElement(const std::string& element, const ScriptCall& call, bool requote) {
    std::string written = requote ? "\"" : "";
    bool quoted = requote;
    for (std::size_t i = 0; i < element.size(); ++i) {
        const char c = element[i];
        if (c == scripts::kPlaceholderStart) {
            std::size_t length = 0;
            const std::size_t index = PlaceholderIndex(element, i, length);
            i += length - 1;
            written += index < call.variables.size() ? call.variables[index].source : "%SYSTEMDRIVE%";
            continue;
        }
        quoted = c == '"' ? !quoted : quoted;
        if (c == '%') {
            written += "%%";
        } else if (c == ')' && call.insideBlock && !quoted) {
            written += "^)";
        } else {
            written += c;
        }
    }
    return written + (requote ? "\"" : "");
}

// Hands `each` the elements of a translated line from `start` on, in order, and whether a space
// follows each: an element runs to the next space outside double quotes, so two spaces in a row
// give an empty element. Stops early, returning false, when `each` does.
template <typename Each>
bool ForEachElement(const std::string& line, std::size_t start, Each each) {
    while (start < line.size()) {
        bool inQuotes = false;
        std::size_t end = start;
        while (end < line.size() && (inQuotes || line[end] != ' ')) {
            inQuotes = line[end] == '"' ? !inQuotes : inQuotes;
            ++end;
        }
        if (!each(line.substr(start, end - start), end < line.size())) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

std::optional<std::string> RenderPowerShell(const std::string& line, const ScriptCall& call, std::string& why) {
    // After --% the text goes on as written. It holds no double quote: the reader leaves a call
    // whose text after --% has one (7.3 and later would escape it), and without one no value
    // can hold a space that the translation would quote.
    if (call.stopParsing) {
        return "--% " + ShowVariables(line.substr(line.find_first_not_of(' ')), [&](std::size_t i) {
                   return i < call.variables.size() ? call.variables[i].source : std::string("%SYSTEMDRIVE%");
               });
    }
    std::string text;
    for (const std::string& word : scripts::SplitCrtArguments(line)) {
        const std::optional<std::string> written = PowerShellWord(word, call, why);
        if (!written) {
            return std::nullopt;
        }
        text += (text.empty() ? "" : " ") + *written;
    }
    return text;
}

std::string RenderTask(const std::string& line, const ScriptCall& call) {
    std::string text;
    ForEachElement(line, std::min(line.find_first_not_of(' '), line.size()), [&](const std::string& element, bool) {
        const bool requote = HoldsQuotedVariable(element, call) && element.find('"') == std::string::npos;
        const std::string shown = ShowVariables(element, [&](std::size_t i) {
            return i < call.variables.size() ? call.variables[i].source : std::string("%SYSTEMDRIVE%");
        });
        text += (text.empty() ? "" : " ") + (requote ? "\"" + shown + "\"" : shown);
        return true;
    });
    return text;
}

std::optional<std::string> RenderBatch(const std::string& line, const ScriptCall& call, std::string& why) {
    if (call.delayedExpansion && line.find('!') != std::string::npos) {
        why = "a value holds \"!\", which delayed expansion acts on here";
        return std::nullopt;
    }
    // cmd.exe reads the rest of the script line after the arguments in the quoting the arguments
    // leave open; it must stay closed.
    if (std::count(line.begin(), line.end(), '"') % 2 != 0) {
        why = "a value holds a double quote, which would change how cmd.exe reads the rest of the line";
        return std::nullopt;
    }
    std::string text;
    const bool whole = ForEachElement(line, 0, [&](const std::string& element, bool spaceAfter) {
        // Inside a block, a parenthesis in a value goes in double quotes: cmd.exe versions disagree
        // on an escaped one there.
        const bool parenthesis = call.insideBlock && element.find_first_of("()") != std::string::npos;
        if (parenthesis && element.find('"') == std::string::npos && element.back() == '\\') {
            why = "a value inside a block holds a parenthesis and ends in a backslash, which cannot be quoted";
            return false;
        }
        const bool requote =
            (parenthesis || HoldsQuotedVariable(element, call)) && element.find('"') == std::string::npos;
        text += BatchElement(element, call, requote);
        text += spaceAfter ? " " : "";
        return true;
    });
    return whole ? std::optional<std::string>(text) : std::nullopt;
}

}  // namespace migrate
