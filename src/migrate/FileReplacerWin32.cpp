#include <windows.h>

#include <algorithm>

#include "migrate/FileReplacer.h"

namespace migrate {
namespace {

namespace fs = std::filesystem;

// The system's text for the last error, without its line end and full stop.
std::string Cause(DWORD code = GetLastError()) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string cause = length > 0 && text != nullptr ? std::string(text, length) : "error " + std::to_string(code);
    LocalFree(text);
    while (!cause.empty() && (cause.back() == '\n' || cause.back() == '\r' || cause.back() == '.')) {
        cause.pop_back();
    }
    return cause;
}

// What a replacement must carry over. ReplaceFileW does on Windows; Wine's leaves the new file
// with its own, so they are set before the replacement as well.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

NewName CreateExclusive(const fs::path& path, DWORD flags, HANDLE& file, std::string& error) {
    file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        return NewName::kMade;
    }
    const DWORD code = GetLastError();
    error = Cause(code);
    return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? NewName::kTaken : NewName::kFailed;
}

}  // namespace

std::string ReplaceRefusal(const fs::path& target) {
    HANDLE file =
        CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &information) != 0;
    const std::string cause = known ? std::string() : Cause();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    if (!known) {
        return "cannot be written (" + cause + ")";
    }
    if (information.nNumberOfLinks > 1) {
        return "has " + std::to_string(information.nNumberOfLinks) +
               " hard links: not rewritten, its links would part";
    }
    return std::string();
}

NewName WriteNewFile(const fs::path& /*target*/, const fs::path& temporary, const std::string& bytes,
                     std::string& error) {
    HANDLE file = INVALID_HANDLE_VALUE;
    const NewName made = CreateExclusive(temporary, FILE_FLAG_WRITE_THROUGH, file, error);
    if (made != NewName::kMade) {
        return made;
    }
    bool written = true;
    for (std::size_t done = 0; written && done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1U << 20U));
        DWORD wrote = 0;
        written = WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) != 0 && wrote > 0;
        done += wrote;
    }
    written = written && FlushFileBuffers(file) != 0;
    if (!written) {
        error = Cause();
    }
    CloseHandle(file);
    if (!written) {
        DeleteFileW(temporary.c_str());
        return NewName::kFailed;
    }
    return NewName::kMade;
}

NewName ReserveBackup(const fs::path& /*target*/, const fs::path& backup, const std::string& /*original*/,
                      std::string& error) {
    HANDLE file = INVALID_HANDLE_VALUE;
    const NewName made = CreateExclusive(backup, 0, file, error);
    if (made == NewName::kMade) {
        CloseHandle(file);
    }
    return made;
}

bool ReplaceWithNewFile(const fs::path& target, const fs::path& temporary, const fs::path& backup,
                        std::string& error) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesW(temporary.c_str(), attributes & kKeptAttributes);
    }
    // The replacement takes the original's DACL, attributes, creation time, short name and
    // streams; the original itself becomes the backup, in place of the empty file reserved.
    if (ReplaceFileW(target.c_str(), temporary.c_str(), backup.c_str(), REPLACEFILE_WRITE_THROUGH, nullptr,
                     nullptr) != 0) {
        return true;
    }
    const DWORD code = GetLastError();
    error = Cause(code);
    SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(temporary.c_str());
    // Here the original was moved to the backup's name but the new file not to its own.
    if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    }
    if (GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error += "; the original is now " + backup.filename().u8string();
        return false;
    }
    DeleteFileW(backup.c_str());
    return false;
}

}  // namespace migrate
