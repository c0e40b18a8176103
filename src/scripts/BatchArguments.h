#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "scripts/BatchWords.h"
#include "scripts/ScriptCall.h"

namespace scripts {

// How the command that holds a call ended, and what stood among its arguments.
struct BatchArgumentsEnd {
    bool outputRedirected = false;
    BatchRedirection outputRedirection;
    // A redirection after the first argument and before another.
    bool interleaved = false;
    BatchRedirection interleavedRedirection;
    // The command stands left of a "|".
    bool piped = false;
    // The line ended inside double quotes (on `quoteLine`), or a "^" continued it into the end of
    // the text.
    bool unclosedQuote = false;
    std::size_t quoteLine = 0;
    bool caretAtEnd = false;
    // A "%" from "%%", or a "^" inside quotes: "call" would read them a second time on Windows.
    bool callSensitive = false;
    // A line feed stands in the arguments ("^" before an empty line).
    bool lineBreak = false;
};

// Reads the arguments of one call, from right after the program word to the end of the
// command, as cmd.exe hands them to the program: carets gone outside quotes, redirections
// left out, every variable reference a placeholder; then splits them as the C runtime does.
class BatchArguments {
public:
    BatchArguments(BatchWords& words, std::string_view text);

    // Fills call.words, call.variables and call.arguments (`programEnd`: where the program word
    // ends). `delayed`: "!NAME!" is a variable reference too. When the program word ended at
    // ",", ";" or "=", the C runtime's argv[0] goes on to the next blank outside quotes: what
    // stands there is no argument.
    BatchArgumentsEnd Read(ScriptCall& call, std::size_t programEnd, bool delayed);

private:
    // Where the reading of one call's arguments stands.
    struct Progress {
        bool hasArguments = false;
        // The next unit would start a word (a digit there may be a redirection's handle).
        bool wordStart = true;
        // Still in the C runtime's argv[0], and inside its quotes.
        bool programTail = false;
        bool tailQuoted = false;
        bool redirectedAfterArgument = false;
        BatchRedirection redirection;
    };

    // Whether `next` ends the command; then notes how.
    bool TakeEnd(const BatchUnit& next, BatchArgumentsEnd& end) const;
    void TakeRedirection(Progress& progress, BatchArgumentsEnd& end);
    void TakeArgument(const BatchUnit& unit, Progress& progress, ScriptCall& call, BatchArgumentsEnd& end,
                      bool delayed);
    void Append(const BatchUnit& unit, ScriptCall& call, BatchArgumentsEnd& end);
    // The end of the "!NAME!" reference whose first "!" is text[bang], or 0 when none closes it
    // plainly on its line.
    std::size_t DelayedReferenceEnd(std::size_t bang) const;
    void AddVariable(ScriptCall& call, ByteRange source, bool quoted, bool wholeList);

    BatchWords& words;
    std::string_view text;
    std::string line;
};

}  // namespace scripts
