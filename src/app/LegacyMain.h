#pragma once

// The whole run of the program: copies and blanks the arguments, checks the legacy command line,
// translates it and launches the current tool. `arguments` are the process's own argument texts
// (count of them, program name first); from index 1 on they are overwritten with spaces.
// Returns the exit status: the tool's return code, or 1 for any error found here.
int RunLegacyMain(int count, char** arguments);
