#pragma once

#include <cstddef>
#include <string>

#include "scripts/PowerShellArgumentReader.h"
#include "scripts/PowerShellCursor.h"
#include "scripts/PowerShellFindings.h"
#include "scripts/PowerShellGroups.h"
#include "scripts/PowerShellWordReader.h"
#include "scripts/ScriptCall.h"

namespace scripts {

// Reads PowerShell statements from the cursor and decides where a command stands: at the start
// of a statement, after | && || ; ( { or an assignment's =, or after the call operator & or the
// dot-source operator. It reads pipelines, blocks, hashtables and expressions (so that a call
// inside them is found and what captures its output is known), names the command in command
// position, and has the legacy program's calls recorded in `found` with their arguments. It
// remembers the variables assigned a path naming the program, for "& $v".
class PowerShellStatementReader final : public PowerShellGroups {
public:
    PowerShellStatementReader(PowerShellCursor& cursor, PowerShellFindings& findings)
        : scan(cursor), found(findings), words(cursor, findings, *this), arguments(cursor, findings, words) {}

    // Reads statements up to `closer` (')' or '}'; '\0' reads the whole text). A closing
    // bracket of another kind, or the end of the text, leaves the group unclosed: it is reported
    // as `unclosed` and every call found in it is marked as standing inside it.
    void ScanStatements(char closer, const char* capture, bool hashtable, const char* unclosed);

    void ScanGroup(std::size_t openerLength, char closer, const char* capture, bool hashtable,
                   const char* unclosed) override;
    void ScanIndex() override;

private:
    static constexpr std::size_t kNoCall = static_cast<std::size_t>(-1);

    void ScanHashEntry();
    void ScanPipeline();
    bool PipeFollows();
    std::size_t ScanPipelineElement();
    bool DotSourcesAt(std::size_t pos) const;
    std::size_t PipelineKeywordEnd(std::size_t pos) const;
    bool StartsCommandName(std::size_t pos) const;

    void ScanExpression(bool bracket);
    bool ExpressionEnds(bool bracket, bool operand);
    bool ScanOperand();
    bool SkipOperator();
    std::size_t AssignmentLength(std::size_t pos) const;
    bool SimpleAssignment(std::string& target);
    void ScanAssignedValue(const std::string& target);

    std::size_t ScanInvocation();
    bool ComputedProgram();
    bool ToolVariableAt(std::string& written);
    std::size_t ScanCommand();
    // The length of a redirection (n> or n>&m) where a command name starts, 0 if none.
    std::size_t RedirectionAtNameLength(std::size_t pos) const;
    std::size_t FinishCommand(ByteRange program, std::size_t begin, std::size_t end, const std::string& indirect,
                              std::size_t problemsBefore);

    PowerShellCursor& scan;
    PowerShellFindings& found;
    PowerShellWordReader words;
    PowerShellArgumentReader arguments;
    // Inside ( ): PowerShell reads a pipeline there, not a statement, so return, throw and exit
    // are command names.
    bool pipelineOnly = false;
};

}  // namespace scripts
