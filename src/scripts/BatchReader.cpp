#include "scripts/BatchReader.h"

#include <algorithm>

#include <utility>

#include "scripts/Launchers.h"

namespace scripts {

namespace {

bool IsChar(const BatchUnit& unit, char c) {
    return unit.kind == BatchUnit::Kind::kChar && unit.c == c && !unit.quoted;
}

}  // namespace

std::vector<ScriptCall> FindBatchCalls(std::string_view text, const std::vector<std::string>& legacyNames) {
    return BatchReader(text, legacyNames).Read();
}

BatchReader::BatchReader(std::string_view text, const std::vector<std::string>& legacyNames, bool everyLine)
    : text(text),
      lexer(text),
      words(lexer, text),
      arguments(words, text),
      names(legacyNames),
      mentions(legacyNames),
      plainLines(text, legacyNames),
      everyLine(everyLine) {}

std::vector<ScriptCall> BatchReader::Read() {
    SkipPlainLines();
    ReadCommands();
    if (!blocks.empty()) {
        const std::string why = "the parenthesis opened on line " + std::to_string(blocks.front().line) +
                                " is never closed";
        for (std::size_t i = blocks.front().firstCall; i < calls.size(); ++i) {
            if (calls[i].manual.empty()) {
                calls[i].manual = why;
            }
        }
    }
    for (ScriptCall& call : calls) {
        if (!call.manual.empty()) {
            call.review.clear();
        }
    }
    return std::move(calls);
}

// NOLINTBEGIN(misc-no-recursion): the command of a "for /f" is read by the same rules, one
// level deep at most (ReadForSet, in BatchReaderKeywords.cpp, does not descend a second time).
void BatchReader::ReadCommands() {
    while (true) {
        const BatchUnit& next = lexer.Peek();
        if (EndsCommands(next)) {
            return;
        }
        if (next.kind == BatchUnit::Kind::kLineEnd) {
            lexer.Next();
            EndLine();
            SkipPlainLines();
            continue;
        }
        const std::size_t before = next.begin;
        ReadCommand();
        const BatchUnit& after = lexer.Peek();
        if (after.begin == before && after.kind != BatchUnit::Kind::kLineEnd && !EndsCommands(after)) {
            lexer.Next();  // a unit no rule consumed: never stand still
        }
    }
}

bool BatchReader::EndsCommands(const BatchUnit& unit) const {
    return unit.kind == BatchUnit::Kind::kEnd || words.IsTerminator(unit) ||
           (words.Terminator() != 0 && unit.IsSpecial(')'));
}

void BatchReader::ReadCommand() {
    Prefix prefix;
    while (true) {
        while (lexer.Peek().IsBlank() || lexer.Peek().IsSpecial(',') || lexer.Peek().IsSpecial(';') ||
               lexer.Peek().IsSpecial('=') || lexer.Peek().IsSpecial('@')) {
            lexer.Next();
        }
        const Step step = ReadCommandStart(prefix);
        if (step == Step::kDone) {
            return;
        }
        if (step == Step::kWord) {
            forBodyNext = false;
            words.ReadWord(word, false, true);
            if (!ReadKeyword(prefix)) {
                words.SkipCommand();
                EndCommand();
                return;
            }
        }
    }
}

BatchReader::Step BatchReader::ReadCommandStart(Prefix& prefix) {
    const BatchUnit& next = lexer.Peek();
    if (next.IsSpecial('&') || next.IsSpecial('|')) {
        EndCommand();
        return Step::kDone;
    }
    if (next.kind == BatchUnit::Kind::kLineEnd || EndsCommands(next)) {
        return Step::kDone;
    }
    if (next.IsSpecial('(')) {
        OpenBlock(lexer.Next().line);
        if (prefix.outputRedirected) {
            blocks.back().redirection = Source(prefix.redirection.range);
        }
        return Step::kDone;
    }
    if (next.IsSpecial(')') && !blocks.empty()) {
        lexer.Next();
        const std::size_t firstCall = blocks.back().firstCall;
        if (!blocks.back().redirection.empty()) {
            MarkBlockCalls(firstCall, Review::kRedirected, "its output is redirected (" + blocks.back().redirection + ")");
        }
        CloseBlock();
        ReadAfterBlock(firstCall);
        return Step::kDone;
    }
    if (next.IsSpecial(')') || (IsChar(next, ':') && prefix.viaCall)) {
        // A stray ")" (Wine looks for a program named ")..."), or "call :label".
        words.SkipCommand();
        EndCommand();
        return Step::kDone;
    }
    if (IsChar(next, ':')) {  // a label, or a "::" comment: the rest of the line is not read
        lexer.SkipRestOfLine();
        return Step::kDone;
    }
    if (!words.AtRedirection(true)) {
        return Step::kWord;
    }
    const BatchRedirection redirection = words.ReadRedirection();
    if (redirection.output && !prefix.outputRedirected) {
        prefix.outputRedirected = true;
        prefix.redirection = redirection;
    }
    return Step::kAgain;
}

// The command word as written, without its quotes ("C:\Sys\psexec.exe" is C:\Sys\psexec.exe).
std::string BatchReader::WordWithoutQuotes() const {
    std::string written = Source({word.front().begin, word.back().end});
    written.erase(std::remove(written.begin(), written.end(), '"'), written.end());
    return written;
}

// The word starts cmd.exe: by its name, with a folder or quotes (C:\Windows\System32\cmd.exe), or
// through COMSPEC.
bool BatchReader::NamesCmd(std::string_view keyword) const {
    // Asked of every command: most words are passed over by their lower-case text, where a
    // variable is one byte 0x01.
    if (word.empty() || (keyword.find("cmd") == std::string_view::npos && keyword.find('\x01') == std::string_view::npos)) {
        return false;
    }
    return Launchers::IsCmd(WordWithoutQuotes());
}

bool BatchReader::ReadKeyword(Prefix& prefix) {
    const std::string_view keyword = words.Text(word);
    if (keyword == "rem") {
        lexer.SkipRestOfLine();
        return false;
    }
    if (keyword == "if") {
        return ReadIf();
    }
    if (keyword == "for") {
        return ReadFor();
    }
    if (keyword == "call") {
        prefix.viaCall = true;
        return true;
    }
    if (keyword == "start") {
        ReadStart();
        return true;
    }
    if (NamesCmd(keyword)) {
        return ReadCmdSwitches(prefix.viaCmd);
    }
    if (keyword == "setlocal") {
        ReadSetlocal();
    } else if (keyword == "set") {
        ReadSet();
    } else {
        ReadProgram(prefix);
    }
    return false;
}

// NOLINTEND(misc-no-recursion)

void BatchReader::ReadProgram(const Prefix& prefix) {
    const ProgramMatch match = names.Match(word, text, delayed);
    if (match.kind == ProgramMatch::Kind::kOther) {
        ReadHandedOn(prefix);
        return;
    }
    const std::size_t index = calls.size();
    calls.emplace_back();
    reviews.push_back(Review::kNone);
    ScriptCall& call = calls.back();
    const BatchUnit& first = word.front();
    call.line = first.line;
    call.column = first.begin - first.lineStart + 1;
    call.program = {first.begin, word.back().end};
    call.name = match.name;
    call.insideBlock = !blocks.empty();
    call.delayedExpansion = delayed;
    const BatchArgumentsEnd end = arguments.Read(call, call.program.end, delayed);
    if (end.caretAtEnd) {
        call.manual = "a ^ at the very end of the file continues its line into nothing";
    } else if (end.lineBreak) {
        call.manual = "a ^ before an empty line puts a line break into its arguments";
    } else if (end.unclosedQuote) {
        call.manual = "a double quote on line " + std::to_string(end.quoteLine) + " is never closed";
    }
    if (prefix.outputRedirected) {
        SetReview(index, Review::kRedirected, "its output is redirected (" + Source(prefix.redirection.range) + ")");
    }
    if (end.outputRedirected) {
        SetReview(index, Review::kRedirected, "its output is redirected (" + Source(end.outputRedirection.range) + ")");
    }
    if (end.piped) {
        SetReview(index, Review::kPiped, "its output is piped");
    }
    if (end.interleaved) {
        SetReview(index, Review::kInterleaved,
                  "a redirection stands between its arguments (" + Source(end.interleavedRedirection.range) + ")");
    }
    if (words.Terminator() != 0) {
        SetReview(index, Review::kCaptured, "its output is captured by for /f");
    }
    if (match.kind == ProgramMatch::Kind::kVariable) {
        SetReview(index, Review::kVariableProgram,
                  "the program path comes from a variable (" + Source(match.name) + ")");
    }
    if (!prefix.viaCmd.empty()) {
        SetReview(index, Review::kThroughCmd, "it runs through cmd " + prefix.viaCmd + ", which reads the line again");
    }
    if (prefix.viaCall && end.callSensitive) {
        SetReview(index, Review::kThroughCall, "it runs through call, which reads % and quoted ^ a second time");
    }
    if (match.nameInPieces) {
        SetReview(index, Review::kNameInPieces, "its name is written with quotes or carets inside");
    }
}

// A command that hands a command line on: psexec \\srv old up, schtasks ... /tr "old up", and
// cmd /c "old up", whose first word, quotes and all, is no program. The first mention of the
// program in the line handed on is a call, left for a person: another program takes that line
// apart, not this cmd.exe.
void BatchReader::ReadHandedOn(const Prefix& prefix) {
    if (word.empty()) {
        return;
    }
    const BatchUnit& first = word.front();
    Launchers::Launch launch = Launchers::Of(WordWithoutQuotes());
    std::size_t begin = lexer.Peek().begin;
    if (launch.reason.empty() && !prefix.viaCmd.empty() && IsChar(first, '"')) {
        // cmd /c "old up": the line in quotes, whose first word is the program cmd runs.
        launch.reason = "it runs through cmd " + prefix.viaCmd + ", which reads the line again";
        launch.reach = Launchers::Reach::kProgram;
        begin = first.begin;
    }
    if (launch.reason.empty()) {
        return;
    }
    words.SkipCommand();
    const std::string_view rest = text.substr(begin, lexer.Peek().begin - begin);
    const std::string_view line = Launchers::CommandLine(rest, launch);
    NameMatch mention;
    if (!mentions.FindMention(line, 0, mention) ||
        (launch.reach == Launchers::Reach::kProgram && !Launchers::InFirstWord(line, mention.nameBegin))) {
        return;
    }
    begin += static_cast<std::size_t>(line.data() - rest.data());
    const std::size_t at = begin + mention.nameBegin;
    const std::size_t lineEnd = text.rfind('\n', at - 1);  // the command word stands before `at`
    ScriptCall call;
    call.line = first.line + static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(first.begin),
                                                                 text.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    call.column = at - (lineEnd == std::string_view::npos ? 0 : lineEnd + 1) + 1;
    call.program = {at, begin + mention.fileEnd};
    call.name = {at, begin + mention.nameEnd};
    call.arguments = {call.program.end, call.program.end};
    call.review = std::move(launch.reason);
    call.insideBlock = !blocks.empty();
    call.delayedExpansion = delayed;
    calls.push_back(std::move(call));
    reviews.push_back(Review::kHandedOn);
}

void BatchReader::EndCommand() {
    const BatchUnit& next = lexer.Peek();
    if (next.IsSpecial('&') || next.IsSpecial('|')) {
        const char operation = next.c;
        lexer.Next();
        if (lexer.Peek().IsSpecial(operation)) {
            lexer.Next();
        }
    }
}

void BatchReader::OpenBlock(std::size_t line) {
    Block block;
    block.line = line;
    block.firstCall = calls.size();
    blocks.push_back(block);
    words.SetInBlock(true);
    if (forBodyNext && !forScopes.empty()) {
        forScopes.back().block = true;
        forScopes.back().depth = blocks.size();
    }
    forBodyNext = false;
}

void BatchReader::CloseBlock() {
    blocks.pop_back();
    words.SetInBlock(!blocks.empty());
    while (!forScopes.empty() && forScopes.back().depth > blocks.size()) {
        PopForScope();
    }
}

void BatchReader::ReadAfterBlock(std::size_t firstCall) {
    while (true) {
        words.SkipBlanks();
        if (words.AtRedirection(true)) {
            const BatchRedirection redirection = words.ReadRedirection();
            if (redirection.output) {
                MarkBlockCalls(firstCall, Review::kRedirected,
                               "its output is redirected (" + Source(redirection.range) + ")");
            }
            continue;
        }
        const BatchUnit& next = lexer.Peek();
        if (next.IsSpecial('|') && (next.end >= text.size() || text[next.end] != '|')) {
            MarkBlockCalls(firstCall, Review::kPiped, "its output is piped");
        }
        if (next.IsSpecial('&') || next.IsSpecial('|')) {
            EndCommand();
            return;
        }
        if (words.EndsCommand(next)) {
            return;
        }
        words.ReadWord(word);
        if (words.Text(word) == "else") {
            return;  // the command that follows stands in command position
        }
        words.SkipCommand();
        EndCommand();
        return;
    }
}

void BatchReader::EndLine() {
    forBodyNext = false;
    while (!forScopes.empty() && !forScopes.back().block && forScopes.back().depth >= blocks.size()) {
        PopForScope();
    }
}

void BatchReader::SkipPlainLines() {
    if (everyLine || words.Terminator() != 0) {
        return;  // a "for /f" command ends at its quote, which a plain line may hold
    }
    while (lexer.AtLineStart() && plainLines.Plain(lexer.Line(), names.Tracking())) {
        lexer.SkipLine();
    }
}

void BatchReader::SetReview(std::size_t index, Review reason, const std::string& text) {
    if (reason < reviews[index]) {
        reviews[index] = reason;
        calls[index].review = text;
    }
}

void BatchReader::MarkBlockCalls(std::size_t firstCall, Review reason, const std::string& text) {
    // next[i] leads to the first call from i on not yet marked for this reason, so that blocks
    // nested thousands deep, each redirected, still cost one mark per call.
    std::vector<std::size_t>& next = reason == Review::kRedirected ? unredirected : unpiped;
    while (next.size() <= calls.size()) {
        next.push_back(next.size());
    }
    const auto find = [&next](std::size_t i) {
        while (next[i] != i) {
            next[i] = next[next[i]];
            i = next[i];
        }
        return i;
    };
    for (std::size_t i = find(firstCall); i < calls.size(); i = find(i)) {
        SetReview(i, reason, text);
        next[i] = i + 1;
    }
}

std::string BatchReader::Source(ByteRange range) const {
    return std::string(text.substr(range.begin, range.end - range.begin));
}

}  // namespace scripts
