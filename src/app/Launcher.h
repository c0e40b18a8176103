#pragma once

#include <ostream>
#include <string>

// The directory part of `fileName`: up to and including its last `separator`, or the whole name
// when it holds none.
std::string DirectoryPart(const std::string& fileName, char separator);

// The directory of the running executable, ending in its separator; empty when the system
// cannot tell the executable's name.
std::string GetModuleDirectory();

// The current tool's file name, expected beside this program.
constexpr const char* kToolFileName = "tolvex.exe";

// Writes the two lines that announce a launch: a header, then `fullLine` (the tool and its
// arguments).
void PrintTranslatedCommand(std::ostream& console, const std::string& fullLine);

// Runs the current tool, expected beside this program, with `commandLine`: prints the full line,
// runs it through the command interpreter and prints the return code. Returns that code.
int RunTranslatedCommand(const std::string& commandLine);
