#include "scripts/Launchers.h"

#include <array>

#include "scripts/AsciiCase.h"

namespace scripts {
namespace {

using Reach = Launchers::Reach;

struct Entry {
    // The program's file name without ".exe", or the cmdlet's name, lower case.
    std::string_view name;
    // The reason is `before`, the command's file name as written, then `afterName`.
    std::string_view before;
    std::string_view afterName;
    std::string_view after;
    Reach reach;
};

constexpr std::string_view kCmd = ", which reads its command line again";
constexpr std::string_view kOtherComputer = "it is run on another computer by ";
constexpr std::string_view kWmi = "it is started through WMI by ";

constexpr std::array<Entry, 15> kLaunchers = {{
    {"cmd", "it is run by ", kCmd, "/c|/k", Reach::kProgram},
    {"$env:comspec", "it is run by ", kCmd, "/c|/k", Reach::kProgram},
    {"powershell", "it is run from a string by ", "", "", Reach::kAll},
    {"pwsh", "it is run from a string by ", "", "", Reach::kAll},
    {"schtasks", "it is the command of a scheduled task that ", " makes", "/tr", Reach::kNext},
    {"new-scheduledtaskaction", "it is the action of a scheduled task that ", " makes", "", Reach::kAll},
    {"psexec", kOtherComputer, "", "", Reach::kAll},
    {"psexec64", kOtherComputer, "", "", Reach::kAll},
    {"paexec", kOtherComputer, "", "", Reach::kAll},
    {"winrs", kOtherComputer, "", "", Reach::kAll},
    {"runas", "it is run as another user by ", "", "", Reach::kAll},
    {"wmic", kWmi, "", "create", Reach::kNext},
    // -Name Create or -MethodName Create, then the command line in the arguments after it.
    {"invoke-wmimethod", kWmi, "", "create", Reach::kAfter},
    {"invoke-cimmethod", kWmi, "", "create", Reach::kAfter},
    {"at", "it is run at a set time by ", "", "", Reach::kAll},
}};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsBlankOrQuote(char c) {
    return IsBlank(c) || c == '"' || c == '\'';
}

// Where one of the `after` words ends as a whole word of `text` (its closing quote included when
// it is quoted), looked for without regard to case; npos when none is there.
std::size_t WordEnd(std::string_view text, const Launchers::Launch& launch) {
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (at > 0 && !IsBlankOrQuote(text[at - 1])) {
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !IsBlankOrQuote(text[end])) {
            ++end;
        }
        if (end > at && Launchers::Opens(launch, text.substr(at, end - at))) {
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

// The command's file name as written, after its last folder separator.
std::string_view WrittenName(std::string_view command) {
    const std::size_t slash = command.find_last_of("\\/");
    return slash == std::string_view::npos ? command : command.substr(slash + 1);
}

// The file name without ".exe", as the table names programs.
std::string_view TableName(std::string_view written) {
    if (written.size() > 4 && EqualsIgnoringCase(written.substr(written.size() - 4), ".exe")) {
        written.remove_suffix(4);
    }
    return written;
}

}  // namespace

bool Launchers::IsCmd(std::string_view command) {
    const std::string_view name = TableName(WrittenName(command));
    return EqualsIgnoringCase(name, "cmd") || EqualsIgnoringCase(command, "%comspec%") ||
           EqualsIgnoringCase(command, "$env:comspec");
}

Launchers::Launch Launchers::Of(std::string_view command) {
    const std::string_view written = WrittenName(command);
    const std::string_view name = TableName(written);
    for (const Entry& entry : kLaunchers) {
        // The length first: this is asked of every command of a script.
        if (name.size() == entry.name.size() && EqualsIgnoringCase(name, entry.name)) {
            std::string reason(entry.before);
            reason += written;
            reason += entry.afterName;
            return Launch{reason, entry.after, entry.reach};
        }
    }
    return Launch{};
}

bool Launchers::Opens(const Launch& launch, std::string_view argument) {
    std::string_view words = launch.after;
    while (!words.empty()) {
        const std::size_t bar = words.find('|');
        if (EqualsIgnoringCase(words.substr(0, bar), argument)) {
            return true;
        }
        words = bar == std::string_view::npos ? std::string_view() : words.substr(bar + 1);
    }
    return false;
}

std::string_view Launchers::CommandLine(std::string_view arguments, const Launch& launch) {
    if (launch.reach == Reach::kAll || launch.after.empty()) {
        return arguments;
    }
    const std::size_t end = WordEnd(arguments, launch);
    if (end == std::string_view::npos) {
        return {};
    }
    return launch.reach == Reach::kAfter ? arguments.substr(end) : NextWord(arguments.substr(end));
}

bool Launchers::InFirstWord(std::string_view line, std::size_t at) {
    std::size_t begin = 0;
    while (begin < at && IsBlank(line[begin])) {
        ++begin;
    }
    // A line in quotes as a whole ("old up", ""C:\T\old.exe" up"): its words are inside them.
    const bool whole = begin < at && line[begin] == '"';
    bool quoted = false;
    for (std::size_t i = begin + (whole ? 1 : 0); i < at; ++i) {
        quoted = line[i] == '"' ? !quoted : quoted;
        if (!quoted && IsBlank(line[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace scripts
