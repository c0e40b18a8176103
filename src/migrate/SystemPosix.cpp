#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "migrate/System.h"

namespace migrate {

void UseBinaryStandardOutput() {}

std::vector<std::string> Utf8Arguments(int count, char** arguments) {
    return std::vector<std::string>(arguments, arguments + count);
}

std::filesystem::path PathFromUtf8(const std::string& name) {
    return std::filesystem::path(name);
}

namespace {

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// readdir gives each entry's type with its name (d_type): no stat of a file the walk passes
// over. A file system that does not fill it in gets an lstat.
EntryType TypeOf(DIR* directory, const dirent& entry) {
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
        struct stat status {};
        if (::fstatat(::dirfd(directory), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            return EntryType::kOther;
        }
        type = S_ISLNK(status.st_mode) ? DT_LNK : S_ISDIR(status.st_mode) ? DT_DIR : S_ISREG(status.st_mode) ? DT_REG : DT_UNKNOWN;
    }
    switch (type) {
        case DT_REG:
            return EntryType::kFile;
        case DT_DIR:
            return EntryType::kFolder;
        case DT_LNK:
            return EntryType::kLink;
        default:
            return EntryType::kOther;
    }
}

}  // namespace

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, std::string& error) {
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    entries.clear();
    // readdir tells its end from a failure only by errno, which an lstat may have set.
    errno = 0;
    for (const dirent* entry = ::readdir(directory); entry != nullptr; entry = ::readdir(directory)) {
        if (!IsDotOrDotDot(entry->d_name)) {
            entries.push_back({entry->d_name, TypeOf(directory, *entry)});
        }
        errno = 0;
    }
    const int failure = errno;
    ::closedir(directory);
    if (failure != 0) {
        error = std::strerror(failure);
        return false;
    }
    return true;
}

// Plain system calls: the scan reads tens of thousands of small files, and a stream costs
// more than the reading.
bool ReadWholeFile(const std::string& path, std::uintmax_t limit, std::string& bytes, std::string& error) {
    // Without waiting: a pipe put where a script was found would wait for a writer forever.
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status {};
    if (file < 0 || ::fstat(file, &status) != 0) {
        error = std::string("cannot be read (") + std::strerror(errno) + ")";
        if (file >= 0) {
            ::close(file);
        }
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(file);
        error = "cannot be read (not a file)";
        return false;
    }
    const auto size = static_cast<std::uintmax_t>(status.st_size);
    if (size > limit) {
        ::close(file);
        error = "has " + std::to_string(size) + " bytes, more than the " + std::to_string(limit) + " this tool reads";
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(file, bytes.data() + done, bytes.size() - done);
        if (got <= 0) {
            error = got < 0 ? std::string("cannot be read (") + std::strerror(errno) + ")" : "changed while read";
            ::close(file);
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    ::close(file);
    return true;
}

}  // namespace migrate
