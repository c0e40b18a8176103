#include <windows.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <vector>

#include "app/UsageSystem.h"

namespace usage {
namespace {

std::string WideToUtf8(const wchar_t* text, int length) {
    if (length <= 0) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
    }
    return utf8;
}

std::string WideToUtf8(const std::wstring& text) {
    return WideToUtf8(text.data(), static_cast<int>(text.size()));
}

std::wstring Utf8ToWide(const std::string& text) {
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), size);
    }
    return wide;
}

// Closes a handle when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE handle) : handle(handle) {}
    ~Handle() {
        if (Valid()) {
            CloseHandle(handle);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool Valid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }

private:
    HANDLE handle;
};

// Takes turns with the other runs appending to the same file, for as long as it lives. Windows
// writes each append whole by itself; some systems that run Windows programs (Wine) find the end
// of the file first and write there after, so that two runs ending at once write one record over
// the other. The lock is on one byte far past any record, where no reader looks. A system that
// refuses it (it may ask for more than append access) is one that appends whole; one that keeps
// it held too long (a run that hangs) is waited for a moment, then written past.
class AppendTurn {
public:
    explicit AppendTurn(HANDLE file) : file(file) {
        place.Offset = MAXDWORD;
        place.OffsetHigh = 0x7fffffff;
        constexpr int kTries = 50;
        for (int attempt = 1; attempt <= kTries; ++attempt) {
            if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &place) != FALSE) {
                held = true;
                return;
            }
            if (GetLastError() != ERROR_LOCK_VIOLATION) {
                return;
            }
            Sleep(2);
        }
    }
    ~AppendTurn() {
        if (held) {
            UnlockFileEx(file, 0, 1, 0, &place);
        }
    }
    AppendTurn(const AppendTurn&) = delete;
    AppendTurn& operator=(const AppendTurn&) = delete;

private:
    HANDLE file;
    OVERLAPPED place{};
    bool held = false;
};

// The parts of ntdll's answers read here, in their documented layouts.
struct BasicInformation {
    LONG exitStatus;
    PVOID pebBaseAddress;
    ULONG_PTR affinityMask;
    LONG basePriority;
    ULONG_PTR uniqueProcessId;
    ULONG_PTR inheritedFromUniqueProcessId;
};

struct CountedString {
    USHORT length;
    USHORT maximumLength;
    PWSTR buffer;
};

constexpr ULONG kProcessBasicInformation = 0;
constexpr ULONG kProcessCommandLineInformation = 60;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);

using QueryInformationProcess = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

// ntdll's NtQueryInformationProcess, looked up at run time: it is not part of the import
// libraries a program links against.
QueryInformationProcess QueryFunction() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr) {
        return nullptr;
    }
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): GetProcAddress gives a generic pointer
    return reinterpret_cast<QueryInformationProcess>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationProcess")));
}

// Windows 8.1 and later give another process's command line to a query-only handle.
std::optional<std::string> CommandLineFromQuery(QueryInformationProcess query, HANDLE process) {
    ULONG size = 0;
    LONG status = query(process, kProcessCommandLineInformation, nullptr, 0, &size);
    if (status != kStatusInfoLengthMismatch || size < sizeof(CountedString)) {
        return std::nullopt;
    }
    std::vector<unsigned char> buffer(size);
    status = query(process, kProcessCommandLineInformation, buffer.data(), size, &size);
    if (status < 0) {
        return std::nullopt;
    }
    CountedString line{};
    std::memcpy(&line, buffer.data(), sizeof line);
    const auto* start = reinterpret_cast<const unsigned char*>(line.buffer);
    if (start < buffer.data() || start + line.length > buffer.data() + buffer.size()) {
        return std::nullopt;
    }
    return WideToUtf8(line.buffer, line.length / 2);
}

// Older systems: the command line from the process's own parameter block, read across.
std::optional<std::string> CommandLineFromMemory(HANDLE process, PVOID peb) {
    // The 64-bit layouts: PEB.ProcessParameters at 0x20, its CommandLine at 0x70.
    PVOID parameters = nullptr;
    SIZE_T read = 0;
    if (peb == nullptr ||
        ReadProcessMemory(process, static_cast<const char*>(peb) + 0x20, &parameters, sizeof parameters, &read) == FALSE ||
        parameters == nullptr) {
        return std::nullopt;
    }
    CountedString line{};
    if (ReadProcessMemory(process, static_cast<const char*>(parameters) + 0x70, &line, sizeof line, &read) == FALSE ||
        line.buffer == nullptr) {
        return std::nullopt;
    }
    std::wstring text(line.length / 2, L'\0');
    if (!text.empty() && ReadProcessMemory(process, line.buffer, text.data(), line.length, &read) == FALSE) {
        return std::nullopt;
    }
    return WideToUtf8(text);
}

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    if (GetProcessTimes(process, &created, &exited, &kernel, &user) == FALSE) {
        return 0;
    }
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Reading memory is only for systems older than the command-line query; a caller running with
// other rights may allow the query alone.
HANDLE OpenParent(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    return process != nullptr ? process : OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
}

}  // namespace

std::optional<std::string> LogSetting() {
    const wchar_t* name = L"TOLVEX_LEGACY_USAGE_LOG";
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size <= 1) {
        return std::nullopt;
    }
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    if (length == 0 || length >= size) {
        return std::nullopt;
    }
    value.resize(length);
    return WideToUtf8(value);
}

std::string UtcTime() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    std::array<char, 96> text{};
    (void)std::snprintf(text.data(), text.size(), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", now.wYear, now.wMonth, now.wDay,
                        now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return text.data();
}

std::string ComputerName() {
    std::array<wchar_t, MAX_COMPUTERNAME_LENGTH + 1> name{};
    auto size = static_cast<DWORD>(name.size());
    if (GetComputerNameW(name.data(), &size) == FALSE) {
        return std::string();
    }
    return WideToUtf8(name.data(), static_cast<int>(size));
}

std::string UserName() {
    // advapi32 is loaded only here, so that a run with the record off loads what it always did.
    const HMODULE advapi = LoadLibraryW(L"advapi32.dll");
    if (advapi == nullptr) {
        return std::string();
    }
    using OpenToken = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
    using TokenInformation = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    using LookupSid = BOOL(WINAPI*)(LPCWSTR, PSID, LPWSTR, LPDWORD, LPWSTR, LPDWORD, PSID_NAME_USE);
    // NOLINTBEGIN(cppcoreguidelines-pro-type-reinterpret-cast): GetProcAddress gives a generic pointer
    const auto openToken = reinterpret_cast<OpenToken>(reinterpret_cast<void*>(GetProcAddress(advapi, "OpenProcessToken")));
    const auto tokenInformation =
        reinterpret_cast<TokenInformation>(reinterpret_cast<void*>(GetProcAddress(advapi, "GetTokenInformation")));
    const auto lookupSid = reinterpret_cast<LookupSid>(reinterpret_cast<void*>(GetProcAddress(advapi, "LookupAccountSidW")));
    // NOLINTEND(cppcoreguidelines-pro-type-reinterpret-cast)
    HANDLE token = nullptr;
    std::string name;
    if (openToken != nullptr && tokenInformation != nullptr && lookupSid != nullptr &&
        openToken(GetCurrentProcess(), TOKEN_QUERY, &token) != FALSE) {
        const Handle owner(token);
        std::array<unsigned char, 256> buffer{};
        DWORD size = 0;
        if (tokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size) != FALSE) {
            TOKEN_USER user{};
            std::memcpy(&user, buffer.data(), sizeof user);
            std::array<wchar_t, 256> account{};
            std::array<wchar_t, 256> domain{};
            auto accountSize = static_cast<DWORD>(account.size());
            auto domainSize = static_cast<DWORD>(domain.size());
            SID_NAME_USE use{};
            if (lookupSid(nullptr, user.User.Sid, account.data(), &accountSize, domain.data(), &domainSize, &use) != FALSE) {
                name = WideToUtf8(domain.data(), static_cast<int>(domainSize)) + "\\" +
                       WideToUtf8(account.data(), static_cast<int>(accountSize));
            }
        }
    }
    FreeLibrary(advapi);
    return name;
}

unsigned long ProcessId() {
    return GetCurrentProcessId();
}

ParentProcess Parent() {
    ParentProcess parent;
    const QueryInformationProcess query = QueryFunction();
    BasicInformation own{};
    if (query == nullptr ||
        query(GetCurrentProcess(), kProcessBasicInformation, &own, sizeof own, nullptr) < 0) {
        return parent;
    }
    const auto pid = static_cast<DWORD>(own.inheritedFromUniqueProcessId);
    parent.pid = pid;
    const Handle process(OpenParent(pid));
    // A parent that has ended leaves its number free for a later process, which is no caller.
    if (!process.Valid() || CreationTime(process.Get()) > CreationTime(GetCurrentProcess())) {
        return parent;
    }
    std::array<wchar_t, 32768> image{};
    auto size = static_cast<DWORD>(image.size());
    if (QueryFullProcessImageNameW(process.Get(), 0, image.data(), &size) != FALSE) {
        const std::wstring path(image.data(), size);
        parent.image = WideToUtf8(path.substr(path.find_last_of(L"\\/") + 1));
    }
    parent.commandLine = CommandLineFromQuery(query, process.Get());
    if (!parent.commandLine) {
        BasicInformation other{};
        if (query(process.Get(), kProcessBasicInformation, &other, sizeof other, nullptr) >= 0) {
            parent.commandLine = CommandLineFromMemory(process.Get(), other.pebBaseAddress);
        }
    }
    return parent;
}

std::string CurrentDirectory() {
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0) {
        return std::string();
    }
    std::wstring folder(size, L'\0');
    const DWORD length = GetCurrentDirectoryW(size, folder.data());
    return length > 0 && length < size ? WideToUtf8(folder.data(), static_cast<int>(length)) : std::string();
}

std::string ArgumentToUtf8(const std::string& text) {
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (size <= 0) {
        return text;
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size);
    return WideToUtf8(wide);
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Utf8ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

char PathSeparator() {
    return '\\';
}

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

bool AppendLine(const std::string& path, const std::string& line) {
    // Append access alone: every write lands at the end of the file, whoever else is writing.
    // A virus scanner or a backup agent may hold the file for a moment without sharing it: a few
    // short tries, so that the record is not lost to it.
    const std::wstring name = Utf8ToWide(path);
    constexpr int kTries = 10;
    HANDLE opened = INVALID_HANDLE_VALUE;
    for (int attempt = 1; attempt <= kTries; ++attempt) {
        opened = CreateFileW(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD error = GetLastError();
        if (opened != INVALID_HANDLE_VALUE || attempt == kTries ||
            (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION)) {
            break;
        }
        Sleep(10);
    }
    const Handle file(opened);
    if (!file.Valid()) {
        return false;
    }
    const AppendTurn turn(file.Get());
    DWORD written = 0;
    return WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) != FALSE &&
           written == line.size();
}

}  // namespace usage
