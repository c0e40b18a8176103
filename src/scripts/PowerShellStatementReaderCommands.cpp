#include "scripts/PowerShellStatementReader.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "scripts/AsciiCase.h"
#include "scripts/PowerShellPassing.h"
#include "scripts/PowerShellReasons.h"

// The statement reader's commands: what a command names (a program through & or ., from a
// variable, a computed path, or a bare name) and the call it makes of the legacy program.
namespace scripts {

// NOLINTBEGIN(misc-no-recursion): commands hold script blocks and expressions the reader descends
// into; PowerShellCursor::kMaxDepth bounds the depth.

// The program after & or . : a quoted path, a variable, a block or a bare path.
std::size_t PowerShellStatementReader::ScanInvocation() {
    const std::size_t problemsBefore = found.problems.size();
    const std::size_t begin = scan.pos;
    const char c = scan.text.At(scan.pos);
    PowerShellWord program;
    ScriptCall scratch;
    if (scan.text.QuoteAt(scan.pos) != QuoteKind::kNone) {
        words.ScanQuoted(program, scratch);
        auto [b, e] = scan.Interior(begin, scan.pos);
        if (ProgramNames::FileNameStartsWithQuote(scan.text.Slice(b, e))) {
            e = b;  // in a string a quote is a character of the file name, which is then no program's
        }
        // In a string a quote is a character of the name: only an escape can hide the program.
        const std::string_view written = scan.text.Slice(b, e);
        const char* const hidden = written.find('`') != std::string_view::npos
                                       ? found.names.HiddenNameReason(written, program.value)
                                       : nullptr;
        return FinishCommand({begin, scan.pos}, b, e, hidden != nullptr ? hidden : "", problemsBefore);
    }
    std::string variable;
    if (c == '$' && ToolVariableAt(variable)) {
        return FinishCommand({begin, scan.pos}, begin, begin, kToolVariable + variable, problemsBefore);
    }
    if (c == '$') {
        words.ScanArgumentElement(program, scratch, false);  // $dir\old.exe names the program too
        std::size_t variableEnd = begin;
        scan.PlainVariableAt(begin, variableEnd);
        const char after = scan.text.At(variableEnd);
        // "$a=x\old.exe" is the program $a: only a folder separator joins a path to the variable
        const bool joined = variableEnd <= begin || after == '\\' || after == '/' || variableEnd >= scan.pos;
        return FinishCommand({begin, scan.pos}, begin, joined ? scan.pos : variableEnd, "", problemsBefore);
    }
    if (c == '(') {
        return ComputedProgram() ? FinishCommand({begin, scan.pos}, begin, begin, kComputedProgram, problemsBefore)
                                 : kNoCall;
    }
    if (c == '{' || c == '@') {
        words.ScanArgumentElement(program, scratch, false);
        scratch.program = {begin, scan.pos};
        arguments.ScanArguments(scratch, CommandKind::kOther);
        return kNoCall;
    }
    if (scan.AtCommandEnd() || arguments.SkipStopParsingCommand()) {
        return kNoCall;
    }
    return ScanCommand();
}

// ( ) after & or . : true when a string in it names the program, as in (Join-Path $d old.exe).
bool PowerShellStatementReader::ComputedProgram() {
    const bool outerWatch = found.watchNaming;
    const bool outerSaw = found.sawNaming;
    found.watchNaming = true;
    found.sawNaming = false;
    ScanGroup(1, ')', kValue, false, kUnclosedParen);
    const bool named = found.sawNaming;
    found.watchNaming = outerWatch;
    found.sawNaming = outerSaw;
    if (!named) {
        ScriptCall scratch;
        scratch.program = {scan.pos, scan.pos};
        arguments.ScanArguments(scratch, CommandKind::kOther);
    }
    return named;
}

// A plain "$name" or "${name}" assigned a path naming the program; sets `written` to it as written.
bool PowerShellStatementReader::ToolVariableAt(std::string& written) {
    std::size_t end = 0;
    const ByteRange name = scan.PlainVariableAt(scan.pos, end);
    const std::string key = PowerShellFindings::VariableKey(scan.text.Slice(name.begin, name.end));
    const std::vector<std::string>& known = found.toolVariables;
    if (key.empty() || !scan.text.EndsBareword(end) || std::find(known.begin(), known.end(), key) == known.end()) {
        return false;
    }
    written = std::string(scan.text.Slice(scan.pos, end));
    scan.pos = end;
    return true;
}

std::size_t PowerShellStatementReader::ScanCommand() {
    const std::size_t problemsBefore = found.problems.size();
    const std::size_t begin = scan.pos;
    PowerShellWord program;
    ScriptCall scratch;
    const std::size_t dash = scan.text.DashLength(begin);
    const bool parameter = dash > 0 && scan.text.IsNameChar(begin + dash);
    if (parameter) {
        words.ScanArgumentElement(program, scratch, true);  // "-l${x}" is the command -l$ and {x}
    } else {
        // A redirection where the name starts belongs to the name: "2>&1 x" is the command "2>&1",
        // whose '&' starts no background job. One that merges a stream is the whole name:
        // "2>&1old up" runs 2>&1 with the arguments old and up.
        const std::size_t redirection = RedirectionAtNameLength(begin);
        scan.pos += redirection;
        if (redirection != 4 || scan.text.At(begin + 2) != '&') {
            words.ScanBareword(program, scratch);
        }
    }
    scan.pos = std::max(scan.pos, begin + 1);  // a name is at least one character: never stay in place
    std::size_t end = scan.pos;
    const std::size_t dot = scan.text.Slice(begin, end).find('.');
    if (parameter && dot != std::string_view::npos) {
        end = begin + dot;  // "-D.\old" is the command -D: a parameter token ends at a dot ("-.\old" is a path)
    }
    // The value is the whole token's, which a name cut at its dot is not.
    const char* const hidden =
        end == scan.pos ? found.names.HiddenNameReason(scan.text.Slice(begin, end), program.value) : nullptr;
    return FinishCommand({begin, scan.pos}, begin, end, hidden != nullptr ? hidden : "", problemsBefore);
}

std::size_t PowerShellStatementReader::RedirectionAtNameLength(std::size_t pos) const {
    std::size_t p = pos;
    const char c = scan.text.At(p);
    if (((c >= '1' && c <= '6') || c == '*') && scan.text.At(p + 1) == '>') {
        p += 2;
    } else if (c == '>') {
        ++p;
    } else {
        return 0;
    }
    if (scan.text.At(p) == '&' && (scan.text.At(p + 1) == '1' || scan.text.At(p + 1) == '2')) {
        p += 2;
    }
    return p - pos;
}

// The program token is read: [begin, end) is its path without quotes; `indirect` says how the
// program is named when no path shows it. Reads the arguments; returns the call's index, or kNoCall.
std::size_t PowerShellStatementReader::FinishCommand(ByteRange program, std::size_t begin, std::size_t end,
                                                     const std::string& indirect, std::size_t problemsBefore) {
    const std::string_view path = scan.text.Slice(begin, end);
    NameMatch match;
    std::string through = indirect;
    if (through.empty() && !found.names.IsProgramPath(path, match)) {
        const std::vector<std::string>& aliases = found.toolAliases;
        if (std::find(aliases.begin(), aliases.end(), AsciiLowered(path)) == aliases.end()) {
            ScriptCall scratch;
            scratch.program = program;
            arguments.ScanArguments(scratch, PowerShellArgumentReader::KindOf(path));
            return kNoCall;
        }
        through = kToolAlias + std::string(path);
    }
    ScriptCall call;
    call.program = program;
    if (through.empty()) {
        call.name = {begin + match.nameBegin, begin + match.nameEnd};
    } else {
        call.name = {program.begin, program.begin};
        Review(call, through);
    }
    if (found.capture != nullptr) {
        Review(call, found.capture);
    }
    arguments.ScanArguments(call, CommandKind::kLegacy);
    if (found.problems.size() > problemsBefore) {
        SetManual(call, found.problems[problemsBefore]);
    }
    found.calls.push_back(std::move(call));
    return found.calls.size() - 1;
}
// NOLINTEND(misc-no-recursion)

}  // namespace scripts
