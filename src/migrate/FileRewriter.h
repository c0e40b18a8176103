#pragma once

#include <filesystem>
#include <string>

namespace migrate {

// Puts `bytes` in place of the file at `path` (of the file a link there leads to) so that
// nothing is ever half-written or lost: the bytes go to a new file in the same folder, flushed
// to the disk, which then takes the original's place and identity in one step. With `backup`
// the original lives on beside it as "<name>.bak", or the first free "<name>.bak.N" from 2 on:
// a backup never takes the place of an existing file. Refused when the file is read-only, has
// other hard links, or no longer holds `original` (the bytes read). On any failure the
// original is left as it was, nothing new is left beside it, and false is returned with
// `error` saying why, as a clause. On success `backupName` is the backup's file name (empty
// without `backup`).
bool RewriteFile(const std::filesystem::path& path, const std::string& original, const std::string& bytes,
                 bool backup, std::string& backupName, std::string& error);

}  // namespace migrate
