#include "migrate/FileRewriter.h"

#include <fstream>
#include <system_error>

namespace migrate {
namespace {

namespace fs = std::filesystem;

bool Fail(std::string& error, const std::string& why, const fs::path& temporary) {
    std::error_code ignored;
    if (!temporary.empty()) {
        fs::remove(temporary, ignored);
    }
    error = why;
    return false;
}

}  // namespace

bool RewriteFile(const fs::path& path, const std::string& bytes, bool backup, std::string& error) {
    std::error_code code;
    const fs::path target = fs::canonical(path, code);
    if (code) {
        return Fail(error, "cannot be written (" + code.message() + ")", fs::path());
    }
    const fs::perms permissions = fs::status(target, code).permissions();
    if (code || (permissions & fs::perms::owner_write) == fs::perms::none) {
        return Fail(error, "is read-only: not rewritten", fs::path());
    }
    fs::path temporary = target;
    temporary.replace_filename("." + target.filename().string() + ".tolvex-migrate.tmp");
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            return Fail(error, "cannot be written: the new file beside it could not be made", temporary);
        }
    }
    fs::permissions(temporary, permissions, code);
    if (backup) {
        fs::path copy = target;
        copy += ".bak";
        if (!fs::copy_file(target, copy, fs::copy_options::overwrite_existing, code)) {
            return Fail(error, "cannot be written: the backup " + copy.filename().string() + " was not made (" +
                                   code.message() + ")",
                        temporary);
        }
    }
    fs::rename(temporary, target, code);
    if (code) {
        return Fail(error, "cannot be written (" + code.message() + ")", temporary);
    }
    return true;
}

}  // namespace migrate
