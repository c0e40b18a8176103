#pragma once

#include <ostream>
#include <string>

// What a translator takes from its surroundings: where its messages and warnings go, and the
// system drive that the output directory lies on. tolvex-legacy gives the console and the
// SYSTEMDRIVE variable; the migration tool captures the messages and names the drive by the
// variable a script expands when it runs.
struct TranslationContext {
    std::ostream& console;
    std::string systemDrive;
};
