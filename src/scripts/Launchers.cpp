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
};

constexpr std::string_view kOtherComputer = "it is run on another computer by ";
constexpr std::string_view kWmi = "it is started through WMI by ";

constexpr std::array<Entry, 15> kLaunchers = {{
    {"cmd", "it is run by ", ", which reads its command line again", ""},
    {"$env:comspec", "it is run by ", ", which reads its command line again", ""},
    {"powershell", "it is run from a string by ", "", ""},
    {"pwsh", "it is run from a string by ", "", ""},
    {"schtasks", "it is the command of a scheduled task that ", " makes", "/tr"},
    {"new-scheduledtaskaction", "it is the action of a scheduled task that ", " makes", ""},
    {"psexec", kOtherComputer, "", ""},
    {"psexec64", kOtherComputer, "", ""},
    {"paexec", kOtherComputer, "", ""},
    {"winrs", kOtherComputer, "", ""},
    {"runas", "it is run as another user by ", "", ""},
    {"wmic", kWmi, "", "create"},
    {"invoke-wmimethod", kWmi, "", ""},
    {"invoke-cimmethod", kWmi, "", ""},
    {"at", "it is run at a set time by ", "", ""},
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
            return Launch{reason, entry.after};
        }
    }
    return Launch{};
}

std::size_t Launchers::SearchFrom(std::string_view arguments, std::string_view after) {
    if (after.empty()) {
        return 0;
    }
    for (std::size_t at = 0; at + after.size() <= arguments.size(); ++at) {
        const std::size_t end = at + after.size();
        if ((at == 0 || IsBlankOrQuote(arguments[at - 1])) &&
            (end == arguments.size() || IsBlankOrQuote(arguments[end])) &&
            EqualsIgnoringCase(arguments.substr(at, after.size()), after)) {
            return end;
        }
    }
    return std::string_view::npos;
}

}  // namespace scripts
