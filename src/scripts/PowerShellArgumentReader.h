#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "scripts/PowerShellCursor.h"
#include "scripts/PowerShellFindings.h"
#include "scripts/PowerShellOtherCommand.h"
#include "scripts/PowerShellWordReader.h"
#include "scripts/ScriptCall.h"

namespace scripts {


// Reads a command's arguments from the cursor to the end of the command: the words (with comma
// lists joined again, as PowerShell does for a native program), redirections, a trailing '&'
// and the verbatim text after --%. For the legacy program it fills the call's `words`,
// `arguments` and `variables`, and its `review` and `manual` reasons: how PowerShell passes each
// word (PassingDifference) and what around the arguments changes where the output goes.
class PowerShellArgumentReader {
public:
    PowerShellArgumentReader(PowerShellCursor& cursor, PowerShellFindings& findings, PowerShellWordReader& wordReader)
        : scan(cursor), found(findings), words(wordReader) {}

    // The kind of the command whose program token is `path`: Start-Process and Invoke-Expression
    // (and their aliases) and the launchers by the file name after the last '\' or '/', kOther
    // for the rest.
    static CommandKind KindOf(std::string_view path);

    // Reads the arguments after `call.program`. For kLegacy `call` gets them; for another command
    // `call` is scratch, and an argument of Start-Process, Invoke-Expression or a launcher naming
    // the program is reported to `found` as an indirect call.
    void ScanArguments(ScriptCall& call, CommandKind kind);

    // At a command named "--%", as in "& --% x": PowerShell takes the rest of the line (up to a
    // '|' or "&&") as its one verbatim argument. Moves past both and returns true; false elsewhere.
    bool SkipStopParsingCommand();

private:
    static constexpr std::size_t kPlainStopParsing = 3;  // "--%"


    void ScanOneArgument(ScriptCall& call, CommandKind kind, PowerShellOtherCommand& other);
    void ScanArrayRest(PowerShellWord& arg, ScriptCall& call);
    std::size_t RedirectionLength(std::size_t pos, char& stream, char& merge) const;
    void ScanRedirection(ScriptCall& call);
    // At a --%, plain or written with escapes: reads the rest of the line as written and returns
    // where it ends; 0 elsewhere.
    std::size_t ScanStopParsing(ScriptCall& call);
    // The length of the stop-parsing token at `pos`: kPlainStopParsing for "--%", more for one
    // written with backtick escapes ("-`-%"); 0 for anything else.
    std::size_t StopParsingLength(std::size_t pos) const;
    bool EndsStopParsingToken(std::size_t pos) const;
    std::size_t ScanVerbatim(ScriptCall& call);
    bool StartsParameter(std::size_t pos) const;
    bool QuotedStopParsingAt(std::size_t pos) const;
    bool BlockStatementEnds(std::size_t blockBegin, std::size_t next) const;
    bool ArgumentEndsCommand(CommandKind kind, std::size_t argument, bool quotedStop);
    void SkipVerbatim();
    void AppendVerbatimWords(ScriptCall& call, std::size_t begin, std::size_t end) const;
    std::size_t EnvironmentReferenceEnd(std::size_t pos, std::size_t end) const;

    PowerShellCursor& scan;
    PowerShellFindings& found;
    PowerShellWordReader& words;
};

}  // namespace scripts
