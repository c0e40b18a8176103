#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "migrate/FileReplacer.h"

namespace migrate {
namespace {

namespace fs = std::filesystem;

std::string Cause() {
    return std::strerror(errno);
}

// Writes all of `bytes` to a file it creates, only if the name is free, with `status`'s
// permissions, owner and group, and flushes it to the disk. Nothing is left on a failure.
NewName WriteExclusive(const fs::path& path, const struct stat& status, const std::string& bytes,
                       std::string& error) {
    // With a file-size limit (ulimit -f) a write past it would end the process without a word;
    // ignored, the write fails with EFBIG and the new file is removed.
    static_cast<void>(std::signal(SIGXFSZ, SIG_IGN));
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (file < 0) {
        error = Cause();
        return errno == EEXIST ? NewName::kTaken : NewName::kFailed;
    }
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        const ssize_t wrote = ::write(file, bytes.data() + done, bytes.size() - done);
        written = wrote > 0 || (wrote < 0 && errno == EINTR);
        done += wrote > 0 ? static_cast<std::size_t>(wrote) : 0;
    }
    // Only root may give a file away; a user may still give it a group they belong to. Owner
    // first: a change of owner clears the set-id bits the mode then restores.
    if (written && ::fchown(file, status.st_uid, status.st_gid) != 0 && errno == EPERM) {
        static_cast<void>(::fchown(file, static_cast<uid_t>(-1), status.st_gid));
    }
    written = written && ::fchmod(file, status.st_mode & 07777) == 0 && ::fsync(file) == 0;
    if (!written) {
        error = Cause();
    }
    if (::close(file) != 0 && written) {
        error = Cause();
        written = false;
    }
    if (!written) {
        ::unlink(path.c_str());
        return NewName::kFailed;
    }
    return NewName::kMade;
}

}  // namespace

std::string ReplaceRefusal(const fs::path& target) {
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        return "cannot be written (" + Cause() + ")";
    }
    if (status.st_nlink > 1) {
        return "has " + std::to_string(status.st_nlink) + " hard links: not rewritten, its links would part";
    }
    return std::string();
}

NewName WriteNewFile(const fs::path& target, const fs::path& temporary, const std::string& bytes, std::string& error) {
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        error = Cause();
        return NewName::kFailed;
    }
    return WriteExclusive(temporary, status, bytes, error);
}

NewName ReserveBackup(const fs::path& target, const fs::path& backup, const std::string& original, std::string& error) {
    if (::link(target.c_str(), backup.c_str()) == 0) {
        return NewName::kMade;
    }
    error = Cause();
    if (errno == EEXIST) {
        return NewName::kTaken;
    }
    // File systems without hard links (FAT on a USB stick) get a copy of the bytes read.
    struct stat status {};
    if ((errno != EPERM && errno != ENOTSUP) || ::stat(target.c_str(), &status) != 0) {
        return NewName::kFailed;
    }
    return WriteExclusive(backup, status, original, error);
}

bool ReplaceWithNewFile(const fs::path& target, const fs::path& temporary, const fs::path& backup,
                        std::string& error) {
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = Cause();
        ::unlink(temporary.c_str());
        ::unlink(backup.c_str());
        return false;
    }
    // The rename is done and cannot be undone; flushing the folder makes it last a power cut.
    const int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        static_cast<void>(::fsync(folder));
        ::close(folder);
    }
    return true;
}

}  // namespace migrate
