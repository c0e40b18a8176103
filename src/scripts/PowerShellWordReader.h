#pragma once

#include <cstddef>
#include <string>

#include "scripts/PowerShellCursor.h"
#include "scripts/PowerShellFindings.h"
#include "scripts/PowerShellGroups.h"
#include "scripts/ScriptCall.h"

namespace scripts {

// One argument of a command as it is read: its value with placeholders, and what was seen in it.
struct PowerShellWord {
    std::string value;
    std::string review;  // the first reason found in it
    bool plain = true;   // bare characters only: no quote, escape, variable or bracket
    bool list = false;   // stands for any number of words (splatting, @( ))

    void Review(const std::string& why) {
        if (review.empty()) {
            review = why;
        }
    }
};

// Reads one word of a command from the cursor, as PowerShell's tokenizer reads an argument:
// barewords with their escapes, '...' and "..." strings, here-strings, variables (with member
// access at the start of a word), -name:value parameters, splatting and the brackets in a word,
// whose statements `groups` reads. The value is the text PowerShell passes, each variable or
// bracket replaced by a placeholder for the reference it adds to `call.variables`; what keeps the
// word from being passed as read goes to PowerShellWord::review. Unclosed quotes and brackets
// are reported to `found`.
class PowerShellWordReader {
public:
    PowerShellWordReader(PowerShellCursor& cursor, PowerShellFindings& findings, PowerShellGroups& groupReader)
        : scan(cursor), found(findings), groups(groupReader) {}

    // One element of an argument: a bracket, a string, a variable with what joins it, a
    // parameter with its value (when `allowParameter`), or a bareword. Stops at a comma.
    void ScanArgumentElement(PowerShellWord& arg, ScriptCall& call, bool allowParameter);
    // The rest of a bareword: characters, escapes, quoted parts and variables up to a character
    // that ends it.
    void ScanBareword(PowerShellWord& arg, ScriptCall& call);
    // A '...' or "..." string at the cursor.
    void ScanQuoted(PowerShellWord& arg, ScriptCall& call);
    // A here-string at the cursor (where PowerShellCursor::HereStringHeader finds one).
    void ScanHereString(PowerShellWord& arg, ScriptCall& call);
    // The variable reference at the cursor (where PowerShellCursor::VariableAt is true), a $( )
    // with its statements included.
    void ScanVariableReference();

private:
    bool ScanAtArgument(PowerShellWord& arg, ScriptCall& call);
    bool ScanDollarArgument(PowerShellWord& arg, ScriptCall& call);
    bool ScanParameter(PowerShellWord& arg, ScriptCall& call);
    enum class ParameterEnd { kBareword, kColon, kAsWritten };
    ParameterEnd ScanParameterName(PowerShellWord& arg, std::size_t& p) const;
    void CheckBareword(PowerShellWord& arg, std::size_t begin) const;
    void ScanEscape(PowerShellWord& arg);
    void AppendEscape(PowerShellWord& arg);
    bool EscapedSpaceEndsLine() const;
    void ScanSingleQuoted(PowerShellWord& arg);
    void ScanDoubleQuoted(PowerShellWord& arg, ScriptCall& call);
    bool MemberFollows() const;
    void ScanMemberChain();
    // A variable or $( ) inside a word: `quoted` in a double-quoted string or here-string,
    // `inToken` in a double-quoted string or a bareword (not a here-string).
    void ScanStringVariable(PowerShellWord& arg, ScriptCall& call, bool quoted, bool inToken);
    void AddPlaceholder(PowerShellWord& arg, ScriptCall& call, std::size_t begin, bool quoted, bool list) const;

    PowerShellCursor& scan;
    PowerShellFindings& found;
    PowerShellGroups& groups;
};

}  // namespace scripts
