// Stand-in for tolvex.exe, used by the end-to-end tests and for trying the
// program without the real tool. It is a test tool, not part of the product.
//
// It prints what it received and exits with a chosen code:
//   stdout:  "[tolvex stand-in] command line: <raw line>"
//            "[tolvex stand-in] argument N: <argv[N]>"   (one line per argument, N from 1)
//   record:  when TOLVEX_STANDIN_RECORD names a file, the same lines without the
//            "[tolvex stand-in] " prefix are written to it, each ending in a single
//            LF on every platform (the file is written in binary mode).
//   exit:    the integer in TOLVEX_STANDIN_EXIT (decimal, optional sign); 0 when the
//            variable is unset, empty, not entirely a number, or out of range;
//            125 when the record file cannot be written.
//
// The raw line is GetCommandLineA() on Windows; elsewhere, where there is no
// raw line, it is argv[0..] joined by single spaces.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr const char* kPrefix = "[tolvex stand-in] ";

std::string RawCommandLine(int argc, char** argv) {
#ifdef _WIN32
    (void)argc;
    (void)argv;
    return GetCommandLineA();
#else
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) {
            line += ' ';
        }
        line += argv[i];
    }
    return line;
#endif
}

int ExitCodeFromEnvironment() {
    const char* text = std::getenv("TOLVEX_STANDIN_EXIT");
    if (text == nullptr || *text == '\0') {
        return 0;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE) {
        return 0;
    }
    return static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> lines;
    lines.push_back("command line: " + RawCommandLine(argc, argv));
    for (int i = 1; i < argc; ++i) {
        lines.push_back("argument " + std::to_string(i) + ": " + argv[i]);
    }

    for (const std::string& line : lines) {
        std::printf("%s%s\n", kPrefix, line.c_str());
    }
    std::fflush(stdout);

    const char* recordPath = std::getenv("TOLVEX_STANDIN_RECORD");
    if (recordPath != nullptr && *recordPath != '\0') {
        std::FILE* record = std::fopen(recordPath, "wb");
        if (record == nullptr) {
            std::fprintf(stderr, "%scannot write the record file %s\n", kPrefix, recordPath);
            return 125;
        }
        for (const std::string& line : lines) {
            std::fprintf(record, "%s\n", line.c_str());
        }
        std::fclose(record);
    }

    return ExitCodeFromEnvironment();
}
