#include "scripts/Launchers.h"

#include <array>

#include "scripts/AsciiCase.h"

namespace scripts {
namespace {

struct Entry {
    // The program's file name without ".exe", or the cmdlet's name, lower case.
    std::string_view name;
    // The reason is `before`, the command's file name as written, then `afterName`.
    std::string_view before;
    std::string_view afterName;
    std::string_view after;
    bool onlyNext;
};

constexpr std::string_view kOtherComputer = "it is run on another computer by ";
constexpr std::string_view kWmi = "it is started through WMI by ";

constexpr std::array<Entry, 15> kLaunchers = {{
    {"cmd", "it is run by ", ", which reads its command line again", "", false},
    {"$env:comspec", "it is run by ", ", which reads its command line again", "", false},
    {"powershell", "it is run from a string by ", "", "", false},
    {"pwsh", "it is run from a string by ", "", "", false},
    {"schtasks", "it is the command of a scheduled task that ", " makes", "/tr", true},
    {"new-scheduledtaskaction", "it is the action of a scheduled task that ", " makes", "", false},
    {"psexec", kOtherComputer, "", "", false},
    {"psexec64", kOtherComputer, "", "", false},
    {"paexec", kOtherComputer, "", "", false},
    {"winrs", kOtherComputer, "", "", false},
    {"runas", "it is run as another user by ", "", "", false},
    {"wmic", kWmi, "", "create", true},
    // -Name Create or -MethodName Create, then the command line in the arguments after it.
    {"invoke-wmimethod", kWmi, "", "create", false},
    {"invoke-cimmethod", kWmi, "", "create", false},
    {"at", "it is run at a set time by ", "", "", false},
}};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsBlankOrQuote(char c) {
    return IsBlank(c) || c == '"' || c == '\'';
}

// Where `word` ends as a whole word of `text` (its closing quote included when it is quoted),
// looked for without regard to case; npos when it is not there.
std::size_t WordEnd(std::string_view text, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at) {
        const std::size_t end = at + word.size();
        if ((at == 0 || IsBlankOrQuote(text[at - 1])) && (end == text.size() || IsBlankOrQuote(text[end])) &&
            EqualsIgnoringCase(text.substr(at, word.size()), word)) {
            return end + (at > 0 && text[at - 1] == '"' && end < text.size() && text[end] == '"' ? 1 : 0);
        }
    }
    return std::string_view::npos;
}

// The first word of `text`, after blanks; double quotes keep blanks inside it.
std::string_view NextWord(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) {
        ++begin;
    }
    bool quoted = false;
    std::size_t end = begin;
    while (end < text.size() && (quoted || !IsBlank(text[end]))) {
        quoted = text[end] == '"' ? !quoted : quoted;
        ++end;
    }
    return text.substr(begin, end - begin);
}

}  // namespace

Launchers::Launch Launchers::Of(std::string_view command) {
    const std::size_t slash = command.find_last_of("\\/");
    const std::string_view written = slash == std::string_view::npos ? command : command.substr(slash + 1);
    std::string_view name = written;
    if (name.size() > 4 && EqualsIgnoringCase(name.substr(name.size() - 4), ".exe")) {
        name.remove_suffix(4);
    }
    for (const Entry& entry : kLaunchers) {
        if (EqualsIgnoringCase(name, entry.name)) {
            std::string reason(entry.before);
            reason += written;
            reason += entry.afterName;
            return Launch{reason, entry.after, entry.onlyNext};
        }
    }
    return Launch{};
}

std::string_view Launchers::CommandLine(std::string_view arguments, const Launch& launch) {
    if (launch.after.empty()) {
        return arguments;
    }
    const std::size_t end = WordEnd(arguments, launch.after);
    if (end == std::string_view::npos) {
        return {};
    }
    return launch.onlyNext ? NextWord(arguments.substr(end)) : arguments.substr(end);
}

}  // namespace scripts
