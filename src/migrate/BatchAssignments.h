#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace migrate {

// The variables a batch file sets ("set NAME=value", "set "NAME=value"") to a value that holds a
// space, directly or through a variable that does (one the file set so, or one that Windows
// always sets to a folder with a space, such as %ProgramFiles%): upper-case name, and the line of
// the first such "set". Only a "set" that begins its line (after blanks and "@") is seen.
std::map<std::string, std::size_t> VariablesWithSpaces(std::string_view text);

// Where the command starting `text` ends: at the first of `stops` outside double quotes and not
// escaped by a caret; the text's size when there is none.
std::size_t CommandEnd(std::string_view text, std::string_view stops);

// Whether Windows sets the variable NAME (upper case) to a folder under "C:\Program Files", with
// a space, on every installation.
bool SetWithSpaceByWindows(const std::string& name);

// The name inside a variable reference: "FW" for "%FW%", "%FW:~0,3%" or "!FW!"; empty for the
// other forms (%1, %~dp0, %%i, %*).
std::string ReferencedName(const std::string& source);

}  // namespace migrate
