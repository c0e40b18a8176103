#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "migrate/System.h"

namespace migrate {

void UseBinaryStandardOutput() {}

// Plain system calls: the scan reads tens of thousands of small files, and a stream costs
// more than the reading.
bool ReadWholeFile(const std::filesystem::path& path, std::uintmax_t limit, std::string& bytes, std::string& error) {
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (file < 0 || ::fstat(file, &status) != 0) {
        error = std::string("cannot be read (") + std::strerror(errno) + ")";
        if (file >= 0) {
            ::close(file);
        }
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
