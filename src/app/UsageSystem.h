#pragma once

#include <optional>
#include <string>

// What the usage record takes from the operating system. One source file per platform
// implements it: the Windows API, or POSIX for the native test builds. Every text is UTF-8;
// every call answers something (empty, or nothing) rather than fail.
namespace usage {

// The process that started this one, as far as the system tells.
struct ParentProcess {
    std::optional<unsigned long> pid{};
    std::optional<std::string> image{};        // its file name without folder, e.g. "cmd.exe"
    std::optional<std::string> commandLine{};  // the whole command line it was started with
};

// The value of TOLVEX_LEGACY_USAGE_LOG; nothing when it is unset or empty.
std::optional<std::string> LogSetting();

// Now, in UTC: "2026-12-07T02:10:22.123Z".
std::string UtcTime();

std::string ComputerName();
// "domain\name" on Windows; the account name elsewhere.
std::string UserName();
unsigned long ProcessId();
ParentProcess Parent();
std::string CurrentDirectory();

// A text in the code page the program's arguments come in (Windows: the ANSI code page), as
// UTF-8. Elsewhere the arguments are taken to be UTF-8 already.
std::string ArgumentToUtf8(const std::string& text);

bool IsDirectory(const std::string& path);
// The separator a folder name is joined to a file name with.
char PathSeparator();
// True when `c` ends a folder name given with its separator.
bool IsPathSeparator(char c);

// Appends `line` to the file at `path`, creating it when missing, with one write to a handle
// opened for appending only, so that lines of runs writing at once never mix. False when any
// of it fails.
bool AppendLine(const std::string& path, const std::string& line);

}  // namespace usage
