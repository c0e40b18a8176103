#pragma once

#include <filesystem>
#include <string>

namespace migrate {

// Puts `bytes` in place of the file at `path` (of the file a link there leads to) so that
// nothing is ever half-written: the bytes go to a new file in the same folder, which then
// replaces the original in one rename. With `backup`, the original is first copied to
// "<name>.bak". On any failure the original is left as it was, the new file is removed, and
// false is returned with `error` saying why. A read-only file is not replaced.
bool RewriteFile(const std::filesystem::path& path, const std::string& bytes, bool backup, std::string& error);

}  // namespace migrate
