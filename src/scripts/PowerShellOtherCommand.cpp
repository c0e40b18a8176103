#include "scripts/PowerShellOtherCommand.h"

#include <algorithm>
#include <vector>

#include "scripts/AsciiCase.h"
#include "scripts/PowerShellReasons.h"

namespace scripts {
namespace {

// -ArgumentList of Start-Process, by any prefix, or its alias -Args.
bool IsArgumentListParameter(std::string_view text) {
    if (text.size() < 2 || text[0] != '-') {
        return false;
    }
    const std::string_view name = text.substr(1);
    constexpr std::string_view kFull = "argumentlist";
    return EqualsIgnoringCase(name, "args") || (name.size() <= kFull.size() && EqualsIgnoringCase(name, kFull.substr(0, name.size())));
}

// Whether `parameter` (without its dash) names the parameter `full` by a prefix of at least
// `shortest` letters, as PowerShell takes it.
bool Names(std::string_view parameter, std::string_view full, std::size_t shortest) {
    return parameter.size() >= shortest && parameter.size() <= full.size() &&
           EqualsIgnoringCase(full.substr(0, parameter.size()), parameter);
}

}  // namespace

PowerShellOtherCommand::PowerShellOtherCommand(PowerShellFindings& findings, CommandKind kind, std::string_view program)
    : found(findings), kind(kind) {
    if (kind == CommandKind::kLauncher) {
        launch = Launchers::Of(program);
        launchOpen = launch.reach == Launchers::Reach::kAll;
    }
}

void PowerShellOtherCommand::Note(std::size_t begin, std::size_t end, std::size_t valueBegin, std::string_view value,
                                  const std::string& passed) {
    found.NoteNaming(value);
    if (kind == CommandKind::kAlias) {
        NoteAlias(value);
    } else {
        NoteRun(begin, end, valueBegin, value, passed);
    }
}

void PowerShellOtherCommand::NoteRun(std::size_t begin, std::size_t end, std::size_t valueBegin,
                                     std::string_view value, const std::string& passed) {
    const bool handedOn = HandsOn(value);
    NameMatch match;
    if (reported) {
        // One finding a command.
    } else if (StartsProgram(value, match)) {
        // A variable shows no name: the finding stands at the argument.
        found.AddIndirectCall(begin, end, match, match.fileEnd > 0 ? valueBegin : begin, kStartProcess);
        reported = true;
    } else if (kind == CommandKind::kInvokeExpression && found.names.FindMention(value, 0, match)) {
        found.AddIndirectCall(begin, end, match, valueBegin, kInvokeExpression);
        reported = true;
    } else if (handedOn && !passed.empty()) {
        // As written, or as passed (o`ld is old): then shown at its argument.
        const bool written = found.names.FindMention(value, 0, match);
        // cmd /c runs the program its line starts with: "/c echo old" runs echo.
        reported = (written || found.names.FindMention(passed, 0, match)) &&
                   (kind != CommandKind::kLauncher || launch.reach != Launchers::Reach::kProgram ||
                    Launchers::InFirstWord(written ? value : passed, match.nameBegin));
        if (reported) {
            found.AddIndirectCall(begin, end, written ? match : NameMatch{}, written ? valueBegin : begin, launch.reason);
        }
    }
    afterArgumentList = IsArgumentListParameter(value);
    // Open for good, for the next argument only, or not yet.
    const bool lasts = launch.reach == Launchers::Reach::kAll || launch.reach == Launchers::Reach::kAfter;
    launchOpen = kind == CommandKind::kLauncher && (Launchers::Opens(launch, passed) || (launchOpen && lasts));
}

// Start-Process's program: a path naming it, or a variable holding one.
bool PowerShellOtherCommand::StartsProgram(std::string_view value, NameMatch& match) const {
    match = NameMatch{};
    return kind == CommandKind::kStartProcess && !afterArgumentList &&
           (found.names.IsProgramPath(value, match) || NamesToolVariable(value));
}

// $tool, ${tool} or $script:tool, assigned a path naming the program earlier in the file.
bool PowerShellOtherCommand::NamesToolVariable(std::string_view value) const {
    if (value.size() < 2 || value[0] != '$') {
        return false;
    }
    std::string_view name = value.substr(1);
    if (name.size() >= 2 && name.front() == '{' && name.back() == '}') {
        name = name.substr(1, name.size() - 2);
    }
    const bool plain = std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':';
    });
    const std::vector<std::string>& known = found.toolVariables;
    return plain && std::find(known.begin(), known.end(), PowerShellFindings::VariableKey(name)) != known.end();
}

bool PowerShellOtherCommand::HandsOn(std::string_view value) {
    // A command line handed on: to a launcher once the argument before it (if it needs one) has
    // been passed, or by Start-Process to a launcher it starts (its other programs take their
    // arguments as they are: notepad opens a file named old).
    if (kind == CommandKind::kStartProcess && !afterArgumentList && launch.reason.empty()) {
        launch = Launchers::Of(value);
    }
    return kind == CommandKind::kLauncher ? launchOpen
                                          : kind == CommandKind::kStartProcess && afterArgumentList && !launch.reason.empty();
}

// By the parameters' prefixes, "-Name:x" too; -Scope, -Option and -Description take a value,
// the other parameters none.
void PowerShellOtherCommand::NoteAlias(std::string_view value) {
    if (next == Role::kPositional && value.size() > 1 && value[0] == '-') {
        const std::size_t colon = value.find(':');
        const std::string_view parameter = value.substr(1, colon == std::string_view::npos ? value.size() : colon - 1);
        const bool other = Names(parameter, "scope", 1) || Names(parameter, "option", 1) || Names(parameter, "description", 2);
        next = Names(parameter, "name", 1) ? Role::kName
               : Names(parameter, "value", 2) ? Role::kValue
               : other ? Role::kOther
                       : Role::kPositional;
        if (colon == std::string_view::npos || next == Role::kPositional) {
            return;
        }
        value = value.substr(colon + 1);  // "-Name:fw": the parameter's value in the same argument
    }
    Role role = next;
    next = Role::kPositional;
    if (role == Role::kPositional) {
        role = positional == 0 ? Role::kName : positional == 1 ? Role::kValue : Role::kOther;
        ++positional;
    }
    NameMatch match;
    if (role == Role::kName) {
        aliasName = AsciiLowered(value);
    } else if (role == Role::kValue) {
        aliasNamesProgram = found.names.IsProgramPath(value, match);
    }
}

void PowerShellOtherCommand::Finish() {
    if (kind != CommandKind::kAlias || aliasName.empty()) {
        return;
    }
    // Made, or made again for another program: the commands after it by that name follow.
    std::vector<std::string>& aliases = found.toolAliases;
    aliases.erase(std::remove(aliases.begin(), aliases.end(), aliasName), aliases.end());
    if (aliasNamesProgram) {
        aliases.push_back(aliasName);
    }
}

}  // namespace scripts
