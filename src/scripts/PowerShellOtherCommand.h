#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "scripts/Launchers.h"
#include "scripts/PowerShellFindings.h"

namespace scripts {

// Which command the arguments being read belong to: the legacy program, whose words are kept,
// or another command, whose arguments are looked at only for a mention of the program.
// kLauncher: a program or cmdlet that runs a command line it is handed (see Launchers); kAlias:
// Set-Alias or New-Alias.
enum class CommandKind { kLegacy, kOther, kStartProcess, kInvokeExpression, kLauncher, kAlias, kBlockStatement };

// What the arguments of a command other than the legacy program tell of it, one argument at a
// time: the program started by Start-Process, named in a string Invoke-Expression runs or in the
// command line a launcher is handed (an indirect call, reported to `found` once a command), and
// an alias of it made by Set-Alias or New-Alias (kept in found.toolAliases when the command ends).
class PowerShellOtherCommand {
public:
    // `program`: the command's name or path as written, without enclosing quotes.
    PowerShellOtherCommand(PowerShellFindings& findings, CommandKind kind, std::string_view program);

    // One argument: [begin, end) as written; `value` is its text without enclosing quotes, at
    // `valueBegin`; `passed` the text PowerShell passes, empty when a call was found inside it
    // (a script block, a $( )), which then names no other.
    void Note(std::size_t begin, std::size_t end, std::size_t valueBegin, std::string_view value,
              const std::string& passed);
    // The command has ended.
    void Finish();

private:
    // Start-Process, Invoke-Expression and the launchers.
    void NoteRun(std::size_t begin, std::size_t end, std::size_t valueBegin, std::string_view value,
                 const std::string& passed);
    // Whether `value` is the program Start-Process starts; `match` the name in it, if it shows one.
    bool StartsProgram(std::string_view value, NameMatch& match) const;
    // Whether `value` is a variable that holds the program's path.
    bool NamesToolVariable(std::string_view value) const;
    // Whether the argument `value` is a command line handed on to a launcher.
    bool HandsOn(std::string_view value);
    // Set-Alias [-Name] NAME [-Value] VALUE.
    void NoteAlias(std::string_view value);

    // What the next argument of Set-Alias gives.
    enum class Role { kPositional, kName, kValue, kOther };

    PowerShellFindings& found;
    CommandKind kind;
    bool reported = false;
    // Start-Process: after -ArgumentList.
    bool afterArgumentList = false;
    // A launcher's (or the one Start-Process starts): the reason, and whether its command line
    // may stand in the next argument.
    Launchers::Launch launch;
    bool launchOpen = false;
    // Set-Alias: the alias (lower case), whether its value names the program, and the role of
    // the next argument.
    std::string aliasName;
    bool aliasNamesProgram = false;
    Role next = Role::kPositional;
    std::size_t positional = 0;
};

}  // namespace scripts
