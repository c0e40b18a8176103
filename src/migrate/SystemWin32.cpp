#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <system_error>

#include "migrate/System.h"

namespace migrate {

void UseBinaryStandardOutput() {
    std::cout.flush();
    _setmode(_fileno(stdout), _O_BINARY);
}

std::vector<std::string> Utf8Arguments(int count, char** arguments) {
    std::vector<std::string> utf8;
    int wideCount = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    if (wide != nullptr && wideCount == count) {
        for (int i = 0; i < wideCount; ++i) {
            utf8.push_back(std::filesystem::path(wide[i]).u8string());
        }
    } else {
        // Split otherwise than the C runtime split it: its arguments, taken from the code page.
        for (int i = 0; i < count; ++i) {
            utf8.push_back(std::filesystem::path(arguments[i]).u8string());
        }
    }
    LocalFree(static_cast<void*>(wide));
    return utf8;
}

std::filesystem::path PathFromUtf8(const std::string& name) {
    return std::filesystem::u8path(name);
}

bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, std::string& error) {
    std::error_code code;
    entries.clear();
    for (std::filesystem::directory_iterator it(PathFromUtf8(folder), code), end; !code && it != end;
         it.increment(code)) {
        const std::filesystem::file_type type = it->symlink_status(code).type();
        entries.push_back({it->path().filename().u8string(),
                           type == std::filesystem::file_type::regular     ? EntryType::kFile
                           : type == std::filesystem::file_type::directory ? EntryType::kFolder
                           : type == std::filesystem::file_type::symlink   ? EntryType::kLink
                                                                           : EntryType::kOther});
    }
    if (code) {
        error = code.message();
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::uintmax_t limit, std::string& bytes, std::string& error) {
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(PathFromUtf8(path), code);
    if (code) {
        error = "cannot be read (" + code.message() + ")";
        return false;
    }
    if (size > limit) {
        error = "has " + std::to_string(size) + " bytes, more than the " + std::to_string(limit) + " this tool reads";
        return false;
    }
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    bytes.resize(static_cast<std::size_t>(size));
    const auto wanted = static_cast<std::streamsize>(size);
    if (!file || file.rdbuf()->sgetn(bytes.data(), wanted) != wanted) {
        error = "cannot be read";
        return false;
    }
    return true;
}

}  // namespace migrate
