#pragma once

// The whole run of tolvex-migrate: reads its command line (scan, fix, explain, usage, map,
// --help, --version), does the work and returns the exit status: 0 when no legacy call is left,
// 1 when calls remain (for explain, when tolvex-legacy would refuse; for usage, when any record
// was found), 2 for bad usage or a file that could not be read or written.
int RunMigrateMain(int count, char** arguments);
