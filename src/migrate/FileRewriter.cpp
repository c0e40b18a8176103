#include "migrate/FileRewriter.h"

#include <system_error>

#include "migrate/FileReplacer.h"
#include "migrate/ScriptRun.h"
#include "migrate/System.h"

namespace migrate {
namespace {

namespace fs = std::filesystem;

// Past this many taken names something is wrong with the folder: give up rather than loop.
constexpr int kMaxNames = 1000;

// "<name>.bak", then "<name>.bak.2", "<name>.bak.3", ...
fs::path BackupName(const fs::path& target, int attempt) {
    fs::path name = target;
    name += attempt == 1 ? std::string(".bak") : ".bak." + std::to_string(attempt);
    return name;
}

// Working files sit in the script's own folder, so that the final step is a rename within one
// file system. Their names do not grow with the script's, which may be as long as a name can be.
fs::path WorkName(const fs::path& target, const char* suffix, int attempt) {
    const std::string number = attempt == 1 ? std::string() : "." + std::to_string(attempt);
    return target.parent_path() / (".tolvex-migrate" + number + suffix);
}

// Claims the first name that `make` can create, trying `name(1)`, `name(2)`, ...; `chosen` is
// the last name tried.
template <typename Name, typename Make>
NewName ClaimName(const Name& name, const Make& make, fs::path& chosen) {
    for (int attempt = 1; attempt <= kMaxNames; ++attempt) {
        chosen = name(attempt);
        const NewName made = make(chosen);
        if (made != NewName::kTaken) {
            return made;
        }
    }
    return NewName::kTaken;
}

// Empty while the file still holds the bytes read; otherwise why it is not rewritten. An
// editor, a second run or a sync client may have written it since.
std::string ChangeSinceRead(const fs::path& target, const std::string& original) {
    std::string now;
    std::string why;
    if (ReadWholeFile(target.u8string(), kMaxScriptBytes, now, why)) {
        return now == original ? std::string() : "changed since it was read: not rewritten";
    }
    // Gone or unreadable in the moment since RewriteFile found it: the reader's own words say which.
    return why + ": not rewritten";
}

}  // namespace

bool RewriteFile(const fs::path& path, const std::string& original, const std::string& bytes, bool backup,
                 std::string& backupName, std::string& error) {
    std::error_code code;
    const fs::path target = fs::canonical(path, code);
    if (code) {
        error = fs::exists(fs::symlink_status(path, code)) ? "cannot be written (" + code.message() + ")"
                                                           : "vanished since it was read: not rewritten";
        return false;
    }
    const fs::perms permissions = fs::status(target, code).permissions();
    if (code || (permissions & fs::perms::owner_write) == fs::perms::none) {
        error = "is read-only: not rewritten";
        return false;
    }
    error = ReplaceRefusal(target);
    if (!error.empty()) {
        return false;
    }
    std::string why = "no free name";
    fs::path temporary;
    const auto temporaryName = [&target](int attempt) { return WorkName(target, ".tmp", attempt); };
    if (ClaimName(temporaryName, [&](const fs::path& name) { return WriteNewFile(target, name, bytes, why); },
                  temporary) != NewName::kMade) {
        error = "cannot be written: the new file beside it could not be made (" + why + ")";
        return false;
    }
    // Without a backup the original is still moved aside under a working name until the new
    // file is in place: on Windows that is what keeps it when the replacement fails halfway.
    fs::path reserved;
    const auto reservedName = [&](int attempt) {
        return backup ? BackupName(target, attempt) : WorkName(target, ".old", attempt);
    };
    why = "no free name";
    if (ClaimName(reservedName, [&](const fs::path& name) { return ReserveBackup(target, name, original, why); },
                  reserved) != NewName::kMade) {
        fs::remove(temporary, code);
        error = "cannot be written: the backup " + reserved.filename().u8string() + " was not made (" + why + ")";
        return false;
    }
    error = ChangeSinceRead(target, original);
    if (!error.empty()) {
        fs::remove(temporary, code);
        fs::remove(reserved, code);
        return false;
    }
    if (!ReplaceWithNewFile(target, temporary, reserved, why)) {
        error = "cannot be written (" + why + ")";
        return false;
    }
    if (backup || !fs::remove(reserved, code)) {
        backupName = reserved.filename().u8string();
    }
    return true;
}

}  // namespace migrate
