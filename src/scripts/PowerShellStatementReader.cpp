#include "scripts/PowerShellStatementReader.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "scripts/AsciiCase.h"
#include "scripts/PowerShellPassing.h"
#include "scripts/PowerShellReasons.h"

namespace scripts {

// NOLINTBEGIN(misc-no-recursion): the reader descends into nested brackets and strings as the
// script nests them; PowerShellCursor::kMaxDepth bounds the depth.

void PowerShellStatementReader::ScanStatements(char closer, const char* capture, bool hashtable, const char* unclosed) {
    const std::size_t firstCall = found.calls.size();
    const char* const outer = found.capture;
    found.capture = capture;
    while (true) {
        scan.SkipSeparators();
        const char c = scan.text.At(scan.pos);
        if (scan.pos >= scan.text.Size() || (closer != '\0' && c != closer && (c == ')' || c == '}'))) {
            if (closer != '\0') {
                found.Problem(scan.pos, unclosed, false);
                found.MarkInside(firstCall, unclosed);
            }
            break;
        }
        if (c == closer) {
            ++scan.pos;
            break;
        }
        const std::size_t before = scan.pos;
        if (hashtable) {
            ScanHashEntry();
        } else {
            ScanPipeline();
        }
        if (scan.pos == before) {
            ++scan.pos;  // a stray ) } or ]: PowerShell refuses the script; read on
        }
    }
    found.capture = outer;
}

void PowerShellStatementReader::ScanGroup(std::size_t openerLength, char closer, const char* capture,
                                          bool hashtable, const char* unclosed) {
    const PowerShellCursor::Nesting nesting(scan);
    if (!nesting.Ok()) {
        return;
    }
    const bool outerPipelineOnly = pipelineOnly;
    // By text: each file has its own copy of a reason's characters.
    pipelineOnly = closer == ')' && capture != nullptr && std::string_view(capture) == kValue;
    scan.pos += openerLength;
    ScanStatements(closer, capture, hashtable, unclosed);
    pipelineOnly = outerPipelineOnly;
}

void PowerShellStatementReader::ScanIndex() {
    const PowerShellCursor::Nesting nesting(scan);
    if (nesting.Ok()) {
        ++scan.pos;
        ScanExpression(true);
    }
}

// key = value, where the value is a statement; anything else is read as a statement.
void PowerShellStatementReader::ScanHashEntry() {
    const std::size_t start = scan.pos;
    if (scan.text.QuoteAt(scan.pos) != QuoteKind::kNone) {
        PowerShellWord key;
        ScriptCall scratch;
        words.ScanQuoted(key, scratch);
    } else {
        while (!scan.text.EndsBareword(scan.pos) && scan.text.At(scan.pos) != '=') {
            ++scan.pos;
        }
    }
    scan.SkipInline();
    if (scan.text.At(scan.pos) == '=' && scan.pos > start) {
        ++scan.pos;
        const char* const outer = found.capture;
        found.capture = kValue;
        scan.SkipLines();
        ScanPipeline();
        found.capture = outer;
    } else if (scan.pos == start) {
        ScanPipeline();
    }
}

void PowerShellStatementReader::ScanPipeline() {
    const PowerShellCursor::Nesting nesting(scan);
    if (!nesting.Ok()) {
        return;
    }
    const char* const outer = found.capture;
    while (true) {
        const std::size_t call = ScanPipelineElement();
        scan.SkipInline();
        if (PipeFollows()) {
            if (call != kNoCall) {
                Review(found.calls[call], kPiped);
            }
            continue;
        }
        const char c = scan.text.At(scan.pos);
        if ((c == '|' || c == '&') && scan.text.At(scan.pos + 1) == c) {
            scan.pos += 2;
            scan.SkipLines();
            continue;
        }
        break;
    }
    found.capture = outer;
}

// A '|' (not '||') here, or, in PowerShell 7, at the start of a following line.
bool PowerShellStatementReader::PipeFollows() {
    std::size_t p = scan.pos;
    while (scan.text.NewlineLength(p) > 0 || scan.text.SpaceLength(p) > 0) {
        p += scan.text.NewlineLength(p) + scan.text.SpaceLength(p);
    }
    if (scan.text.At(p) != '|' || scan.text.At(p + 1) == '|' ||
        (p != scan.pos && scan.text.NewlineLength(scan.pos) == 0)) {
        return false;
    }
    scan.pos = p + 1;
    scan.SkipLines();
    return true;
}

// Returns the index of the legacy program's call this element is, or kNoCall.
std::size_t PowerShellStatementReader::ScanPipelineElement() {
    while (true) {
        scan.SkipInlineBeforeCommand();
        if (scan.AtCommandEnd()) {
            return kNoCall;
        }
        const char c = scan.text.At(scan.pos);
        if (c == ']') {
            // PowerShell reads a ']' there as a command's whole name, whatever follows it:
            // "]-x\old up" runs "]" with the parameter -x\old.
            ScriptCall scratch;
            scratch.program = {scan.pos, scan.pos + 1};
            ++scan.pos;
            arguments.ScanArguments(scratch, CommandKind::kOther);
            return kNoCall;
        }
        const bool dotSource = c == '.' && DotSourcesAt(scan.pos + 1);
        if (c == '&' || dotSource) {
            ++scan.pos;
            scan.SkipInlineBeforeCommand();
            return ScanInvocation();
        }
        if (!StartsCommandName(scan.pos)) {
            ScanExpression(false);
            return kNoCall;
        }
        const std::size_t keywordEnd = pipelineOnly ? 0 : PipelineKeywordEnd(scan.pos);
        if (keywordEnd == 0) {
            return ScanCommand();
        }
        scan.pos = keywordEnd;
        found.capture = kValue;
    }
}

// Whether a '.' before `pos` that starts a command dot-sources what follows: ". x", ".'x'",
// ".{ }", ".$x" and ".(x)" do; ".x", ".\x", ".@x" and a dot before a typographic quote are
// commands of that name.
bool PowerShellStatementReader::DotSourcesAt(std::size_t pos) const {
    const char c = scan.text.At(pos);
    return scan.text.SpaceLength(pos) > 0 || scan.text.ContinuationLength(pos) > 0 || c == '\'' || c == '"' ||
           c == '{' || c == '(' || c == '$';
}

// After return, throw and exit a pipeline follows, whose output is their value.
std::size_t PowerShellStatementReader::PipelineKeywordEnd(std::size_t pos) const {
    std::size_t end = pos;
    while (scan.text.IsNameChar(end)) {
        ++end;
    }
    if (!scan.text.EndsBareword(end)) {
        return 0;
    }
    const std::string_view word = scan.text.Slice(pos, end);
    return EqualsIgnoringCase(word, "return") || EqualsIgnoringCase(word, "throw") || EqualsIgnoringCase(word, "exit") ? end : 0;
}

// PowerShell's parser reads a command name wherever no expression starts: "=old", "> log",
// "2>&1 x", "*x", "]", "-F" and "$.\old" are commands there.
bool PowerShellStatementReader::StartsCommandName(std::size_t pos) const {
    if (scan.text.QuoteAt(pos) != QuoteKind::kNone) {
        return false;
    }
    const std::size_t dash = scan.text.DashLength(pos);
    if (dash > 0) {
        return !scan.text.StartsUnaryOperator(pos + dash);
    }
    const char c = scan.text.At(pos);
    switch (c) {
        case '$':
            return !scan.VariableAt(pos);
        case '(':
        case '[':
        case '@':
        case '{':
        case '!':
        case '+':
        case ',':
        case '<':
        case '#':
            return false;
        default:
            break;
    }
    if (c >= '1' && c <= '6' && scan.text.At(pos + 1) == '>') {
        return true;  // a stream's redirection, as in "2>&1 x": no number starts there
    }
    if ((c >= '0' && c <= '9') || c == '.') {
        std::size_t end = pos;
        while (!scan.text.EndsBareword(end)) {
            ++end;
        }
        return !IsNumberLiteral(scan.text.Slice(pos, end));
    }
    return true;
}

// ---- Expressions ------------------------------------------------------------------------------

// Reads an expression statement, or (`bracket`) the inside of [ ] up to its ']'.
void PowerShellStatementReader::ScanExpression(bool bracket) {
    std::string target;
    if (!bracket && SimpleAssignment(target)) {
        ScanAssignedValue(target);
        return;
    }
    bool operand = true;
    while (!ExpressionEnds(bracket, operand)) {
        const std::size_t assignment = bracket ? 0 : AssignmentLength(scan.pos);
        if (assignment > 0) {
            scan.pos += assignment;
            ScanAssignedValue("");
            return;
        }
        operand = ScanOperand() ? false : SkipOperator();
    }
    // A single & after an expression runs it as a background job and ends the statement: in
    // "$x & 'C:\old.exe'" the string is no program.
    if (!bracket && scan.text.At(scan.pos) == '&' && scan.text.At(scan.pos + 1) != '&') {
        ++scan.pos;
    }
}

// Skips spaces and comments (and line ends where an operand may follow, or inside [ ]); true at
// the expression's end, after a bracket's ']'.
bool PowerShellStatementReader::ExpressionEnds(bool bracket, bool operand) {
    if (operand || bracket) {
        scan.SkipLines();
    } else {
        scan.SkipInline();
    }
    if (scan.text.At(scan.pos) == '#') {
        scan.SkipLineComment();
    }
    const char c = scan.text.At(scan.pos);
    if (scan.pos >= scan.text.Size() || (bracket && (c == ')' || c == '}'))) {
        if (bracket) {
            found.Problem(scan.pos, kUnclosedBracket, false);
        }
        return true;
    }
    if (!bracket) {
        return scan.AtCommandEnd() || c == '&';
    }
    scan.pos += c == ']' ? 1 : 0;
    return c == ']';
}

// Reads an operand that can hold strings, brackets or code; returns false when none starts here.
bool PowerShellStatementReader::ScanOperand() {
    const std::size_t begin = scan.pos;
    const char c = scan.text.At(scan.pos);
    PowerShellWord scratchArgument;
    ScriptCall scratch;
    if (scan.text.QuoteAt(scan.pos) != QuoteKind::kNone || scan.HereStringHeader(scan.pos) > 0) {
        if (c == '@') {
            words.ScanHereString(scratchArgument, scratch);
        } else {
            words.ScanQuoted(scratchArgument, scratch);
        }
        const auto [b, e] = scan.Interior(begin, scan.pos);
        found.NoteNaming(c == '@' ? std::string_view(scratchArgument.value) : scan.text.Slice(b, e));
        return true;
    }
    if (c == '$' && scan.VariableAt(scan.pos)) {
        words.ScanVariableReference();
    } else if (c == '@' && scan.text.At(scan.pos + 1) == '(') {
        ScanGroup(2, ')', kArraySubexpression, false, kUnclosedArray);
    } else if (c == '@' && scan.text.At(scan.pos + 1) == '{') {
        ScanGroup(2, '}', kValue, true, kUnclosedHashtable);
    } else if (c == '(') {
        ScanGroup(1, ')', kValue, false, kUnclosedParen);
    } else if (c == '{') {
        ScanGroup(1, '}', found.capture, false, kUnclosedBrace);
    } else if (c == '[') {
        ScanIndex();
    } else if (scan.text.IsNameChar(scan.pos)) {
        while (scan.text.IsNameChar(scan.pos)) {
            ++scan.pos;
        }
    } else {
        return false;
    }
    return true;
}

// Skips an operator or another character. Returns whether an operand may follow.
bool PowerShellStatementReader::SkipOperator() {
    const char c = scan.text.At(scan.pos);
    if (c == '.' || (c == ':' && scan.text.At(scan.pos + 1) == ':')) {
        scan.pos += c == '.' ? 1 : 2;
        if (!scan.text.IsNameChar(scan.pos)) {
            return true;
        }
        while (scan.text.IsNameChar(scan.pos)) {
            ++scan.pos;
        }
        return false;
    }
    const std::size_t dash = scan.text.DashLength(scan.pos);
    if (dash > 0) {
        scan.pos += dash;
        // "-eq", "-replace": every named operator is letters. In "5 -7" the dash is a minus and
        // 7 the operand, which ends the expression at the line's end.
        const char first = AsciiLower(scan.text.At(scan.pos));
        if (first >= 'a' && first <= 'z') {
            while (scan.text.IsNameChar(scan.pos)) {
                ++scan.pos;
            }
        }
        return true;
    }
    scan.pos += c == '`' && scan.pos + 1 < scan.text.Size() ? 2 : 1;
    return true;
}

// = += -= *= /= %= ??=. PowerShell has no "==": in "$a == old" the first '=' assigns and the
// second starts a command named "=".
std::size_t PowerShellStatementReader::AssignmentLength(std::size_t pos) const {
    const char c = scan.text.At(pos);
    if (c == '=') {
        return 1;
    }
    if ((c == '+' || c == '-' || c == '*' || c == '/' || c == '%') && scan.text.At(pos + 1) == '=') {
        return 2;
    }
    return c == '?' && scan.text.At(pos + 1) == '?' && scan.text.At(pos + 2) == '=' ? 3 : 0;
}

// "$name =" or "${name} =" at the start of a statement: sets `target` and moves past the '='.
bool PowerShellStatementReader::SimpleAssignment(std::string& target) {
    std::size_t p = 0;
    const ByteRange name = scan.PlainVariableAt(scan.pos, p);
    while (scan.text.SpaceLength(p) > 0) {
        p += scan.text.SpaceLength(p);
    }
    const std::size_t assignment = AssignmentLength(p);
    if (name.end == name.begin || assignment == 0) {
        return false;
    }
    target = PowerShellFindings::VariableKey(scan.text.Slice(name.begin, name.end));
    scan.pos = p + assignment;
    return true;
}

// The statement after an assignment's '=': its calls are captured. When `target` is set, a
// string in it naming the program makes the variable a tool variable.
void PowerShellStatementReader::ScanAssignedValue(const std::string& target) {
    const char* const outerCapture = found.capture;
    const bool outerWatch = found.watchNaming;
    const bool outerSaw = found.sawNaming;
    found.capture = kAssigned;
    found.watchNaming = !target.empty();
    found.sawNaming = false;
    scan.SkipLines();
    ScanPipeline();
    if (found.watchNaming && found.sawNaming) {
        found.toolVariables.push_back(target);
    }
    found.capture = outerCapture;
    found.watchNaming = outerWatch;
    found.sawNaming = outerSaw;
}

// NOLINTEND(misc-no-recursion)

}  // namespace scripts
