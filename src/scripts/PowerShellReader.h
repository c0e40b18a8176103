#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scripts/ScriptCall.h"

namespace scripts {

// Finds the calls of the legacy program in a PowerShell script (ScriptText::Text(): UTF-8, any
// line ends), in the order of their program tokens. `legacyNames`: file names without ".exe",
// lower-case ASCII; a program token names the program when its file name (after the last '\' or
// '/', quotes removed) is one of them, with or without ".exe", in any ASCII case.
//
// A call is such a token in command position (at the start of a statement, after | && || ; ( {
// or an assignment's =), bare or after the call operator & or the dot-source operator . (which
// also runs a program), and then:
// - `words` are the arguments as the program's C runtime receives them, each variable, $( ) or
//   ( ) expression replaced by Placeholder(i) with variables[i].source its text as written;
// - `arguments` spans the argument tokens (from "--%" on, for stop-parsing) and nothing after
//   them: no trailing space, comment, redirection, | ; or closing bracket;
// - `review` says why the call must not be rewritten as it is: its output is redirected, piped or
//   captured, it is splatted, or an argument is passed differently by Windows PowerShell 5.1 and
//   PowerShell 7.3+ (the first reason found wins);
// - `manual` is set when a bracket, quote, here-string or block comment around or inside the
//   call is never closed.
// Also reported, for review: "& $v" when $v was assigned a path naming the program earlier in the
// file (`name` is then the empty range at the program's start); Start-Process naming the program
// and Invoke-Expression given a string that mentions it (`program` is that argument, `words` is
// empty). A mention of a name in text swallowed by an unclosed quote or comment, or past nesting
// too deep to read, is reported with `manual` ("inside an unclosed double quote").
std::vector<ScriptCall> FindPowerShellCalls(std::string_view text, const std::vector<std::string>& legacyNames);

}  // namespace scripts
