#include "scripts/PowerShellReader.h"

#include "scripts/AsciiCase.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "scripts/CrtArguments.h"
#include "scripts/PowerShellNames.h"
#include "scripts/PowerShellPassing.h"
#include "scripts/PowerShellText.h"

namespace scripts {

namespace {

constexpr std::size_t kNoCall = static_cast<std::size_t>(-1);
// Nested brackets and pipelines read before the reader gives up on the rest of the text.
constexpr std::size_t kMaxDepth = 200;

// Why a call is left for review.
constexpr const char* kAssigned = "its output is assigned to a variable";
constexpr const char* kValue = "its output is used as a value";
constexpr const char* kSubexpression = "its output is captured by $( )";
constexpr const char* kArraySubexpression = "its output is captured by @( )";
constexpr const char* kPiped = "its output is piped into another command";
constexpr const char* kRedirected = "its output is redirected";
constexpr const char* kBackground = "it runs as a background job (&)";
constexpr const char* kRedirectionBetween = "a redirection stands between its arguments";
constexpr const char* kStartProcess = "it is started by Start-Process";
constexpr const char* kInvokeExpression = "it is run from a string by Invoke-Expression";
constexpr const char* kToolVariable = "the program comes from the variable ";
constexpr const char* kComputedProgram = "the program path is computed";
constexpr const char* kSplat = "its arguments are splatted from ";
constexpr const char* kListArgument = "an @( ) argument, which may stand for any number of words";
constexpr const char* kHashtable = "a hashtable argument";
constexpr const char* kScriptBlock = "a script block argument";
constexpr const char* kHereString = "a here-string argument";
constexpr const char* kArray = "a comma list, which PowerShell versions pass differently";
constexpr const char* kTilde = "an unquoted ~ starts an argument, which PowerShell 7.6 expands to the home folder";
constexpr const char* kNumber = "a number that PowerShell passes in its own form (010 as 10, 1e3 as 1000)";
constexpr const char* kParameterDot = "an argument like -a.b, which PowerShell splits at the dot";
constexpr const char* kDash = "an argument starts with a typographic dash";
constexpr const char* kEndOfParameters = "a bare --, which Windows PowerShell 5.1 does not pass on";
constexpr const char* kEscape = "an escape (`0, `e or `u) that Windows PowerShell 5.1 reads differently";
constexpr const char* kBrokenContinuation = "a backtick followed by a space (a broken line continuation)";
constexpr const char* kTightContinuation = "a line continuation right after an argument";
constexpr const char* kQuotedStopParsing = "a quoted --%, which PowerShell still takes as the stop-parsing token";
constexpr const char* kVerbatimQuote =
    "text after --% holds a double quote or a tab, which PowerShell 7.3+ passes differently";

// Why a call cannot be read.
constexpr const char* kUnclosedDouble = "an unclosed double quote";
constexpr const char* kUnclosedSingle = "an unclosed single quote";
constexpr const char* kUnclosedHereString = "an unclosed here-string";
constexpr const char* kUnclosedComment = "an unclosed block comment";
constexpr const char* kUnclosedParen = "an unclosed (";
constexpr const char* kUnclosedBrace = "an unclosed {";
constexpr const char* kUnclosedBracket = "an unclosed [";
constexpr const char* kUnclosedSubexpression = "an unclosed $(";
constexpr const char* kUnclosedArray = "an unclosed @(";
constexpr const char* kUnclosedHashtable = "an unclosed @{";
constexpr const char* kUnclosedVariable = "an unclosed ${";
constexpr const char* kTooDeep = "brackets nested too deeply to read";
constexpr const char* kNoTarget = "a redirection without a target";
constexpr const char* kTrailingComma = "a comma with nothing after it";
constexpr const char* kInputRedirection = "the < operator, which PowerShell does not support";
constexpr const char* kMergeIntoError = "a redirection into stream 2, which PowerShell does not support";
constexpr const char* kInside = "inside ";

enum class CommandKind { kLegacy, kOther, kStartProcess, kInvokeExpression };

// The file name of a command token: after the last '\' or '/'.
std::string_view FileName(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

CommandKind KindOf(std::string_view path) {
    const std::string_view name = FileName(path);
    if (EqualsIgnoringCase(name, "start-process") || EqualsIgnoringCase(name, "start") || EqualsIgnoringCase(name, "saps")) {
        return CommandKind::kStartProcess;
    }
    if (EqualsIgnoringCase(name, "invoke-expression") || EqualsIgnoringCase(name, "iex")) {
        return CommandKind::kInvokeExpression;
    }
    return CommandKind::kOther;
}

// -ArgumentList of Start-Process, by any prefix, or its alias -Args.
bool IsArgumentListParameter(std::string_view text) {
    if (text.size() < 2 || text[0] != '-') {
        return false;
    }
    const std::string_view name = text.substr(1);
    constexpr std::string_view kFull = "argumentlist";
    return EqualsIgnoringCase(name, "args") || (name.size() <= kFull.size() && EqualsIgnoringCase(name, kFull.substr(0, name.size())));
}

// A variable's name as the reader keys it: lower case, without a scope.
std::string VariableKey(std::string_view name) {
    std::string key;
    for (const char c : name) {
        key += AsciiLower(c);
    }
    for (const std::string_view scope : {"script:", "global:", "local:", "private:"}) {
        if (key.compare(0, scope.size(), scope) == 0) {
            return key.substr(scope.size());
        }
    }
    return key;
}

void Review(ScriptCall& call, const std::string& why) {
    if (call.review.empty()) {
        call.review = why;
    }
}

void SetManual(ScriptCall& call, const std::string& why) {
    if (call.manual.empty()) {
        call.manual = why;
    }
}

// One argument as it is read: its value with placeholders, and what was seen in it.
struct Argument {
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

// What reading the arguments of Start-Process or Invoke-Expression remembers.
struct OtherCommand {
    bool afterArgumentList = false;
    bool reported = false;
};

// NOLINTBEGIN(misc-no-recursion): the reader descends into nested brackets and strings as the
// script nests them; kMaxDepth bounds the depth.
class Reader {
public:
    Reader(std::string_view script, const std::vector<std::string>& legacyNames)
        : source(script), text(script), names(legacyNames) {}

    std::vector<ScriptCall> Read();

    bool Enter();
    void Leave() { --depth; }

private:
    // Layout: spaces, comments, line ends.
    bool AtCommandEnd() const;
    void SkipInline();
    void SkipLines();
    void SkipSeparators();
    void SkipLineComment();
    void SkipBlockComment();

    // Problems and their calls.
    void Problem(std::size_t start, const char* reason, bool swallowed);
    void ReportMentions(std::size_t start, const char* reason);
    void MarkInside(std::size_t firstCall, const char* reason);
    void AddIndirectCall(std::size_t begin, std::size_t end, const NameMatch& match, std::size_t offset,
                         const char* reason);

    // Statements.
    void ScanStatements(char closer, const char* capture, bool hashtable, const char* unclosed);
    void ScanGroup(std::size_t openerLength, char closer, const char* capture, bool hashtable, const char* unclosed);
    void ScanHashEntry();
    void ScanPipeline();
    bool PipeFollows();
    std::size_t ScanPipelineElement();
    std::size_t PipelineKeywordEnd(std::size_t pos) const;
    bool StartsCommandName(std::size_t pos) const;

    // Expressions.
    void ScanExpression(bool bracket);
    bool ExpressionEnds(bool bracket, bool operand);
    bool ScanOperand();
    bool SkipOperator();
    std::size_t AssignmentLength(std::size_t pos) const;
    bool SimpleAssignment(std::string& target);
    void ScanAssignedValue(const std::string& target);
    void NoteNaming(std::string_view path);

    // Commands.
    std::size_t ScanInvocation();
    bool ToolVariableAt(std::string& written);
    std::size_t ScanCommand();
    bool ComputedProgram();
    std::size_t FinishCommand(ByteRange program, std::size_t begin, std::size_t end, const std::string& indirect,
                              std::size_t problemsBefore);
    void ScanArguments(ScriptCall& call, CommandKind kind);
    void ScanOneArgument(ScriptCall& call, CommandKind kind, OtherCommand& other);
    void ScanArrayRest(Argument& arg, ScriptCall& call);
    void NoteOtherArgument(CommandKind kind, std::size_t begin, OtherCommand& other);
    std::pair<std::size_t, std::size_t> Interior(std::size_t begin, std::size_t end) const;

    // Arguments.
    void ScanArgumentElement(Argument& arg, ScriptCall& call, bool allowParameter);
    bool ScanAtArgument(Argument& arg, ScriptCall& call);
    bool ScanDollarArgument(Argument& arg, ScriptCall& call);
    bool ScanParameter(Argument& arg, ScriptCall& call);
    void ScanBareword(Argument& arg, ScriptCall& call);
    void CheckBareword(Argument& arg, std::size_t begin) const;
    bool ScanEscape(Argument& arg);
    void AppendEscape(Argument& arg);
    bool EscapedSpaceEndsLine() const;
    void ScanQuoted(Argument& arg, ScriptCall& call);
    void ScanSingleQuoted(Argument& arg);
    void ScanDoubleQuoted(Argument& arg, ScriptCall& call);
    std::size_t HereStringHeader(std::size_t pos) const;
    void ScanHereString(Argument& arg, ScriptCall& call);
    bool VariableAt(std::size_t pos) const;
    void ScanVariableReference();
    void ScanName();
    std::size_t NameEnd(std::size_t pos) const;
    ByteRange PlainVariableAt(std::size_t pos, std::size_t& end) const;
    bool MemberFollows() const;
    void ScanMemberChain();
    void ScanStringVariable(Argument& arg, ScriptCall& call, bool quoted);
    void AddPlaceholder(Argument& arg, ScriptCall& call, std::size_t begin, bool quoted, bool list) const;

    // Redirections and stop-parsing.
    std::size_t RedirectionLength(std::size_t pos, char& stream, char& merge) const;
    void ScanRedirection(ScriptCall& call);
    bool StopParsingAt(std::size_t pos) const;
    std::size_t ScanVerbatim(ScriptCall& call);
    void AppendVerbatimWords(ScriptCall& call, std::size_t begin, std::size_t end) const;
    std::size_t EnvironmentReferenceEnd(std::size_t pos, std::size_t end) const;

    std::string_view source;
    PowerShellText text;
    PowerShellNames names;
    std::size_t cursor = 0;
    std::size_t depth = 0;
    bool tooDeep = false;
    // Why calls in the statements being read are captured, or nullptr.
    const char* currentCapture = nullptr;
    std::vector<ScriptCall> calls;
    // Why brackets or quotes were never closed, in the order found.
    std::vector<const char*> problems;
    // Variables assigned a path naming the legacy program, as VariableKey gives them.
    std::vector<std::string> toolVariables;
    // While the value of "$name = ..." is read: whether a string in it names the program.
    bool watchNaming = false;
    bool sawNaming = false;
};

// Counts one level of nesting for as long as it lives.
class Nesting {
public:
    explicit Nesting(Reader& owner) : reader(owner), ok(owner.Enter()) {}
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    ~Nesting() { reader.Leave(); }
    bool Ok() const { return ok; }

private:
    Reader& reader;
    bool ok;
};

std::vector<ScriptCall> Reader::Read() {
    ScanStatements('\0', nullptr, false, nullptr);
    std::stable_sort(calls.begin(), calls.end(),
                     [](const ScriptCall& a, const ScriptCall& b) { return a.program.begin < b.program.begin; });
    std::size_t line = 1;
    std::size_t lineStart = 0;
    std::size_t pos = 0;
    for (ScriptCall& call : calls) {
        while (pos < call.program.begin) {
            const std::size_t newline = text.NewlineLength(pos);
            pos += newline == 0 ? 1 : newline;
            if (newline > 0) {
                ++line;
                lineStart = pos;
            }
        }
        call.line = line;
        call.column = call.program.begin - lineStart + 1;
    }
    return std::move(calls);
}

bool Reader::Enter() {
    if (++depth <= kMaxDepth) {
        return true;
    }
    if (!tooDeep) {
        tooDeep = true;
        Problem(cursor, kTooDeep, true);
    }
    cursor = text.Size();
    return false;
}

bool Reader::AtCommandEnd() const {
    if (cursor >= text.Size() || text.NewlineLength(cursor) > 0) {
        return true;
    }
    const char c = text.At(cursor);
    return c == ';' || c == ')' || c == '}' || c == '|' || (c == '&' && text.At(cursor + 1) == '&');
}

void Reader::SkipInline() {
    while (cursor < text.Size()) {
        std::size_t length = text.SpaceLength(cursor);
        if (length == 0) {
            length = text.ContinuationLength(cursor);
        }
        if (length > 0) {
            cursor += length;
        } else if (text.At(cursor) == '<' && text.At(cursor + 1) == '#') {
            SkipBlockComment();
        } else {
            return;
        }
    }
}

void Reader::SkipLines() {
    while (cursor < text.Size()) {
        SkipInline();
        const std::size_t newline = text.NewlineLength(cursor);
        if (newline > 0) {
            cursor += newline;
        } else if (text.At(cursor) == '#') {
            SkipLineComment();
        } else {
            return;
        }
    }
}

void Reader::SkipSeparators() {
    SkipLines();
    while (text.At(cursor) == ';') {
        ++cursor;
        SkipLines();
    }
}

void Reader::SkipLineComment() {
    while (cursor < text.Size() && text.NewlineLength(cursor) == 0) {
        ++cursor;
    }
}

void Reader::SkipBlockComment() {
    const std::size_t start = cursor;
    const std::size_t end = source.find("#>", cursor + 2);
    if (end == std::string_view::npos) {
        cursor = text.Size();
        Problem(start, kUnclosedComment, true);
        return;
    }
    cursor = end + 2;
}

// `swallowed`: the text from `start` to the end was read as one string or comment, so a call
// in it could not be seen; each mention of the program there is reported.
void Reader::Problem(std::size_t start, const char* reason, bool swallowed) {
    problems.push_back(reason);
    if (swallowed) {
        ReportMentions(start, reason);
    }
}

void Reader::ReportMentions(std::size_t start, const char* reason) {
    NameMatch match;
    std::size_t from = start;
    while (names.FindMention(source, from, match)) {
        ScriptCall call;
        call.program = {match.nameBegin, match.fileEnd};
        call.name = {match.nameBegin, match.nameEnd};
        call.arguments = {match.fileEnd, match.fileEnd};
        call.manual = std::string(kInside) + reason;
        calls.push_back(std::move(call));
        from = match.fileEnd;
    }
}

void Reader::MarkInside(std::size_t firstCall, const char* reason) {
    for (std::size_t i = firstCall; i < calls.size(); ++i) {
        SetManual(calls[i], std::string(kInside) + reason);
    }
}

void Reader::AddIndirectCall(std::size_t begin, std::size_t end, const NameMatch& match, std::size_t offset,
                             const char* reason) {
    ScriptCall call;
    call.program = {begin, end};
    call.name = {offset + match.nameBegin, offset + match.nameEnd};
    call.arguments = {end, end};
    call.review = reason;
    if (currentCapture != nullptr) {
        Review(call, currentCapture);
    }
    calls.push_back(std::move(call));
}

// ---- Statements -------------------------------------------------------------------------------

// Reads statements up to `closer` (')' or '}'; '\0' reads the whole text). A closing bracket of
// another kind, or the end of the text, leaves the group unclosed.
void Reader::ScanStatements(char closer, const char* capture, bool hashtable, const char* unclosed) {
    const std::size_t firstCall = calls.size();
    const char* const outer = currentCapture;
    currentCapture = capture;
    while (true) {
        SkipSeparators();
        const char c = text.At(cursor);
        if (cursor >= text.Size() || (closer != '\0' && c != closer && (c == ')' || c == '}'))) {
            if (closer != '\0') {
                Problem(cursor, unclosed, false);
                MarkInside(firstCall, unclosed);
            }
            break;
        }
        if (c == closer) {
            ++cursor;
            break;
        }
        const std::size_t before = cursor;
        if (hashtable) {
            ScanHashEntry();
        } else {
            ScanPipeline();
        }
        if (cursor == before) {
            ++cursor;  // a stray ) } or ]: PowerShell refuses the script; read on
        }
    }
    currentCapture = outer;
}

void Reader::ScanGroup(std::size_t openerLength, char closer, const char* capture, bool hashtable,
                       const char* unclosed) {
    const Nesting nesting(*this);
    if (!nesting.Ok()) {
        return;
    }
    cursor += openerLength;
    ScanStatements(closer, capture, hashtable, unclosed);
}

// key = value, where the value is a statement; anything else is read as a statement.
void Reader::ScanHashEntry() {
    const std::size_t start = cursor;
    if (text.QuoteAt(cursor) != QuoteKind::kNone) {
        Argument key;
        ScriptCall scratch;
        ScanQuoted(key, scratch);
    } else {
        while (!text.EndsBareword(cursor) && text.At(cursor) != '=') {
            ++cursor;
        }
    }
    SkipInline();
    if (text.At(cursor) == '=' && cursor > start) {
        ++cursor;
        const char* const outer = currentCapture;
        currentCapture = kValue;
        SkipLines();
        ScanPipeline();
        currentCapture = outer;
    } else if (cursor == start) {
        ScanPipeline();
    }
}

void Reader::ScanPipeline() {
    const Nesting nesting(*this);
    if (!nesting.Ok()) {
        return;
    }
    const char* const outer = currentCapture;
    while (true) {
        const std::size_t call = ScanPipelineElement();
        SkipInline();
        if (PipeFollows()) {
            if (call != kNoCall) {
                Review(calls[call], kPiped);
            }
            continue;
        }
        const char c = text.At(cursor);
        if ((c == '|' || c == '&') && text.At(cursor + 1) == c) {
            cursor += 2;
            SkipLines();
            continue;
        }
        break;
    }
    currentCapture = outer;
}

// A '|' (not '||') here, or, in PowerShell 7, at the start of a following line.
bool Reader::PipeFollows() {
    std::size_t p = cursor;
    while (text.NewlineLength(p) > 0 || text.SpaceLength(p) > 0) {
        p += text.NewlineLength(p) + text.SpaceLength(p);
    }
    if (text.At(p) != '|' || text.At(p + 1) == '|' || (p != cursor && text.NewlineLength(cursor) == 0)) {
        return false;
    }
    cursor = p + 1;
    SkipLines();
    return true;
}

// Returns the index of the legacy program's call this element is, or kNoCall.
std::size_t Reader::ScanPipelineElement() {
    while (true) {
        SkipInline();
        if (AtCommandEnd()) {
            return kNoCall;
        }
        const char c = text.At(cursor);
        if (c == '&' || (c == '.' && (text.SpaceLength(cursor + 1) > 0 || text.ContinuationLength(cursor + 1) > 0))) {
            ++cursor;
            SkipInline();
            return ScanInvocation();
        }
        if (!StartsCommandName(cursor)) {
            ScanExpression(false);
            return kNoCall;
        }
        const std::size_t keywordEnd = PipelineKeywordEnd(cursor);
        if (keywordEnd == 0) {
            return ScanCommand();
        }
        cursor = keywordEnd;
        currentCapture = kValue;
    }
}

// After return, throw and exit a pipeline follows, whose output is their value.
std::size_t Reader::PipelineKeywordEnd(std::size_t pos) const {
    std::size_t end = pos;
    while (text.IsNameChar(end)) {
        ++end;
    }
    if (!text.EndsBareword(end)) {
        return 0;
    }
    const std::string_view word = text.Slice(pos, end);
    return EqualsIgnoringCase(word, "return") || EqualsIgnoringCase(word, "throw") || EqualsIgnoringCase(word, "exit") ? end : 0;
}

bool Reader::StartsCommandName(std::size_t pos) const {
    if (text.QuoteAt(pos) != QuoteKind::kNone || text.DashLength(pos) > 0) {
        return false;
    }
    const char c = text.At(pos);
    switch (c) {
        case '$':
        case '(':
        case '[':
        case ']':
        case '@':
        case '{':
        case '!':
        case '+':
        case '*':
        case ',':
        case '=':
        case '<':
        case '>':
        case '#':
            return false;
        default:
            break;
    }
    if ((c >= '0' && c <= '9') || c == '.') {
        std::size_t end = pos;
        while (!text.EndsBareword(end)) {
            ++end;
        }
        return !IsNumberLiteral(text.Slice(pos, end));
    }
    return true;
}

// ---- Expressions ------------------------------------------------------------------------------

// Reads an expression statement, or (`bracket`) the inside of [ ] up to its ']'.
void Reader::ScanExpression(bool bracket) {
    std::string target;
    if (!bracket && SimpleAssignment(target)) {
        ScanAssignedValue(target);
        return;
    }
    bool operand = true;
    while (!ExpressionEnds(bracket, operand)) {
        const std::size_t assignment = bracket ? 0 : AssignmentLength(cursor);
        if (assignment > 0) {
            cursor += assignment;
            ScanAssignedValue("");
            return;
        }
        operand = ScanOperand() ? false : SkipOperator();
    }
}

// Skips spaces and comments (and line ends where an operand may follow, or inside [ ]); true at
// the expression's end, after a bracket's ']'.
bool Reader::ExpressionEnds(bool bracket, bool operand) {
    if (operand || bracket) {
        SkipLines();
    } else {
        SkipInline();
    }
    if (text.At(cursor) == '#') {
        SkipLineComment();
    }
    const char c = text.At(cursor);
    if (cursor >= text.Size() || (bracket && (c == ')' || c == '}'))) {
        if (bracket) {
            Problem(cursor, kUnclosedBracket, false);
        }
        return true;
    }
    if (!bracket) {
        return AtCommandEnd() || c == '&';
    }
    cursor += c == ']' ? 1 : 0;
    return c == ']';
}

// Reads an operand that can hold strings, brackets or code; returns false when none starts here.
bool Reader::ScanOperand() {
    const std::size_t begin = cursor;
    const char c = text.At(cursor);
    Argument scratchArgument;
    ScriptCall scratch;
    if (text.QuoteAt(cursor) != QuoteKind::kNone || HereStringHeader(cursor) > 0) {
        if (c == '@') {
            ScanHereString(scratchArgument, scratch);
        } else {
            ScanQuoted(scratchArgument, scratch);
        }
        const auto [b, e] = Interior(begin, cursor);
        NoteNaming(c == '@' ? std::string_view(scratchArgument.value) : text.Slice(b, e));
        return true;
    }
    if (c == '$' && VariableAt(cursor)) {
        ScanVariableReference();
    } else if (c == '@' && text.At(cursor + 1) == '(') {
        ScanGroup(2, ')', kArraySubexpression, false, kUnclosedArray);
    } else if (c == '@' && text.At(cursor + 1) == '{') {
        ScanGroup(2, '}', kValue, true, kUnclosedHashtable);
    } else if (c == '(') {
        ScanGroup(1, ')', kValue, false, kUnclosedParen);
    } else if (c == '{') {
        ScanGroup(1, '}', currentCapture, false, kUnclosedBrace);
    } else if (c == '[') {
        const Nesting nesting(*this);
        if (nesting.Ok()) {
            ++cursor;
            ScanExpression(true);
        }
    } else if (text.IsNameChar(cursor)) {
        while (text.IsNameChar(cursor)) {
            ++cursor;
        }
    } else {
        return false;
    }
    return true;
}

// Skips an operator or another character. Returns whether an operand may follow.
bool Reader::SkipOperator() {
    const char c = text.At(cursor);
    if (c == '.' || (c == ':' && text.At(cursor + 1) == ':')) {
        cursor += c == '.' ? 1 : 2;
        if (!text.IsNameChar(cursor)) {
            return true;
        }
        while (text.IsNameChar(cursor)) {
            ++cursor;
        }
        return false;
    }
    const std::size_t dash = text.DashLength(cursor);
    if (dash > 0) {
        cursor += dash;
        while (text.IsNameChar(cursor)) {
            ++cursor;
        }
        return true;
    }
    cursor += c == '`' && cursor + 1 < text.Size() ? 2 : 1;
    return true;
}

// = += -= *= /= %= ??=
std::size_t Reader::AssignmentLength(std::size_t pos) const {
    const char c = text.At(pos);
    if (c == '=') {
        return text.At(pos + 1) == '=' ? 0 : 1;
    }
    if ((c == '+' || c == '-' || c == '*' || c == '/' || c == '%') && text.At(pos + 1) == '=') {
        return 2;
    }
    return c == '?' && text.At(pos + 1) == '?' && text.At(pos + 2) == '=' ? 3 : 0;
}

// "$name =" or "${name} =" at the start of a statement: sets `target` and moves past the '='.
bool Reader::SimpleAssignment(std::string& target) {
    std::size_t p = 0;
    const ByteRange name = PlainVariableAt(cursor, p);
    while (text.SpaceLength(p) > 0) {
        p += text.SpaceLength(p);
    }
    const std::size_t assignment = AssignmentLength(p);
    if (name.end == name.begin || assignment == 0) {
        return false;
    }
    target = VariableKey(text.Slice(name.begin, name.end));
    cursor = p + assignment;
    return true;
}

// The statement after an assignment's '=': its calls are captured. When `target` is set, a
// string in it naming the program makes the variable a tool variable.
void Reader::ScanAssignedValue(const std::string& target) {
    const char* const outerCapture = currentCapture;
    const bool outerWatch = watchNaming;
    const bool outerSaw = sawNaming;
    currentCapture = kAssigned;
    watchNaming = !target.empty();
    sawNaming = false;
    SkipLines();
    ScanPipeline();
    if (watchNaming && sawNaming) {
        toolVariables.push_back(target);
    }
    currentCapture = outerCapture;
    watchNaming = outerWatch;
    sawNaming = outerSaw;
}

void Reader::NoteNaming(std::string_view path) {
    NameMatch match;
    if (watchNaming && !sawNaming && names.IsProgramPath(path, match)) {
        sawNaming = true;
    }
}

// ---- Commands ---------------------------------------------------------------------------------

// The program after & or . : a quoted path, a variable, a block or a bare path.
std::size_t Reader::ScanInvocation() {
    const std::size_t problemsBefore = problems.size();
    const std::size_t begin = cursor;
    const char c = text.At(cursor);
    Argument program;
    ScriptCall scratch;
    if (text.QuoteAt(cursor) != QuoteKind::kNone) {
        ScanQuoted(program, scratch);
        const auto [b, e] = Interior(begin, cursor);
        return FinishCommand({begin, cursor}, b, e, "", problemsBefore);
    }
    std::string variable;
    if (c == '$' && ToolVariableAt(variable)) {
        return FinishCommand({begin, cursor}, begin, begin, kToolVariable + variable, problemsBefore);
    }
    if (c == '$') {
        ScanArgumentElement(program, scratch, false);  // $dir\old.exe names the program too
        return FinishCommand({begin, cursor}, begin, cursor, "", problemsBefore);
    }
    if (c == '(') {
        return ComputedProgram() ? FinishCommand({begin, cursor}, begin, begin, kComputedProgram, problemsBefore)
                                 : kNoCall;
    }
    if (c == '{' || c == '@') {
        ScanArgumentElement(program, scratch, false);
        scratch.program = {begin, cursor};
        ScanArguments(scratch, CommandKind::kOther);
        return kNoCall;
    }
    return AtCommandEnd() ? kNoCall : ScanCommand();
}

// ( ) after & or . : true when a string in it names the program, as in (Join-Path $d old.exe).
bool Reader::ComputedProgram() {
    const bool outerWatch = watchNaming;
    const bool outerSaw = sawNaming;
    watchNaming = true;
    sawNaming = false;
    ScanGroup(1, ')', kValue, false, kUnclosedParen);
    const bool named = sawNaming;
    watchNaming = outerWatch;
    sawNaming = outerSaw;
    if (!named) {
        ScriptCall scratch;
        scratch.program = {cursor, cursor};
        ScanArguments(scratch, CommandKind::kOther);
    }
    return named;
}

// A plain "$name" or "${name}" assigned a path naming the program; sets `written` to it as written.
bool Reader::ToolVariableAt(std::string& written) {
    std::size_t end = 0;
    const ByteRange name = PlainVariableAt(cursor, end);
    const std::string key = VariableKey(text.Slice(name.begin, name.end));
    if (key.empty() || !text.EndsBareword(end) ||
        std::find(toolVariables.begin(), toolVariables.end(), key) == toolVariables.end()) {
        return false;
    }
    written = std::string(text.Slice(cursor, end));
    cursor = end;
    return true;
}

std::size_t Reader::ScanCommand() {
    const std::size_t problemsBefore = problems.size();
    const std::size_t begin = cursor;
    Argument program;
    ScriptCall scratch;
    ScanBareword(program, scratch);
    if (cursor == begin) {
        ++cursor;
    }
    return FinishCommand({begin, cursor}, begin, cursor, "", problemsBefore);
}

// The program token is read: [begin, end) is its path without quotes; `indirect` says how the
// program is named when no path shows it. Reads the arguments; returns the call's index, or kNoCall.
std::size_t Reader::FinishCommand(ByteRange program, std::size_t begin, std::size_t end, const std::string& indirect,
                                  std::size_t problemsBefore) {
    const std::string_view path = text.Slice(begin, end);
    NameMatch match;
    if (indirect.empty() && !names.IsProgramPath(path, match)) {
        ScriptCall scratch;
        scratch.program = program;
        ScanArguments(scratch, KindOf(path));
        return kNoCall;
    }
    ScriptCall call;
    call.program = program;
    if (indirect.empty()) {
        call.name = {begin + match.nameBegin, begin + match.nameEnd};
    } else {
        call.name = {program.begin, program.begin};
        Review(call, indirect);
    }
    if (currentCapture != nullptr) {
        Review(call, currentCapture);
    }
    ScanArguments(call, CommandKind::kLegacy);
    if (problems.size() > problemsBefore) {
        SetManual(call, problems[problemsBefore]);
    }
    calls.push_back(std::move(call));
    return calls.size() - 1;
}

// Reads a command's arguments up to the end of the command. For the legacy program `call` gets
// them; for another command `call` is scratch and only naming arguments are looked at.
void Reader::ScanArguments(ScriptCall& call, CommandKind kind) {
    std::size_t first = kNoCall;
    std::size_t last = call.program.end;
    bool redirected = false;
    OtherCommand other;
    char stream = '1';
    char merge = '\0';
    while (true) {
        SkipInline();
        if (AtCommandEnd()) {
            break;
        }
        const char c = text.At(cursor);
        if (c == '&') {
            ++cursor;
            Review(call, kBackground);
            break;
        }
        if (c == '#') {
            SkipLineComment();
        } else if (RedirectionLength(cursor, stream, merge) > 0) {
            ScanRedirection(call);
            redirected = first != kNoCall;
        } else if (c == '<') {
            ++cursor;
            SetManual(call, kInputRedirection);
        } else {
            if (redirected) {
                Review(call, kRedirectionBetween);
            }
            first = first == kNoCall ? cursor : first;
            if (StopParsingAt(cursor)) {
                last = ScanVerbatim(call);
                break;
            }
            ScanOneArgument(call, kind, other);
            last = cursor;
        }
    }
    call.arguments = first == kNoCall ? ByteRange{call.program.end, call.program.end} : ByteRange{first, last};
}

void Reader::ScanOneArgument(ScriptCall& call, CommandKind kind, OtherCommand& other) {
    const std::size_t begin = cursor;
    Argument arg;
    ScanArgumentElement(arg, call, true);
    ScanArrayRest(arg, call);
    if (kind != CommandKind::kLegacy) {
        NoteOtherArgument(kind, begin, other);
        return;
    }
    if (arg.value == "--%") {
        arg.Review(kQuotedStopParsing);
    }
    const char* difference = arg.list ? nullptr : PassingDifference(arg.value);
    if (difference != nullptr) {
        arg.Review(difference);
    }
    if (!arg.review.empty()) {
        Review(call, arg.review);
    }
    call.words.push_back(std::move(arg.value));
}

// Commas after an element make an array; for a native program PowerShell joins it again.
void Reader::ScanArrayRest(Argument& arg, ScriptCall& call) {
    bool array = false;
    bool tight = true;
    while (true) {
        std::size_t comma = cursor;
        while (text.SpaceLength(comma) + text.ContinuationLength(comma) > 0) {
            comma += text.SpaceLength(comma) + text.ContinuationLength(comma);
        }
        if (text.At(comma) != ',') {
            break;
        }
        array = true;
        tight = tight && comma == cursor;
        cursor = comma + 1;
        const std::size_t afterComma = cursor;
        SkipLines();
        tight = tight && cursor == afterComma;
        if (AtCommandEnd() || text.At(cursor) == ',') {
            SetManual(call, kTrailingComma);
            break;
        }
        Argument element;
        ScanArgumentElement(element, call, true);
        arg.value += ',';
        arg.value += element.value;
        arg.plain = arg.plain && element.plain && !element.value.empty();
        arg.Review(element.review);
    }
    if (array && !(arg.plain && tight)) {
        arg.Review(kArray);
    }
}

void Reader::NoteOtherArgument(CommandKind kind, std::size_t begin, OtherCommand& other) {
    const auto [b, e] = Interior(begin, cursor);
    const std::string_view value = text.Slice(b, e);
    NoteNaming(value);
    NameMatch match;
    const bool started = kind == CommandKind::kStartProcess && !other.afterArgumentList && names.IsProgramPath(value, match);
    const bool invoked = kind == CommandKind::kInvokeExpression && names.FindMention(value, 0, match);
    if (!other.reported && (started || invoked)) {
        AddIndirectCall(begin, cursor, match, b, started ? kStartProcess : kInvokeExpression);
        other.reported = true;
    }
    other.afterArgumentList = IsArgumentListParameter(value);
}

// [begin, end) without the quotes around it, if it is one quoted string.
std::pair<std::size_t, std::size_t> Reader::Interior(std::size_t begin, std::size_t end) const {
    const QuoteKind kind = text.QuoteAt(begin);
    const std::size_t open = text.QuoteLength(begin, kind);
    if (open == 0) {
        return {begin, end};
    }
    for (const std::size_t close : {std::size_t{1}, std::size_t{3}}) {
        if (end >= begin + open + close && text.QuoteLength(end - close, kind) == close) {
            return {begin + open, end - close};
        }
    }
    return {begin + open, end};
}

// ---- Arguments --------------------------------------------------------------------------------

// One element of an argument: a bracket, a string, a variable with what joins it, a parameter
// with its value, or a bareword.
void Reader::ScanArgumentElement(Argument& arg, ScriptCall& call, bool allowParameter) {
    const std::size_t begin = cursor;
    const char c = text.At(cursor);
    if (c == '@' && ScanAtArgument(arg, call)) {
        return;
    }
    if (c == '(') {
        ScanGroup(1, ')', kValue, false, kUnclosedParen);
        AddPlaceholder(arg, call, begin, false, false);
        return;
    }
    if (c == '{') {
        ScanGroup(1, '}', currentCapture, false, kUnclosedBrace);
        AddPlaceholder(arg, call, begin, false, false);
        arg.Review(kScriptBlock);
        return;
    }
    if (text.QuoteAt(cursor) != QuoteKind::kNone) {
        ScanQuoted(arg, call);  // a string at the start of a token ends it
        return;
    }
    if (c == '$' && ScanDollarArgument(arg, call)) {
        return;
    }
    if (allowParameter && ScanParameter(arg, call)) {
        return;
    }
    ScanBareword(arg, call);
    CheckBareword(arg, begin);
}

// @( ), @{ }, a here-string or @name (splatting).
bool Reader::ScanAtArgument(Argument& arg, ScriptCall& call) {
    const std::size_t begin = cursor;
    const char next = text.At(cursor + 1);
    if (next == '(' || next == '{') {
        ScanGroup(2, next == '(' ? ')' : '}', next == '(' ? kArraySubexpression : kValue, next == '{',
                  next == '(' ? kUnclosedArray : kUnclosedHashtable);
        AddPlaceholder(arg, call, begin, false, next == '(');
        arg.Review(next == '(' ? kListArgument : kHashtable);
        return true;
    }
    if (HereStringHeader(cursor) > 0) {
        ScanHereString(arg, call);
        arg.Review(kHereString);
        return true;
    }
    if (!text.IsNameChar(cursor + 1)) {
        return false;
    }
    ++cursor;
    ScanName();
    AddPlaceholder(arg, call, begin, false, true);
    arg.Review(kSplat + std::string(text.Slice(begin, cursor)));
    return true;
}

// A variable at the start of a token. With member access or as $( ) it is the whole argument;
// a plain variable joins what follows it. Returns false for a lone '$'.
bool Reader::ScanDollarArgument(Argument& arg, ScriptCall& call) {
    const std::size_t begin = cursor;
    if (!VariableAt(cursor)) {
        return false;
    }
    const bool subexpression = text.At(cursor + 1) == '(';
    ScanVariableReference();
    if (!subexpression && MemberFollows()) {
        ScanMemberChain();
        AddPlaceholder(arg, call, begin, false, false);
        return true;
    }
    AddPlaceholder(arg, call, begin, false, false);
    if (!subexpression) {
        ScanBareword(arg, call);
    }
    return true;
}

// A parameter token with a colon (-name:value) gets its value read as a new token; other
// parameter tokens are barewords. Returns true when it read the argument.
bool Reader::ScanParameter(Argument& arg, ScriptCall& call) {
    const std::size_t dash = text.DashLength(cursor);
    const char first = text.At(cursor + dash);
    const bool letter = first == '?' || (text.IsNameChar(cursor + dash) && (first < '0' || first > '9'));
    if (dash == 0 || !letter) {
        return false;
    }
    if (dash > 1) {
        arg.Review(kDash);
    }
    std::size_t p = cursor + dash;
    while (!text.EndsBareword(p) && text.At(p) != ':') {
        const char c = text.At(p);
        if (c == '.' || c == '[') {
            arg.Review(kParameterDot);
            return false;
        }
        if (c == '`' || c == '$' || text.QuoteAt(p) != QuoteKind::kNone) {
            return false;
        }
        ++p;
    }
    if (text.At(p) != ':') {
        return false;
    }
    arg.value.append(text.Slice(cursor, p + 1));
    cursor = p + 1;
    if (!text.EndsBareword(cursor)) {
        Argument value;
        ScanArgumentElement(value, call, false);
        arg.value += value.value;
        arg.plain = arg.plain && value.plain;
        arg.Review(value.review);
    }
    return true;
}

// The rest of a bareword: characters, escapes, quoted parts and variables up to a character
// that ends it.
void Reader::ScanBareword(Argument& arg, ScriptCall& call) {
    while (!text.EndsBareword(cursor)) {
        const char c = text.At(cursor);
        if (c == '`') {
            if (!ScanEscape(arg)) {
                return;
            }
        } else if (text.QuoteAt(cursor) != QuoteKind::kNone) {
            ScanQuoted(arg, call);
        } else if (c == '$' && VariableAt(cursor)) {
            ScanStringVariable(arg, call, false);
        } else {
            arg.value += c;
            ++cursor;
        }
    }
}

void Reader::CheckBareword(Argument& arg, std::size_t begin) const {
    const std::string_view raw = text.Slice(begin, cursor);
    if (!raw.empty() && raw[0] == '~' && (raw.size() == 1 || raw[1] == '\\' || raw[1] == '/')) {
        arg.Review(kTilde);
    }
    if (arg.plain && IsReformattedNumber(raw)) {
        arg.Review(kNumber);
    }
    if (raw == "--") {
        arg.Review(kEndOfParameters);
    }
}

// A backtick in a bareword. Returns false at a line continuation, which ends the word.
bool Reader::ScanEscape(Argument& arg) {
    if (text.ContinuationLength(cursor) > 0) {
        arg.Review(kTightContinuation);
        return false;
    }
    arg.plain = false;
    if (cursor + 1 >= text.Size()) {
        arg.value += '`';
        ++cursor;
        return true;
    }
    if (EscapedSpaceEndsLine()) {
        arg.Review(kBrokenContinuation);
    }
    AppendEscape(arg);
    return true;
}

// A backtick and the character after it, as PowerShell reads them in barewords and strings:
// `n `r `t `a `b `f `v are control characters, any other character stands for itself.
void Reader::AppendEscape(Argument& arg) {
    constexpr std::string_view kLetters = "nrtabfv";
    constexpr std::string_view kControls = "\n\r\t\a\b\f\v";
    const char c = text.At(cursor + 1);
    const std::size_t control = kLetters.find(c);
    if (c == '0' || c == 'e' || c == 'u') {
        // `0 is NUL, which ends a command line; `e and `u{...} are escapes only since PowerShell 6.
        arg.Review(kEscape);
        arg.value.append(text.Slice(cursor, cursor + 2));
    } else {
        arg.value += control == std::string_view::npos ? c : kControls[control];
    }
    cursor += 2;
}

bool Reader::EscapedSpaceEndsLine() const {
    std::size_t p = cursor + 1;
    if (text.SpaceLength(p) == 0) {
        return false;
    }
    while (text.SpaceLength(p) > 0) {
        p += text.SpaceLength(p);
    }
    return p >= text.Size() || text.NewlineLength(p) > 0;
}

void Reader::ScanQuoted(Argument& arg, ScriptCall& call) {
    arg.plain = false;
    if (text.QuoteAt(cursor) == QuoteKind::kSingle) {
        ScanSingleQuoted(arg);
    } else {
        ScanDoubleQuoted(arg, call);
    }
}

// 'text': literal; two quotes in a row are one.
void Reader::ScanSingleQuoted(Argument& arg) {
    const std::size_t start = cursor;
    cursor += text.QuoteLength(cursor, QuoteKind::kSingle);
    while (cursor < text.Size()) {
        const std::size_t quote = text.QuoteLength(cursor, QuoteKind::kSingle);
        if (quote == 0) {
            arg.value += text.At(cursor);
            ++cursor;
            continue;
        }
        const std::size_t second = text.QuoteLength(cursor + quote, QuoteKind::kSingle);
        if (second == 0) {
            cursor += quote;
            return;
        }
        arg.value.append(text.Slice(cursor + quote, cursor + quote + second));
        cursor += quote + second;
    }
    Problem(start, kUnclosedSingle, true);
}

// "text": backtick escapes and variables expand; two quotes in a row are one.
void Reader::ScanDoubleQuoted(Argument& arg, ScriptCall& call) {
    const std::size_t start = cursor;
    const std::size_t problemsBefore = problems.size();
    cursor += text.QuoteLength(cursor, QuoteKind::kDouble);
    while (cursor < text.Size()) {
        const std::size_t quote = text.QuoteLength(cursor, QuoteKind::kDouble);
        const char c = text.At(cursor);
        if (quote > 0) {
            const std::size_t second = text.QuoteLength(cursor + quote, QuoteKind::kDouble);
            if (second == 0) {
                cursor += quote;
                return;
            }
            arg.value.append(text.Slice(cursor + quote, cursor + quote + second));
            cursor += quote + second;
        } else if (c == '`' && cursor + 1 < text.Size()) {
            AppendEscape(arg);
        } else if (c == '$' && VariableAt(cursor)) {
            ScanStringVariable(arg, call, true);
        } else {
            arg.value += c;
            ++cursor;
        }
    }
    Problem(start, kUnclosedDouble, problems.size() == problemsBefore);
}

// The length of a here-string's opening ('@', a quote, spaces, a line end), 0 if none is here.
std::size_t Reader::HereStringHeader(std::size_t pos) const {
    if (text.At(pos) != '@') {
        return 0;
    }
    const std::size_t quote = text.QuoteLength(pos + 1, text.QuoteAt(pos + 1));
    if (quote == 0) {
        return 0;
    }
    std::size_t p = pos + 1 + quote;
    while (text.SpaceLength(p) > 0) {
        p += text.SpaceLength(p);
    }
    const std::size_t newline = text.NewlineLength(p);
    return newline == 0 ? 0 : p + newline - pos;
}

// @" ... "@ or @' ... '@: the lines up to a line starting with the closing quote and '@'.
void Reader::ScanHereString(Argument& arg, ScriptCall& call) {
    const std::size_t start = cursor;
    const QuoteKind kind = text.QuoteAt(cursor + 1);
    const std::size_t problemsBefore = problems.size();
    cursor += HereStringHeader(cursor);
    arg.plain = false;
    bool lineStart = true;
    std::size_t beforeLineEnd = arg.value.size();
    while (cursor < text.Size()) {
        const std::size_t quote = lineStart ? text.QuoteLength(cursor, kind) : 0;
        if (quote > 0 && text.At(cursor + quote) == '@') {
            arg.value.resize(beforeLineEnd);  // the last line end belongs to the closing mark
            cursor += quote + 1;
            return;
        }
        const std::size_t newline = text.NewlineLength(cursor);
        lineStart = newline > 0;
        const char c = text.At(cursor);
        if (newline > 0) {
            beforeLineEnd = arg.value.size();
            arg.value.append(text.Slice(cursor, cursor + newline));
            cursor += newline;
        } else if (kind == QuoteKind::kDouble && c == '`' && cursor + 1 < text.Size()) {
            AppendEscape(arg);
        } else if (kind == QuoteKind::kDouble && c == '$' && VariableAt(cursor)) {
            ScanStringVariable(arg, call, true);
        } else {
            arg.value += c;
            ++cursor;
        }
    }
    Problem(start, kUnclosedHereString, problems.size() == problemsBefore);
}

// '$' starting a variable reference: $( ), ${ }, $$, $?, $^ or $name.
bool Reader::VariableAt(std::size_t pos) const {
    const char next = text.At(pos + 1);
    return text.At(pos) == '$' &&
           (next == '(' || next == '{' || next == '$' || next == '?' || next == '^' || text.IsNameChar(pos + 1));
}

void Reader::ScanVariableReference() {
    const std::size_t begin = cursor;
    const char next = text.At(cursor + 1);
    if (next == '(') {
        ++cursor;
        ScanGroup(1, ')', kSubexpression, false, kUnclosedSubexpression);
        return;
    }
    if (next == '{') {
        cursor += 2;
        while (cursor < text.Size() && text.At(cursor) != '}') {
            cursor += text.At(cursor) == '`' ? 2 : 1;
        }
        if (cursor >= text.Size()) {
            cursor = text.Size();
            Problem(begin, kUnclosedVariable, true);
            return;
        }
        ++cursor;
        return;
    }
    ++cursor;
    if (next == '$' || next == '?' || next == '^') {
        ++cursor;
        return;
    }
    ScanName();
}

void Reader::ScanName() {
    cursor = NameEnd(cursor);
}

// The end of a variable name at `pos`, with a scope or drive such as env: before it.
std::size_t Reader::NameEnd(std::size_t pos) const {
    std::size_t end = pos;
    while (text.IsNameChar(end)) {
        ++end;
    }
    if (text.At(end) == ':' && text.IsNameChar(end + 1)) {
        ++end;
        while (text.IsNameChar(end)) {
            ++end;
        }
    }
    return end;
}

// The name in a plain $name or ${name} at `pos` (an empty range when there is none); sets `end`
// to the end of the variable.
ByteRange Reader::PlainVariableAt(std::size_t pos, std::size_t& end) const {
    end = pos;
    if (text.At(pos) != '$') {
        return {pos, pos};
    }
    if (text.At(pos + 1) != '{') {
        end = NameEnd(pos + 1);
        return {pos + 1, end};
    }
    const std::size_t close = source.find('}', pos + 2);
    if (close == std::string_view::npos) {
        return {pos, pos};
    }
    end = close + 1;
    return {pos + 2, close};
}

bool Reader::MemberFollows() const {
    const char c = text.At(cursor);
    return (c == '.' && text.IsNameChar(cursor + 1)) || c == '[' ||
           (c == ':' && text.At(cursor + 1) == ':' && text.IsNameChar(cursor + 2));
}

// .name, .name( ), ::name and [ ] after a variable at the start of an argument.
void Reader::ScanMemberChain() {
    while (MemberFollows()) {
        if (text.At(cursor) == '[') {
            const Nesting nesting(*this);
            if (!nesting.Ok()) {
                return;
            }
            ++cursor;
            ScanExpression(true);
            continue;
        }
        cursor += text.At(cursor) == '.' ? 1 : 2;
        while (text.IsNameChar(cursor)) {
            ++cursor;
        }
        if (text.At(cursor) == '(') {
            ScanGroup(1, ')', kValue, false, kUnclosedParen);
        }
    }
}

void Reader::ScanStringVariable(Argument& arg, ScriptCall& call, bool quoted) {
    const std::size_t begin = cursor;
    ScanVariableReference();
    AddPlaceholder(arg, call, begin, quoted, false);
}

void Reader::AddPlaceholder(Argument& arg, ScriptCall& call, std::size_t begin, bool quoted, bool list) const {
    call.variables.push_back({std::string(text.Slice(begin, cursor)), quoted, list});
    arg.value += Placeholder(call.variables.size() - 1);
    arg.plain = false;
    arg.list = arg.list || list;
}

// ---- Redirections and stop-parsing ------------------------------------------------------------

// The length of a redirection operator at the start of a token, 0 if none: > >> n> n>> n>&m
// with n one of 1-6 or *. Sets `stream` to n and `merge` to m ('\0' for a file).
std::size_t Reader::RedirectionLength(std::size_t pos, char& stream, char& merge) const {
    std::size_t p = pos;
    const char c = text.At(p);
    if ((c >= '1' && c <= '6') || c == '*') {
        if (text.At(p + 1) != '>') {
            return 0;
        }
        stream = c;
        ++p;
    } else if (c == '>') {
        stream = '1';
    } else {
        return 0;
    }
    ++p;
    merge = '\0';
    if (text.At(p) == '>') {
        ++p;
    } else if (text.At(p) == '&' && (text.At(p + 1) == '1' || text.At(p + 1) == '2')) {
        merge = text.At(p + 1);
        p += 2;
    }
    return p - pos;
}

// Success output sent to a file needs review; the other streams (2> 2>&1 3>) do not. Streams
// can only be merged into the success stream.
void Reader::ScanRedirection(ScriptCall& call) {
    char stream = '1';
    char merge = '\0';
    cursor += RedirectionLength(cursor, stream, merge);
    if (merge != '\0') {
        if (merge == '2') {
            SetManual(call, kMergeIntoError);
        }
        return;
    }
    if (stream == '1' || stream == '*') {
        Review(call, kRedirected);
    }
    SkipInline();
    if (AtCommandEnd() || text.At(cursor) == '&') {
        SetManual(call, kNoTarget);
        return;
    }
    Argument target;
    ScriptCall scratch;
    ScanArgumentElement(target, scratch, false);
}

bool Reader::StopParsingAt(std::size_t pos) const {
    return text.At(pos) == '-' && text.At(pos + 1) == '-' && text.At(pos + 2) == '%' &&
           (pos + 3 >= text.Size() || text.SpaceLength(pos + 3) > 0 || text.NewlineLength(pos + 3) > 0);
}

// After --% the rest of the line goes on as written, up to a '|' or "&&" outside double quotes;
// only %NAME% expands. The words are the C runtime's split of it. Returns the end of its text.
std::size_t Reader::ScanVerbatim(ScriptCall& call) {
    call.stopParsing = true;
    cursor += 3;
    const std::size_t begin = cursor;
    bool quoted = false;
    while (cursor < text.Size() && text.NewlineLength(cursor) == 0) {
        const std::size_t quote = text.QuoteLength(cursor, QuoteKind::kDouble);
        const char c = text.At(cursor);
        if (quote > 0) {
            quoted = !quoted;
            cursor += quote;
            continue;
        }
        if (!quoted && (c == '|' || (c == '&' && text.At(cursor + 1) == '&'))) {
            break;
        }
        ++cursor;
    }
    std::size_t end = cursor;
    while (end > begin && (text.At(end - 1) == ' ' || text.At(end - 1) == '\t')) {
        --end;
    }
    AppendVerbatimWords(call, begin, end);
    return end;
}

// The words of the text [begin, end) after --%: %NAME% as placeholders, split as the C runtime does.
void Reader::AppendVerbatimWords(ScriptCall& call, std::size_t begin, std::size_t end) const {
    std::string line;
    bool crtQuoted = false;
    std::size_t backslashes = 0;
    std::size_t p = begin;
    while (p < end) {
        const char c = text.At(p);
        const std::size_t reference = c == '%' ? EnvironmentReferenceEnd(p, end) : 0;
        if (reference > 0) {
            call.variables.push_back({std::string(text.Slice(p, reference)), crtQuoted, false});
            line += Placeholder(call.variables.size() - 1);
            backslashes = 0;
            p = reference;
            continue;
        }
        if (c == '"' || c == '\t') {
            Review(call, kVerbatimQuote);
        }
        crtQuoted = c == '"' && backslashes % 2 == 0 ? !crtQuoted : crtQuoted;
        backslashes = c == '\\' ? backslashes + 1 : 0;
        line += c;
        ++p;
    }
    for (std::string& word : SplitCrtArguments(line)) {
        call.words.push_back(std::move(word));
    }
}

// %NAME% at `pos`, NAME without spaces, quotes or '%': returns the end after the second '%', or 0.
std::size_t Reader::EnvironmentReferenceEnd(std::size_t pos, std::size_t end) const {
    std::size_t p = pos + 1;
    while (p < end && text.At(p) != '%' && text.At(p) != '"' && text.SpaceLength(p) == 0) {
        ++p;
    }
    return p < end && p > pos + 1 && text.At(p) == '%' ? p + 1 : 0;
}
// NOLINTEND(misc-no-recursion)

}  // namespace

std::vector<ScriptCall> FindPowerShellCalls(std::string_view text, const std::vector<std::string>& legacyNames) {
    Reader reader(text, legacyNames);
    return reader.Read();
}

}  // namespace scripts
