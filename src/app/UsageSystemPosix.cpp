#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "app/UsageSystem.h"

namespace usage {

std::optional<std::string> LogSetting() {
    const char* value = std::getenv("TOLVEX_LEGACY_USAGE_LOG");
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

std::string UtcTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    std::array<char, 96> text{};
    (void)std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                        utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                        static_cast<int>(now.tv_nsec / 1000000));
    return text.data();
}

std::string ComputerName() {
    std::array<char, 256> name{};
    if (gethostname(name.data(), name.size() - 1) != 0) {
        return std::string();
    }
    return name.data();
}

std::string UserName() {
    const passwd* entry = getpwuid(geteuid());
    return entry != nullptr ? entry->pw_name : std::to_string(geteuid());
}

unsigned long ProcessId() {
    return static_cast<unsigned long>(getpid());
}

ParentProcess Parent() {
    ParentProcess parent;
    const pid_t pid = getppid();
    parent.pid = static_cast<unsigned long>(pid);
    const std::string folder = "/proc/" + std::to_string(pid) + "/";
    std::array<char, 4096> exe{};
    const ssize_t length = readlink((folder + "exe").c_str(), exe.data(), exe.size());
    if (length > 0) {
        const std::string path(exe.data(), static_cast<std::size_t>(length));
        parent.image = path.substr(path.rfind('/') + 1);
    }
    std::ifstream file(folder + "cmdline", std::ios::binary);
    std::string words((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!words.empty()) {
        // The words are NUL-ended; joined by spaces they read as a command line.
        words.pop_back();
        for (char& c : words) {
            c = c == '\0' ? ' ' : c;
        }
        parent.commandLine = words;
    }
    return parent;
}

std::string CurrentDirectory() {
    std::array<char, 4096> folder{};
    return getcwd(folder.data(), folder.size()) != nullptr ? folder.data() : std::string();
}

std::string ArgumentToUtf8(const std::string& text) {
    return text;
}

bool IsDirectory(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

char PathSeparator() {
    return '/';
}

bool IsPathSeparator(char c) {
    return c == '/';
}

bool AppendLine(const std::string& path, const std::string& line) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg): open takes its mode as a vararg
    const int file = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (file < 0) {
        return false;
    }
    const ssize_t written = write(file, line.data(), line.size());
    const bool closed = close(file) == 0;
    return written == static_cast<ssize_t>(line.size()) && closed;
}

}  // namespace usage
