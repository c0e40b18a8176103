#pragma once

#include <filesystem>
#include <string>

// The platform's part of replacing a script in place; one source file per platform implements
// it. FileRewriter strings these steps together and chooses the names. Each failing step
// returns false with `error` set to a short cause ("Permission denied").
namespace migrate {

enum class NewName { kMade, kTaken, kFailed };

// Why the file at `target` must not be replaced, as a clause ("has 2 hard links: ..."); empty
// when it may be.
std::string ReplaceRefusal(const std::filesystem::path& target);

// Creates `temporary` only if no file has that name (kTaken otherwise) and writes `bytes` into
// it, flushed to the disk, carrying `target`'s mode, owner and group where the platform has
// them. On a failure nothing of `temporary` is left.
NewName WriteNewFile(const std::filesystem::path& target, const std::filesystem::path& temporary,
                     const std::string& bytes, std::string& error);

// Claims the name `backup` for the original, only if no file has that name (kTaken otherwise).
// POSIX: a hard link to `target` (the original itself, keeping everything), or where links are
// not supported a copy of `original`. Windows: an empty file that the replacement fills.
NewName ReserveBackup(const std::filesystem::path& target, const std::filesystem::path& backup,
                      const std::string& original, std::string& error);

// Puts `temporary` in the place of `target`, whose original then lives on as the reserved
// `backup`. On a failure `target` is the original as it was, and `backup` and `temporary` are
// removed, unless `error` says where the original is.
bool ReplaceWithNewFile(const std::filesystem::path& target, const std::filesystem::path& temporary,
                        const std::filesystem::path& backup, std::string& error);

}  // namespace migrate
