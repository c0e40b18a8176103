#pragma once

#include <string_view>

namespace scripts {

// Why Windows PowerShell 5.1 and PowerShell 7.3+ hand the argument value `value` to a native
// program differently, or nullptr when both hand it over unchanged. 5.1 joins the values into one
// command line, quoting a value that holds whitespace and copying double quotes into the line as
// they are, and drops an empty value; 7.3+ passes each value intact. Differ: an empty value, a
// double quote, whitespace with a trailing backslash. A placeholder counts as one non-empty word
// without whitespace or quotes.
const char* PassingDifference(std::string_view value);

// True when `token` (an unquoted word as written) is a number literal: digits with an optional
// sign, fraction, exponent, type suffix and multiplier (1.5, 1e3, 10l, 1kb), or 0x and hex digits.
bool IsNumberLiteral(std::string_view token);

}  // namespace scripts
