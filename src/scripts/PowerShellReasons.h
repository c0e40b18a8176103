#pragma once

// Every reason the PowerShell reader gives, in one place: why a call is left for review
// (ScriptCall::review) and why it cannot be read (ScriptCall::manual). tolvex-migrate shows them
// to the user as they are.
namespace scripts {

// Why a call is left for review.
inline constexpr const char* kAssigned = "its output is assigned to a variable";
inline constexpr const char* kValue = "its output is used as a value";
inline constexpr const char* kSubexpression = "its output is captured by $( )";
inline constexpr const char* kArraySubexpression = "its output is captured by @( )";
inline constexpr const char* kPiped = "its output is piped into another command";
inline constexpr const char* kRedirected = "its output is redirected";
inline constexpr const char* kBackground = "it runs as a background job (&)";
inline constexpr const char* kRedirectionBetween = "a redirection stands between its arguments";
inline constexpr const char* kStartProcess = "it is started by Start-Process";
inline constexpr const char* kInvokeExpression = "it is run from a string by Invoke-Expression";
inline constexpr const char* kToolVariable = "the program comes from the variable ";
inline constexpr const char* kToolAlias = "the program comes from the alias ";
inline constexpr const char* kComputedProgram = "the program path is computed";
inline constexpr const char* kSplat = "its arguments are splatted from ";
inline constexpr const char* kListArgument = "an @( ) argument, which may stand for any number of words";
inline constexpr const char* kHashtable = "a hashtable argument";
inline constexpr const char* kScriptBlock = "a script block argument";
inline constexpr const char* kHereString = "a here-string argument";
inline constexpr const char* kArray = "a comma list, which PowerShell versions pass differently";
inline constexpr const char* kTilde =
    "an unquoted ~ starts an argument, which PowerShell 7.6 expands to the home folder";
inline constexpr const char* kParameterDot = "an argument like -a.b, which PowerShell splits at the dot";
inline constexpr const char* kDash = "an argument starts with a typographic dash";
inline constexpr const char* kEndOfParameters = "a bare --, which Windows PowerShell 5.1 does not pass on";
inline constexpr const char* kEscape = "an escape (`0, `e or `u) that Windows PowerShell 5.1 reads differently";
inline constexpr const char* kBrokenContinuation = "a backtick followed by a space (a broken line continuation)";
inline constexpr const char* kTightContinuation = "a backtick ends a line right after an argument, which PowerShell keeps in the argument instead of continuing the line";
inline constexpr const char* kEscapedName = "a backtick escape in the program's name";
inline constexpr const char* kQuotedName = "quotes inside the program's name";
inline constexpr const char* kParameterLiteral =
    "an argument like -a$b or -a`n, which PowerShell 7 passes as written";
inline constexpr const char* kQuotedStopParsing =
    "a quoted --%, which PowerShell still takes as the stop-parsing token";
inline constexpr const char* kVerbatimQuote =
    "text after --% holds a double quote or a tab, which PowerShell 7.3+ passes differently";

// Why a call cannot be read.
inline constexpr const char* kUnclosedDouble = "an unclosed double quote";
inline constexpr const char* kUnclosedSingle = "an unclosed single quote";
inline constexpr const char* kUnclosedHereString = "an unclosed here-string";
inline constexpr const char* kUnclosedComment = "an unclosed block comment";
inline constexpr const char* kUnclosedParen = "an unclosed (";
inline constexpr const char* kUnclosedBrace = "an unclosed {";
inline constexpr const char* kUnclosedBracket = "an unclosed [";
inline constexpr const char* kUnclosedSubexpression = "an unclosed $(";
inline constexpr const char* kUnclosedArray = "an unclosed @(";
inline constexpr const char* kUnclosedHashtable = "an unclosed @{";
inline constexpr const char* kUnclosedVariable = "an unclosed ${";
inline constexpr const char* kTooDeep = "brackets nested too deeply to read";
inline constexpr const char* kNoTarget = "a redirection without a target";
inline constexpr const char* kTrailingComma = "a comma with nothing after it";
inline constexpr const char* kInputRedirection = "the < operator, which PowerShell does not support";
inline constexpr const char* kMergeIntoError = "a redirection into stream 2, which PowerShell does not support";
inline constexpr const char* kInside = "inside ";

}  // namespace scripts
