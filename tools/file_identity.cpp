// What a Windows file carries besides its bytes, for the tests of tolvex-migrate's fix
// --write: a test tool, not part of the product. Windows only.
//
//   file_identity set PATH    gives the file an explicit, protected DACL (full access for
//                             SYSTEM and Everyone, nothing inherited) and the creation time
//                             2001-02-03 04:05:06 UTC
//   file_identity show PATH   prints "dacl SDDL" and "created FILETIME" (hex), a line each
//
// Exit status 0, or 1 with a message when a call fails. A platform that does not keep one of
// these shows something else after `set`: the tests compare only what `show` gives back.

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <string>

namespace {

const wchar_t kDacl[] = L"D:P(A;;FA;;;SY)(A;;FA;;;WD)";
constexpr FILETIME kCreated{0x7DB50500U, 0x01C08D96U};

int Fail(const char* what) {
    std::fprintf(stderr, "file_identity: %s failed (error %lu)\n", what, GetLastError());
    return 1;
}

int Set(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kDacl, SDDL_REVISION_1, &descriptor, nullptr) ||
        !SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor)) {
        return Fail("setting the DACL");
    }
    LocalFree(descriptor);
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool timed = file != INVALID_HANDLE_VALUE && SetFileTime(file, &kCreated, nullptr, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return timed ? 0 : Fail("setting the creation time");
}

int Show(const std::wstring& path) {
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::string buffer(size, '\0');
    wchar_t* sddl = nullptr;
    if (size == 0 || !GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, buffer.data(), size, &size) ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(buffer.data(), SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &sddl, nullptr)) {
        return Fail("reading the DACL");
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return Fail("reading the creation time");
    }
    std::printf("dacl %ls\ncreated %08lx%08lx\n", sddl, data.ftCreationTime.dwHighDateTime,
                data.ftCreationTime.dwLowDateTime);
    LocalFree(sddl);
    return 0;
}

}  // namespace

int wmain(int count, wchar_t** arguments) {
    if (count != 3) {
        std::fprintf(stderr, "usage: file_identity set|show PATH\n");
        return 1;
    }
    const std::wstring command = arguments[1];
    return command == L"set" ? Set(arguments[2]) : command == L"show" ? Show(arguments[2]) : 1;
}
