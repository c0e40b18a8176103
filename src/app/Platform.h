#pragma once

#include <cstddef>
#include <string>

// The two operating-system services the launcher needs. One source file per platform
// implements them: the real Windows calls, or a POSIX stand-in for native test builds.
namespace platform {

// Room for the executable's file name, as the old tool allowed.
constexpr std::size_t kModuleNameSize = 260;

// Writes the running executable's full file name into `buffer` (room for `size` characters).
// Returns the number of characters written, or 0 when the name cannot be had.
std::size_t GetExecutableFileName(char* buffer, std::size_t size);

// The character that ends the directory part of that file name.
char DirectorySeparator();

// Runs `line` through the command interpreter, waits for it and returns its exit code; the C
// library's error value (-1) when the interpreter cannot be started.
int RunCommandLine(const std::string& line);

}  // namespace platform
