#pragma once

#include <string>
#include <vector>

namespace scripts {

// Splits the argument part of a Windows command line (the text after the program name) into
// the words a C program's argv receives, by the C runtime's rules: spaces and tabs separate
// words outside double quotes; a double quote toggles quoting; inside quotes, two double quotes
// give one and quoting goes on; 2n backslashes before a double quote give n backslashes and the
// quote counts, 2n+1 give n backslashes and a literal double quote; other backslashes are kept.
std::vector<std::string> SplitCrtArguments(const std::string& text);

}  // namespace scripts
