#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What the script readers find: one call of the legacy program in a script, with the arguments
// the program would receive. Variables are not expanded (their values are unknown until the
// script runs): each reference is replaced in the words by a placeholder, so that the
// translation can show where a variable's text ends up.
namespace scripts {

// A placeholder is kPlaceholderStart, the reference's index in ScriptCall::variables in
// decimal, then kPlaceholderEnd. Neither byte can stand in a script the readers accept.
constexpr char kPlaceholderStart = '\x01';
constexpr char kPlaceholderEnd = '\x02';

// The placeholder for variables[index].
std::string Placeholder(std::size_t index);

struct VariableReference {
    // Exactly as written in the script: "%FW%", "%~dp0", "%%i", "%1", "!X!", "$dir", "$env:X",
    // "${x}", "$($a.b)".
    std::string source;
    // Written inside double quotes.
    bool quoted = false;
    // Stands for any number of words (%*, splatting): never a single word.
    bool wholeList = false;
};

// Bytes [begin, end) of the script text.
struct ByteRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct ScriptCall {
    // 1-based line and byte column of the program token.
    std::size_t line = 0;
    std::size_t column = 0;
    // The program token as written, quotes included ("C:\Tools\old.exe" with its quotes).
    ByteRange program;
    // Inside `program`: the file name without folder and without ".exe" ("old"). Replacing these
    // bytes by "tolvex" names the current tool in the same folder.
    ByteRange name;
    // From the first byte of the first argument to the last byte of the last; an empty range
    // right after the program token when there are none. Replacing it rewrites the arguments
    // and keeps everything around them (redirections, "&& echo ok", a closing parenthesis).
    ByteRange arguments;
    // The arguments as the legacy program's C runtime would hand them to it, in order, with
    // placeholders for variables.
    std::vector<std::string> words;
    std::vector<VariableReference> variables;
    // Set when the command cannot be read (an unclosed quote or parenthesis): why. Then the call
    // is left for a human and nothing else is looked at.
    std::string manual;
    // Set when the way the call is written keeps it from being rewritten (its output is
    // redirected or piped, the program path comes from a variable, ...): why.
    std::string review;
    // Batch: delayed expansion may be on here, so "!" may expand.
    bool delayedExpansion = false;
    // Batch: the call stands inside parentheses, where an unquoted ")" would end the block.
    bool insideBlock = false;
    // PowerShell: the arguments follow "--%" and go on as written.
    bool stopParsing = false;
};

}  // namespace scripts
