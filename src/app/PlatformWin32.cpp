#include <windows.h>

#include <cstdlib>

#include "app/Platform.h"

namespace platform {

std::size_t GetExecutableFileName(char* buffer, std::size_t size) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    return static_cast<std::size_t>(length);
}

char DirectorySeparator() {
    return '\\';
}

int RunCommandLine(const std::string& line) {
    return std::system(line.c_str());
}

}  // namespace platform
