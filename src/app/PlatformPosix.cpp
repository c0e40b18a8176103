#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "app/Platform.h"

namespace platform {

std::size_t GetExecutableFileName(char* buffer, std::size_t size) {
    const ssize_t length = readlink("/proc/self/exe", buffer, size);
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

char DirectorySeparator() {
    return '/';
}

int RunCommandLine(const std::string& line) {
    // POSIX system() returns a wait status; Windows returns the exit code itself. Decode it so
    // both builds pass the same number on.
    const int status = std::system(line.c_str());
    if (status == -1) {
        return -1;
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

}  // namespace platform
