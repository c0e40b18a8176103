// Stand-in for tolvex.exe, used by the end-to-end tests and for trying the
// program without the real tool. It is a test tool, not part of the product.
//
// It prints what it received and exits with a chosen code:
//   stdout:  "[tolvex stand-in] command line: <raw line>"
//            "[tolvex stand-in] argument N: <argv[N]>"   (one line per argument, N from 1)
//   record:  when TOLVEX_STANDIN_RECORD names a file, the same lines without the
//            "[tolvex stand-in] " prefix are appended to it, each ending in a single
//            LF on every platform (the file is written in binary mode), so that one
//            file keeps every call of a script run in order.
//   exit:    TOLVEX_STANDIN_EXIT holds one code or a comma-separated list: call N
//            (counted by the calls already in the record file) gets the Nth code, the
//            last one repeating. Each code is decimal with an optional sign; 0 when the
//            variable is unset or empty, or the code is not entirely a number or out of
//            range; 125 when the record file cannot be written.
//
// The raw line is GetCommandLineA() on Windows; elsewhere, where there is no
// raw line, it is argv[0..] joined by single spaces.

#include <cerrno>
#include <cstddef>
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

// The calls recorded so far in the record file: each starts with a "command line: " line.
std::size_t RecordedCalls(const char* recordPath) {
    std::size_t calls = 0;
    std::FILE* record = recordPath != nullptr ? std::fopen(recordPath, "rb") : nullptr;
    if (record == nullptr) {
        return 0;
    }
    std::string line;
    for (int c = std::fgetc(record); c != EOF; c = std::fgetc(record)) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        calls += line.rfind("command line: ", 0) == 0 ? 1 : 0;
        line.clear();
    }
    std::fclose(record);
    return calls;
}

int ExitCodeFromEnvironment(std::size_t call) {
    const char* variable = std::getenv("TOLVEX_STANDIN_EXIT");
    std::string codes = variable != nullptr ? variable : "";
    for (std::size_t i = 0; i < call && codes.find(',') != std::string::npos; ++i) {
        codes.erase(0, codes.find(',') + 1);
    }
    const std::string text = codes.substr(0, codes.find(','));
    if (text.empty()) {
        return 0;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE) {
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
    const int exitCode = ExitCodeFromEnvironment(RecordedCalls(recordPath));
    if (recordPath != nullptr && *recordPath != '\0') {
        std::FILE* record = std::fopen(recordPath, "ab");
        if (record == nullptr) {
            std::fprintf(stderr, "%scannot write the record file %s\n", kPrefix, recordPath);
            return 125;
        }
        for (const std::string& line : lines) {
            std::fprintf(record, "%s\n", line.c_str());
        }
        std::fclose(record);
    }

    return exitCode;
}
