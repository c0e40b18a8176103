#pragma once

#include <string_view>
#include <vector>

#include "scripts/TaskFileReader.h"

// Group Policy's lists of startup, shutdown, logon and logoff scripts: scripts.ini and
// psscripts.ini in a policy's Machine\Scripts and User\Scripts folders, as the Group Policy
// editor writes them (UTF-16 LE with a mark; older ones in the ANSI code page). Each section
// lists its scripts by number, the program in "0CmdLine=" and its arguments in "0Parameters=".
namespace scripts {

// Every listed script with its program and arguments (the CmdLine and Parameters values, where
// they lie in `text`), in the order of their CmdLine lines; a Parameters line without its CmdLine
// counts for nothing. Reads any text: a line that is no "key=value" is passed over.
std::vector<TaskExec> ReadPolicyScripts(std::string_view text);

}  // namespace scripts
