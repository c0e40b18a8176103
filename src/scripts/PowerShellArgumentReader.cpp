#include "scripts/PowerShellArgumentReader.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "scripts/AsciiCase.h"
#include "scripts/CrtArguments.h"
#include "scripts/PowerShellPassing.h"
#include "scripts/PowerShellReasons.h"

namespace scripts {

namespace {

constexpr std::size_t kNoArgument = static_cast<std::size_t>(-1);

}  // namespace

CommandKind PowerShellArgumentReader::KindOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (EqualsIgnoringCase(name, "start-process") || EqualsIgnoringCase(name, "start") || EqualsIgnoringCase(name, "saps")) {
        return CommandKind::kStartProcess;
    }
    if (EqualsIgnoringCase(name, "invoke-expression") || EqualsIgnoringCase(name, "iex")) {
        return CommandKind::kInvokeExpression;
    }
    if (!Launchers::Of(path).reason.empty()) {
        return CommandKind::kLauncher;
    }
    if (EqualsIgnoringCase(name, "set-alias") || EqualsIgnoringCase(name, "sal") || EqualsIgnoringCase(name, "new-alias") ||
        EqualsIgnoringCase(name, "nal")) {
        return CommandKind::kAlias;
    }
    constexpr std::array<std::string_view, 16> kBlockStatements = {
        "function", "filter", "workflow", "class",  "enum", "if",  "elseif", "else",
        "foreach",  "for",    "while",    "switch", "try",  "catch", "finally", "trap"};
    const auto same = [name](std::string_view keyword) { return EqualsIgnoringCase(name, keyword); };
    if (name == path && std::any_of(kBlockStatements.begin(), kBlockStatements.end(), same)) {
        return CommandKind::kBlockStatement;
    }
    return CommandKind::kOther;
}

// NOLINTBEGIN(misc-no-recursion): an argument holds brackets, and they hold statements with
// commands; PowerShellCursor::kMaxDepth bounds the depth.

// Reads a command's arguments up to the end of the command. For the legacy program `call` gets
// them; for another command `call` is scratch and only naming arguments are looked at.
void PowerShellArgumentReader::ScanArguments(ScriptCall& call, CommandKind kind) {
    std::size_t first = kNoArgument;
    std::size_t last = call.program.end;
    bool redirected = false;
    const auto [programBegin, programEnd] = scan.Interior(call.program.begin, call.program.end);
    PowerShellOtherCommand other(found, kind, scan.text.Slice(programBegin, programEnd));
    char stream = '1';
    char merge = '\0';
    while (true) {
        scan.SkipInline();
        if (scan.AtCommandEnd()) {
            break;
        }
        const char c = scan.text.At(scan.pos);
        if (c == '&') {
            ++scan.pos;
            Review(call, kBackground);
            break;
        }
        if (c == '#') {
            scan.SkipLineComment();
        } else if (RedirectionLength(scan.pos, stream, merge) > 0) {
            ScanRedirection(call);
            redirected = first != kNoArgument;
        } else if (c == '<') {
            ++scan.pos;
            SetManual(call, kInputRedirection);
        } else {
            if (redirected) {
                Review(call, kRedirectionBetween);
            }
            first = first == kNoArgument ? scan.pos : first;
            const std::size_t verbatimEnd = ScanStopParsing(call);
            if (verbatimEnd > 0) {
                last = verbatimEnd;
                break;
            }
            const bool quotedStop = QuotedStopParsingAt(scan.pos);
            const std::size_t argument = scan.pos;
            ScanOneArgument(call, kind, other);
            last = scan.pos;
            if (ArgumentEndsCommand(kind, argument, quotedStop)) {
                break;
            }
        }
    }
    call.arguments = first == kNoArgument ? ByteRange{call.program.end, call.program.end} : ByteRange{first, last};
    other.Finish();
}

void PowerShellArgumentReader::ScanOneArgument(ScriptCall& call, CommandKind kind, PowerShellOtherCommand& other) {
    const std::size_t begin = scan.pos;
    const std::size_t callsBefore = found.calls.size();
    PowerShellWord arg;
    words.ScanArgumentElement(arg, call, true);
    ScanArrayRest(arg, call);
    if (kind != CommandKind::kLegacy) {
        // A call inside the argument (a script block, a $( )) is found there: the argument
        // itself then names no other.
        const auto [b, e] = scan.Interior(begin, scan.pos);
        other.Note(begin, scan.pos, b, scan.text.Slice(b, e), found.calls.size() > callsBefore ? std::string() : arg.value);
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
void PowerShellArgumentReader::ScanArrayRest(PowerShellWord& arg, ScriptCall& call) {
    bool array = false;
    bool tight = true;
    while (true) {
        std::size_t comma = scan.pos;
        while (scan.text.SpaceLength(comma) + scan.text.ContinuationLength(comma) > 0) {
            comma += scan.text.SpaceLength(comma) + scan.text.ContinuationLength(comma);
        }
        if (scan.text.At(comma) != ',') {
            break;
        }
        array = true;
        tight = tight && comma == scan.pos;
        scan.pos = comma + 1;
        const std::size_t afterComma = scan.pos;
        scan.SkipLines();
        tight = tight && scan.pos == afterComma;
        if (scan.AtCommandEnd() || scan.text.At(scan.pos) == ',') {
            SetManual(call, kTrailingComma);
            break;
        }
        PowerShellWord element;
        words.ScanArgumentElement(element, call, true);
        arg.value += ',';
        arg.value += element.value;
        arg.plain = arg.plain && element.plain && !element.value.empty();
        arg.Review(element.review);
    }
    if (array && !(arg.plain && tight)) {
        arg.Review(kArray);
    }
}

// ---- Redirections and stop-parsing ------------------------------------------------------------

// The length of a redirection operator at the start of a token, 0 if none: > >> n> n>> n>&m
// with n one of 1-6 or *. Sets `stream` to n and `merge` to m ('\0' for a file).
std::size_t PowerShellArgumentReader::RedirectionLength(std::size_t pos, char& stream, char& merge) const {
    std::size_t p = pos;
    const char c = scan.text.At(p);
    if ((c >= '1' && c <= '6') || c == '*') {
        if (scan.text.At(p + 1) != '>') {
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
    if (scan.text.At(p) == '>') {
        ++p;
    } else if (scan.text.At(p) == '&' && (scan.text.At(p + 1) == '1' || scan.text.At(p + 1) == '2')) {
        merge = scan.text.At(p + 1);
        p += 2;
    }
    return p - pos;
}

// Success output sent to a file needs review; the other streams (2> 2>&1 3>) do not. Streams
// can only be merged into the success stream.
void PowerShellArgumentReader::ScanRedirection(ScriptCall& call) {
    char stream = '1';
    char merge = '\0';
    scan.pos += RedirectionLength(scan.pos, stream, merge);
    if (merge != '\0') {
        if (merge == '2') {
            SetManual(call, kMergeIntoError);
        }
        return;
    }
    if (stream == '1' || stream == '*') {
        Review(call, kRedirected);
    }
    scan.SkipInline();
    if (scan.AtCommandEnd() || scan.text.At(scan.pos) == '&') {
        SetManual(call, kNoTarget);
        return;
    }
    PowerShellWord target;
    ScriptCall scratch;
    words.ScanArgumentElement(target, scratch, false);
}

bool PowerShellArgumentReader::SkipStopParsingCommand() {
    if (StopParsingLength(scan.pos) != kPlainStopParsing) {
        return false;
    }
    scan.pos += kPlainStopParsing;
    SkipVerbatim();
    return true;
}

std::size_t PowerShellArgumentReader::ScanStopParsing(ScriptCall& call) {
    const std::size_t length = StopParsingLength(scan.pos);
    if (length == kPlainStopParsing) {
        return ScanVerbatim(call);
    }
    if (length == 0) {
        return 0;
    }
    // PowerShell's parser reads the escapes away and still stops parsing there: the rest of the
    // line is as written, "; old co" in "old -`-% ; old co" included.
    Review(call, kQuotedStopParsing);
    scan.pos += length;
    SkipVerbatim();
    return scan.pos;
}

std::size_t PowerShellArgumentReader::StopParsingLength(std::size_t pos) const {
    const PowerShellText& text = scan.text;
    std::size_t p = pos;
    for (const char expected : {'-', '-', '%'}) {
        p += text.At(p) == '`' ? 1 : 0;
        if (text.At(p) != expected) {
            return 0;
        }
        ++p;
    }
    return EndsStopParsingToken(p) ? p - pos : 0;
}

// A --% is the stop-parsing token when a space, the line's end or a character that always starts
// a new token follows it: "--%; old co" passes "; old co" on as written, "--%x" is an argument.
bool PowerShellArgumentReader::EndsStopParsingToken(std::size_t pos) const {
    const PowerShellText& text = scan.text;
    if (pos >= text.Size() || text.SpaceLength(pos) > 0 || text.NewlineLength(pos) > 0) {
        return true;
    }
    return std::string_view(",(){};|&").find(text.At(pos)) != std::string_view::npos;
}

// After --% the rest of the line goes on as written, up to a '|' or "&&" outside double quotes;
// only %NAME% expands. The words are the C runtime's split of it. Returns the end of its scan.text.
std::size_t PowerShellArgumentReader::ScanVerbatim(ScriptCall& call) {
    call.stopParsing = true;
    scan.pos += kPlainStopParsing;
    const std::size_t begin = scan.pos;
    SkipVerbatim();
    std::size_t end = scan.pos;
    while (end > begin && (scan.text.At(end - 1) == ' ' || scan.text.At(end - 1) == '\t')) {
        --end;
    }
    AppendVerbatimWords(call, begin, end);
    return end;
}

// After an argument: true when the command ends there. PowerShell 7.6's parser takes the rest of
// the line as text after a quoted --% when a dash word follows ('--%' -F; x), not otherwise
// ('--%' x; y); it ends a block statement after its block.
bool PowerShellArgumentReader::ArgumentEndsCommand(CommandKind kind, std::size_t argument, bool quotedStop) {
    std::size_t next = scan.pos;
    while (scan.text.SpaceLength(next) > 0) {
        next += scan.text.SpaceLength(next);
    }
    if (quotedStop && StartsParameter(next)) {
        SkipVerbatim();
        return true;
    }
    return kind == CommandKind::kBlockStatement && BlockStatementEnds(argument, next);
}

// After the block of if, function, foreach, try... the statement ends, and a command may follow
// on the same line ("function f { } old up"), unless else, elseif, catch, finally, while or
// until goes on with it.
bool PowerShellArgumentReader::BlockStatementEnds(std::size_t blockBegin, std::size_t next) const {
    if (scan.text.At(blockBegin) != '{' || scan.text.At(scan.pos - 1) != '}') {
        return false;
    }
    std::size_t end = next;
    while (scan.text.IsNameChar(end)) {
        ++end;
    }
    const std::string_view word = scan.text.Slice(next, end);
    constexpr std::array<std::string_view, 6> kGoOn = {"else", "elseif", "catch", "finally", "while", "until"};
    return std::none_of(kGoOn.begin(), kGoOn.end(), [word](std::string_view w) { return EqualsIgnoringCase(word, w); });
}

// A parameter token ("-Name", which a quote inside would make a plain word instead: "-F'x'"):
// what PowerShell has already read when it takes a quoted --% as the stop-parsing token, so
// that the text after it is passed as it stands.
bool PowerShellArgumentReader::StartsParameter(std::size_t pos) const {
    const PowerShellText& text = scan.text;
    const std::size_t dash = text.DashLength(pos);
    const char first = text.At(pos + dash);
    if (dash == 0 || !text.IsNameChar(pos + dash) || (first >= '0' && first <= '9')) {
        return false;
    }
    std::size_t end = pos + dash;
    while (text.IsNameChar(end)) {
        ++end;
    }
    return text.QuoteAt(end) == QuoteKind::kNone;
}

bool PowerShellArgumentReader::QuotedStopParsingAt(std::size_t pos) const {
    const PowerShellText& text = scan.text;
    const char quote = text.At(pos);
    return (quote == '\'' || quote == '"') && text.Slice(pos + 1, pos + 4) == "--%" && text.At(pos + 4) == quote &&
           (pos + 5 >= text.Size() || text.SpaceLength(pos + 5) > 0 || text.NewlineLength(pos + 5) > 0);
}

// Moves to the end of the text after --%: the line end, or a '|' or "&&" outside double quotes.
void PowerShellArgumentReader::SkipVerbatim() {
    bool quoted = false;
    while (scan.pos < scan.text.Size() && scan.text.NewlineLength(scan.pos) == 0) {
        const std::size_t quote = scan.text.QuoteLength(scan.pos, QuoteKind::kDouble);
        const char c = scan.text.At(scan.pos);
        if (quote > 0) {
            quoted = !quoted;
            scan.pos += quote;
            continue;
        }
        if (!quoted && (c == '|' || (c == '&' && scan.text.At(scan.pos + 1) == '&'))) {
            break;
        }
        ++scan.pos;
    }
}

// The words of the text [begin, end) after --%: %NAME% as placeholders, split as the C runtime does.
void PowerShellArgumentReader::AppendVerbatimWords(ScriptCall& call, std::size_t begin, std::size_t end) const {
    std::string line;
    bool crtQuoted = false;
    std::size_t backslashes = 0;
    std::size_t p = begin;
    while (p < end) {
        const char c = scan.text.At(p);
        const std::size_t reference = c == '%' ? EnvironmentReferenceEnd(p, end) : 0;
        if (reference > 0) {
            call.variables.push_back({std::string(scan.text.Slice(p, reference)), crtQuoted, false});
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
std::size_t PowerShellArgumentReader::EnvironmentReferenceEnd(std::size_t pos, std::size_t end) const {
    std::size_t p = pos + 1;
    while (p < end && scan.text.At(p) != '%' && scan.text.At(p) != '"' && scan.text.SpaceLength(p) == 0) {
        ++p;
    }
    return p < end && p > pos + 1 && scan.text.At(p) == '%' ? p + 1 : 0;
}
// NOLINTEND(misc-no-recursion)

}  // namespace scripts
