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

bool IsBlankOrQuote(char c) {
    return c == ' ' || c == '\t' || c == '"' || c == '\'';
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
    const std::string_view after = launch.after;
    if (after.empty()) {
        return arguments;
    }
    for (std::size_t at = 0; at + after.size() <= arguments.size(); ++at) {
        std::size_t end = at + after.size();
        if ((at == 0 || IsBlankOrQuote(arguments[at - 1])) &&
            (end == arguments.size() || IsBlankOrQuote(arguments[end])) &&
            EqualsIgnoringCase(arguments.substr(at, after.size()), after)) {
            if (!launch.onlyNext) {
                return arguments.substr(end);
            }
            end += at > 0 && arguments[at - 1] == '"' && end < arguments.size() && arguments[end] == '"' ? 1 : 0;
            while (end < arguments.size() && (arguments[end] == ' ' || arguments[end] == '\t')) {
                ++end;
            }
            bool quoted = false;
            std::size_t wordEnd = end;
            while (wordEnd < arguments.size() && (quoted || (arguments[wordEnd] != ' ' && arguments[wordEnd] != '\t'))) {
                quoted = arguments[wordEnd] == '"' ? !quoted : quoted;
                ++wordEnd;
            }
            return arguments.substr(end, wordEnd - end);
        }
    }
    return {};
}

}  // namespace scripts
