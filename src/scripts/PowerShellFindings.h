#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scripts/ProgramNames.h"
#include "scripts/ScriptCall.h"

namespace scripts {

// Sets `call.review` to `why` unless a reason is there already: the first reason found wins.
void Review(ScriptCall& call, const std::string& why);
// Sets `call.manual` to `why` unless a reason is there already.
void SetManual(ScriptCall& call, const std::string& why);

// What the PowerShell reader has found so far in one script, shared by its parts: the calls,
// why brackets or quotes were never closed, what captures the output of the statements being
// read, and the variables that hold the program's path. Offsets are into `source`.
struct PowerShellFindings {
    PowerShellFindings(std::string_view script, const std::vector<std::string>& legacyNames)
        : source(script), names(legacyNames) {}

    // Records that a bracket, quote or comment opened at `start` is never closed. `swallowed`:
    // the text from `start` to the end was read as one string or comment, so a call in it could
    // not be seen; each mention of the program there is reported as a call for manual work.
    void Problem(std::size_t start, const char* reason, bool swallowed);
    // Marks every call from index `firstCall` on as standing inside the unclosed `reason`.
    void MarkInside(std::size_t firstCall, const char* reason);
    // Records a call found indirectly (Start-Process, Invoke-Expression, a launcher): [begin, end)
    // is the argument naming the program, `match` the name in it at `offset`; `reason` says how
    // it runs.
    void AddIndirectCall(std::size_t begin, std::size_t end, const NameMatch& match, std::size_t offset,
                         const std::string& reason);
    // While an assignment's value is watched: notes that a string in it, `path`, names the program.
    void NoteNaming(std::string_view path);

    // A variable's name as the reader keys it: lower case, without a scope.
    static std::string VariableKey(std::string_view name);

    std::string_view source;
    ProgramNames names;
    std::vector<ScriptCall> calls;
    // Why brackets or quotes were never closed, in the order found.
    std::vector<const char*> problems;
    // Why calls in the statements being read are captured, or nullptr.
    const char* capture = nullptr;
    // Variables assigned a path naming the legacy program, as VariableKey gives them.
    std::vector<std::string> toolVariables;
    // Aliases (Set-Alias, New-Alias) of the legacy program made so far, lower case.
    std::vector<std::string> toolAliases;
    // While the value of "$name = ..." is read: whether a string in it names the program.
    bool watchNaming = false;
    bool sawNaming = false;

private:
    void ReportMentions(std::size_t start, const char* reason);
};

}  // namespace scripts
