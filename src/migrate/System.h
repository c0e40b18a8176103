#pragma once

#include <filesystem>
#include <string>

// The two services tolvex-migrate takes from the operating system in its own way. One source
// file per platform implements them.
namespace migrate {

// Makes standard output write bytes as they are: no LF to CRLF translation on Windows, so that
// a diff keeps the file's own line ends.
void UseBinaryStandardOutput();

// Reads the whole file into `bytes`, unless it holds more than `limit` bytes. Returns false with
// `error` set to a clause ("cannot be read (...)", "has N bytes, more than ...").
bool ReadWholeFile(const std::filesystem::path& path, std::uintmax_t limit, std::string& bytes, std::string& error);

}  // namespace migrate
