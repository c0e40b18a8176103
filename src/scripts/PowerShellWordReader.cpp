#include "scripts/PowerShellWordReader.h"

#include <string_view>

#include "scripts/PowerShellPassing.h"
#include "scripts/PowerShellReasons.h"

namespace scripts {

// NOLINTBEGIN(misc-no-recursion): a word holds brackets, and they hold statements with words;
// PowerShellCursor::kMaxDepth bounds the depth.

// One element of an argument: a bracket, a string, a variable with what joins it, a parameter
// with its value, or a bareword.
void PowerShellWordReader::ScanArgumentElement(PowerShellWord& arg, ScriptCall& call, bool allowParameter) {
    const std::size_t begin = scan.pos;
    const char c = scan.text.At(scan.pos);
    if (c == '@' && ScanAtArgument(arg, call)) {
        return;
    }
    if (c == '(') {
        groups.ScanGroup(1, ')', kValue, false, kUnclosedParen);
        AddPlaceholder(arg, call, begin, false, false);
        return;
    }
    if (c == '{') {
        groups.ScanGroup(1, '}', found.capture, false, kUnclosedBrace);
        AddPlaceholder(arg, call, begin, false, false);
        arg.Review(kScriptBlock);
        return;
    }
    if (scan.text.QuoteAt(scan.pos) != QuoteKind::kNone) {
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
bool PowerShellWordReader::ScanAtArgument(PowerShellWord& arg, ScriptCall& call) {
    const std::size_t begin = scan.pos;
    const char next = scan.text.At(scan.pos + 1);
    if (next == '(' || next == '{') {
        groups.ScanGroup(2, next == '(' ? ')' : '}', next == '(' ? kArraySubexpression : kValue, next == '{',
                         next == '(' ? kUnclosedArray : kUnclosedHashtable);
        AddPlaceholder(arg, call, begin, false, next == '(');
        arg.Review(next == '(' ? kListArgument : kHashtable);
        return true;
    }
    if (scan.HereStringHeader(scan.pos) > 0) {
        ScanHereString(arg, call);
        arg.Review(kHereString);
        return true;
    }
    if (!scan.text.IsNameChar(scan.pos + 1)) {
        return false;
    }
    ++scan.pos;
    scan.SkipName();
    AddPlaceholder(arg, call, begin, false, true);
    arg.Review(kSplat + std::string(scan.text.Slice(begin, scan.pos)));
    return true;
}

// A variable at the start of a token. With member access or as $( ) it is the whole argument;
// a plain variable joins what follows it. Returns false for a lone '$'.
bool PowerShellWordReader::ScanDollarArgument(PowerShellWord& arg, ScriptCall& call) {
    const std::size_t begin = scan.pos;
    if (!scan.VariableAt(scan.pos)) {
        return false;
    }
    const bool subexpression = scan.text.At(scan.pos + 1) == '(';
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
bool PowerShellWordReader::ScanParameter(PowerShellWord& arg, ScriptCall& call) {
    const std::size_t dash = scan.text.DashLength(scan.pos);
    const char first = scan.text.At(scan.pos + dash);
    const bool letter = first == '?' || (scan.text.IsNameChar(scan.pos + dash) && (first < '0' || first > '9'));
    if (dash == 0 || !letter) {
        return false;
    }
    if (dash > 1) {
        arg.Review(kDash);
    }
    std::size_t p = scan.pos + dash;
    const ParameterEnd end = ScanParameterName(arg, p);
    if (end == ParameterEnd::kBareword) {
        return false;
    }
    if (end == ParameterEnd::kAsWritten) {
        arg.value.append(scan.text.Slice(scan.pos, p));
        scan.pos = p;
        return true;
    }
    arg.value.append(scan.text.Slice(scan.pos, p + 1));
    scan.pos = p + 1;
    // -F:` at a line end continues the line: the token ends at the colon.
    if (!scan.text.EndsBareword(scan.pos) && scan.text.ContinuationLength(scan.pos) == 0) {
        PowerShellWord value;
        ScanArgumentElement(value, call, false);
        arg.value += value.value;
        arg.plain = arg.plain && value.plain;
        arg.Review(value.review);
    }
    return true;
}

// Moves `p` over a parameter token's name and says how the token ends. PowerShell 7.6 passes
// "-F$x" and "-F`x" as written and "-F${x}" as "-F$" and the script block {x}, and keeps a
// backtick that ends the token ("-F`"), the line end then ending the command.
PowerShellWordReader::ParameterEnd PowerShellWordReader::ScanParameterName(PowerShellWord& arg, std::size_t& p) const {
    bool literal = false;
    while (!scan.text.EndsBareword(p) && scan.text.At(p) != ':') {
        const char c = scan.text.At(p);
        if (c == '.' || c == '[') {
            arg.Review(kParameterDot);
            return ParameterEnd::kBareword;
        }
        if (c == '`' && scan.text.ContinuationLength(p) > 0) {
            arg.Review(kTightContinuation);
            ++p;
            return ParameterEnd::kAsWritten;
        }
        if (c == '`' || c == '$') {
            arg.Review(kParameterLiteral);
            literal = true;
        }
        if (c == '$' && scan.text.At(p + 1) == '{') {
            ++p;
            return ParameterEnd::kAsWritten;
        }
        if (scan.text.QuoteAt(p) != QuoteKind::kNone) {
            return ParameterEnd::kBareword;
        }
        ++p;
    }
    if (scan.text.At(p) == ':') {
        return ParameterEnd::kColon;
    }
    return literal ? ParameterEnd::kAsWritten : ParameterEnd::kBareword;
}

// The rest of a bareword: characters, escapes, quoted parts and variables up to a character
// that ends it.
void PowerShellWordReader::ScanBareword(PowerShellWord& arg, ScriptCall& call) {
    while (!scan.text.EndsBareword(scan.pos)) {
        const char c = scan.text.At(scan.pos);
        if (c == '`') {
            ScanEscape(arg);
        } else if (scan.text.QuoteAt(scan.pos) != QuoteKind::kNone) {
            ScanQuoted(arg, call);
        } else if (c == '$' && scan.VariableAt(scan.pos)) {
            ScanStringVariable(arg, call, false, true);
        } else {
            arg.value += c;
            ++scan.pos;
        }
    }
}

void PowerShellWordReader::CheckBareword(PowerShellWord& arg, std::size_t begin) const {
    const std::string_view raw = scan.text.Slice(begin, scan.pos);
    if (!raw.empty() && raw[0] == '~' && (raw.size() == 1 || raw[1] == '\\' || raw[1] == '/')) {
        arg.Review(kTilde);
    }
    if (raw == "--") {
        arg.Review(kEndOfParameters);
    }
}

// A backtick in a bareword. Before a line end it is no continuation: PowerShell escapes the CR
// or LF into the word (a\n, or a\r with the LF of CR LF then ending the command).
void PowerShellWordReader::ScanEscape(PowerShellWord& arg) {
    if (scan.text.ContinuationLength(scan.pos) > 0) {
        arg.Review(kTightContinuation);
    }
    arg.plain = false;
    if (scan.pos + 1 >= scan.text.Size()) {
        arg.value += '`';
        ++scan.pos;
        return;
    }
    if (EscapedSpaceEndsLine()) {
        arg.Review(kBrokenContinuation);
    }
    AppendEscape(arg);
}

// A backtick and the character after it, as PowerShell reads them in barewords and strings:
// `n `r `t `a `b `f `v are control characters, any other character stands for itself.
void PowerShellWordReader::AppendEscape(PowerShellWord& arg) {
    constexpr std::string_view kLetters = "nrtabfv";
    constexpr std::string_view kControls = "\n\r\t\a\b\f\v";
    const char c = scan.text.At(scan.pos + 1);
    const std::size_t control = kLetters.find(c);
    if (c == '0' || c == 'e' || c == 'u') {
        // `0 is NUL, which ends a command line; `e and `u{...} are escapes only since PowerShell 6.
        arg.Review(kEscape);
        arg.value.append(scan.text.Slice(scan.pos, scan.pos + 2));
    } else {
        arg.value += control == std::string_view::npos ? c : kControls[control];
    }
    scan.pos += 2;
}

bool PowerShellWordReader::EscapedSpaceEndsLine() const {
    std::size_t p = scan.pos + 1;
    if (scan.text.SpaceLength(p) == 0) {
        return false;
    }
    while (scan.text.SpaceLength(p) > 0) {
        p += scan.text.SpaceLength(p);
    }
    return p >= scan.text.Size() || scan.text.NewlineLength(p) > 0;
}

void PowerShellWordReader::ScanQuoted(PowerShellWord& arg, ScriptCall& call) {
    arg.plain = false;
    if (scan.text.QuoteAt(scan.pos) == QuoteKind::kSingle) {
        ScanSingleQuoted(arg);
    } else {
        ScanDoubleQuoted(arg, call);
    }
}

// 'text': literal; two quotes in a row are one.
void PowerShellWordReader::ScanSingleQuoted(PowerShellWord& arg) {
    const std::size_t start = scan.pos;
    scan.pos += scan.text.QuoteLength(scan.pos, QuoteKind::kSingle);
    while (scan.pos < scan.text.Size()) {
        const std::size_t quote = scan.text.QuoteLength(scan.pos, QuoteKind::kSingle);
        if (quote == 0) {
            arg.value += scan.text.At(scan.pos);
            ++scan.pos;
            continue;
        }
        const std::size_t second = scan.text.QuoteLength(scan.pos + quote, QuoteKind::kSingle);
        if (second == 0) {
            scan.pos += quote;
            return;
        }
        arg.value.append(scan.text.Slice(scan.pos + quote, scan.pos + quote + second));
        scan.pos += quote + second;
    }
    found.Problem(start, kUnclosedSingle, true);
}

// "text": backtick escapes and variables expand; two quotes in a row are one, except inside a
// $( ) of another string or of a bareword, where they end the string as one quote does.
void PowerShellWordReader::ScanDoubleQuoted(PowerShellWord& arg, ScriptCall& call) {
    const std::size_t start = scan.pos;
    const std::size_t problemsBefore = found.problems.size();
    scan.pos += scan.text.QuoteLength(scan.pos, QuoteKind::kDouble);
    while (scan.pos < scan.text.Size()) {
        const std::size_t quote = scan.text.QuoteLength(scan.pos, QuoteKind::kDouble);
        const char c = scan.text.At(scan.pos);
        if (quote > 0) {
            const std::size_t second = scan.text.QuoteLength(scan.pos + quote, QuoteKind::kDouble);
            // Inside a $( ) of a string or bareword, "" ends the string too: "$(f "a"" )" passes a.
            if (second == 0 || scan.inTokenSubexpressions > 0) {
                scan.pos += quote + second;
                return;
            }
            arg.value.append(scan.text.Slice(scan.pos + quote, scan.pos + quote + second));
            scan.pos += quote + second;
        } else if (c == '`' && scan.pos + 1 < scan.text.Size()) {
            AppendEscape(arg);
        } else if (c == '$' && scan.VariableAt(scan.pos)) {
            ScanStringVariable(arg, call, true, true);
        } else {
            arg.value += c;
            ++scan.pos;
        }
    }
    found.Problem(start, kUnclosedDouble, found.problems.size() == problemsBefore);
}

// @" ... "@ or @' ... '@: the lines up to a line starting with the closing quote and '@'.
void PowerShellWordReader::ScanHereString(PowerShellWord& arg, ScriptCall& call) {
    const std::size_t start = scan.pos;
    const QuoteKind kind = scan.text.QuoteAt(scan.pos + 1);
    const std::size_t problemsBefore = found.problems.size();
    scan.pos += scan.HereStringHeader(scan.pos);
    arg.plain = false;
    bool lineStart = true;
    std::size_t beforeLineEnd = arg.value.size();
    while (scan.pos < scan.text.Size()) {
        const std::size_t quote = lineStart ? scan.text.QuoteLength(scan.pos, kind) : 0;
        if (quote > 0 && scan.text.At(scan.pos + quote) == '@') {
            arg.value.resize(beforeLineEnd);  // the last line end belongs to the closing mark
            scan.pos += quote + 1;
            return;
        }
        const std::size_t newline = scan.text.NewlineLength(scan.pos);
        lineStart = newline > 0;
        const char c = scan.text.At(scan.pos);
        if (newline > 0) {
            beforeLineEnd = arg.value.size();
            arg.value.append(scan.text.Slice(scan.pos, scan.pos + newline));
            scan.pos += newline;
        } else if (kind == QuoteKind::kDouble && c == '`' && scan.pos + 1 < scan.text.Size()) {
            AppendEscape(arg);
        } else if (kind == QuoteKind::kDouble && c == '$' && scan.VariableAt(scan.pos)) {
            ScanStringVariable(arg, call, true, false);
        } else {
            arg.value += c;
            ++scan.pos;
        }
    }
    found.Problem(start, kUnclosedHereString, found.problems.size() == problemsBefore);
}

void PowerShellWordReader::ScanVariableReference() {
    const std::size_t begin = scan.pos;
    const char next = scan.text.At(scan.pos + 1);
    if (next == '(') {
        ++scan.pos;
        groups.ScanGroup(1, ')', kSubexpression, false, kUnclosedSubexpression);
        return;
    }
    if (next == '{') {
        scan.pos += 2;
        while (scan.pos < scan.text.Size() && scan.text.At(scan.pos) != '}') {
            scan.pos += scan.text.At(scan.pos) == '`' ? 2 : 1;
        }
        if (scan.pos >= scan.text.Size()) {
            scan.pos = scan.text.Size();
            found.Problem(begin, kUnclosedVariable, true);
            return;
        }
        ++scan.pos;
        return;
    }
    ++scan.pos;
    if (next == '$' || next == '?' || next == '^') {
        ++scan.pos;
        return;
    }
    scan.SkipName();
}

bool PowerShellWordReader::MemberFollows() const {
    const char c = scan.text.At(scan.pos);
    return (c == '.' && scan.text.IsNameChar(scan.pos + 1)) || c == '[' ||
           (c == ':' && scan.text.At(scan.pos + 1) == ':' && scan.text.IsNameChar(scan.pos + 2));
}

// .name, .name( ), ::name and [ ] after a variable at the start of an argument.
void PowerShellWordReader::ScanMemberChain() {
    while (MemberFollows()) {
        if (scan.text.At(scan.pos) == '[') {
            groups.ScanIndex();  // past kMaxDepth the cursor is at the end, which ends the chain
            continue;
        }
        scan.pos += scan.text.At(scan.pos) == '.' ? 1 : 2;
        while (scan.text.IsNameChar(scan.pos)) {
            ++scan.pos;
        }
        if (scan.text.At(scan.pos) == '(') {
            groups.ScanGroup(1, ')', kValue, false, kUnclosedParen);
        }
    }
}

void PowerShellWordReader::ScanStringVariable(PowerShellWord& arg, ScriptCall& call, bool quoted, bool inToken) {
    const std::size_t begin = scan.pos;
    const std::size_t outer = scan.inTokenSubexpressions;
    scan.inTokenSubexpressions = inToken ? outer + 1 : 0;
    ScanVariableReference();
    scan.inTokenSubexpressions = outer;
    AddPlaceholder(arg, call, begin, quoted, false);
}

void PowerShellWordReader::AddPlaceholder(PowerShellWord& arg, ScriptCall& call, std::size_t begin, bool quoted,
                                          bool list) const {
    call.variables.push_back({std::string(scan.text.Slice(begin, scan.pos)), quoted, list});
    arg.value += Placeholder(call.variables.size() - 1);
    arg.plain = false;
    arg.list = arg.list || list;
}
// NOLINTEND(misc-no-recursion)

}  // namespace scripts
