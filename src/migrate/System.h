#pragma once

#include <filesystem>
#include <string>
#include <vector>

// What tolvex-migrate takes from the operating system in its own way. One source file per
// platform implements it. Every name and text inside the program is UTF-8.
namespace migrate {

// Makes standard output write bytes as they are: no LF to CRLF translation on Windows, so that
// a diff keeps the file's own line ends.
void UseBinaryStandardOutput();

// The program's arguments in UTF-8: on Windows as typed, from the wide command line (the
// narrow arguments are in the ANSI code page, which cannot hold every name); elsewhere as given.
std::vector<std::string> Utf8Arguments(int count, char** arguments);

// The path a UTF-8 name stands for (Windows reads a narrow name in the ANSI code page).
std::filesystem::path PathFromUtf8(const std::string& name);

enum class EntryType { kFile, kFolder, kLink, kOther };

struct FolderEntry {
    std::string name;
    EntryType type = EntryType::kOther;
};

// The entries of `folder` (not "." and ".."), in no particular order, each with its type as the
// folder lists it (a link is kLink, whatever it leads to). Returns false with `error` set to the
// system's message when the folder cannot be read.
bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, std::string& error);

// Reads the whole file into `bytes`, unless it holds more than `limit` bytes. Returns false with
// `error` set to a clause ("cannot be read (...)", "has N bytes, more than ...").
bool ReadWholeFile(const std::string& path, std::uintmax_t limit, std::string& bytes, std::string& error);

}  // namespace migrate
