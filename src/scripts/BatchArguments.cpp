#include "scripts/BatchArguments.h"

#include "scripts/CrtArguments.h"

namespace scripts {

BatchArguments::BatchArguments(BatchWords& words, std::string_view text) : words(words), text(text) {}

std::size_t BatchArguments::DelayedReferenceEnd(std::size_t bang) const {
    // Names with characters that cmd.exe reads before delayed expansion are left alone: the
    // pairing of such "!" is not plain from the text.
    for (std::size_t i = bang + 1; i < text.size(); ++i) {
        switch (text[i]) {
            case '!':
                return i > bang + 1 ? i + 1 : 0;
            case '\r': case '\n': case '"': case '^': case '%': case '&': case '|': case '<': case '>':
            case '(': case ')':
                return 0;
            default:
                break;
        }
    }
    return 0;
}

void BatchArguments::AddVariable(ScriptCall& call, ByteRange source, bool quoted, bool wholeList) {
    line += Placeholder(call.variables.size());
    VariableReference reference;
    reference.source = std::string(text.substr(source.begin, source.end - source.begin));
    reference.quoted = quoted;
    reference.wholeList = wholeList;
    call.variables.push_back(reference);
}

void BatchArguments::Append(const BatchUnit& unit, ScriptCall& call, BatchArgumentsEnd& end) {
    if (unit.kind == BatchUnit::Kind::kVariable) {
        AddVariable(call, {unit.begin, unit.end}, unit.quoted, unit.wholeList);
        return;
    }
    line += unit.c;
    end.callSensitive = end.callSensitive || (unit.c == '%' && unit.escaped) || (unit.c == '^' && unit.quoted);
    end.lineBreak = end.lineBreak || unit.c == '\n';
}

BatchArgumentsEnd BatchArguments::Read(ScriptCall& call, std::size_t programEnd, bool delayed) {
    BatchLexer& lexer = words.Lexer();
    BatchArgumentsEnd end;
    Progress progress;
    progress.programTail = lexer.Peek().kind == BatchUnit::Kind::kChar && !lexer.Peek().IsBlank();
    line.clear();
    call.arguments = {programEnd, programEnd};
    while (!TakeEnd(lexer.Peek(), end)) {
        if (words.AtRedirection(progress.wordStart)) {
            TakeRedirection(progress, end);
            continue;
        }
        const BatchUnit unit = lexer.Next();
        progress.wordStart = unit.IsBlank();
        if (progress.programTail && (!progress.wordStart || progress.tailQuoted)) {
            progress.tailQuoted = progress.tailQuoted != (unit.kind == BatchUnit::Kind::kChar && unit.c == '"');
            continue;
        }
        progress.programTail = false;
        if (progress.wordStart) {
            line += unit.c;
        } else {
            TakeArgument(unit, progress, call, end, delayed);
        }
    }
    call.words = SplitCrtArguments(line);
    return end;
}

bool BatchArguments::TakeEnd(const BatchUnit& next, BatchArgumentsEnd& end) const {
    if (!words.EndsCommand(next)) {
        return false;
    }
    end.piped = next.IsSpecial('|') && (next.end >= text.size() || text[next.end] != '|');
    if (next.EndsLine()) {
        end.unclosedQuote = next.quoted;
        end.quoteLine = next.line;
        end.caretAtEnd = next.caretAtEnd;
    }
    return true;
}

void BatchArguments::TakeRedirection(Progress& progress, BatchArgumentsEnd& end) {
    const BatchRedirection redirection = words.ReadRedirection();
    if (redirection.output && !end.outputRedirected) {
        end.outputRedirected = true;
        end.outputRedirection = redirection;
    }
    if (progress.hasArguments && !progress.redirectedAfterArgument) {
        progress.redirectedAfterArgument = true;
        progress.redirection = redirection;
    }
    progress.wordStart = true;
}

void BatchArguments::TakeArgument(const BatchUnit& unit, Progress& progress, ScriptCall& call,
                                  BatchArgumentsEnd& end, bool delayed) {
    if (progress.redirectedAfterArgument && !end.interleaved) {
        end.interleaved = true;
        end.interleavedRedirection = progress.redirection;
    }
    if (!progress.hasArguments) {
        call.arguments.begin = unit.begin;
        progress.hasArguments = true;
    }
    call.arguments.end = unit.end;
    const std::size_t bang = unit.end - 1;
    const bool maybeReference = delayed && unit.kind == BatchUnit::Kind::kChar && unit.c == '!';
    const std::size_t referenceEnd = maybeReference ? DelayedReferenceEnd(bang) : 0;
    if (referenceEnd == 0) {
        Append(unit, call, end);
        return;
    }
    AddVariable(call, {bang, referenceEnd}, unit.quoted, false);
    BatchLexer& lexer = words.Lexer();
    while (lexer.Peek().kind == BatchUnit::Kind::kChar && lexer.Peek().begin < referenceEnd) {
        lexer.Next();
    }
    call.arguments.end = referenceEnd;
}

}  // namespace scripts
