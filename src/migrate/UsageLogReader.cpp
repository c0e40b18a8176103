#include "migrate/UsageLogReader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "scripts/AsciiCase.h"

namespace migrate {
namespace {

namespace fs = std::filesystem;

bool IsLog(const fs::path& path) {
    return scripts::AsciiLowered(path.extension().string()) == ".jsonl";
}

}  // namespace

void UsageLogReader::ReadPath(const std::string& given) {
    std::error_code error;
    const fs::path path(given);
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        errors.push_back(given + ": no such file or folder");
        return;
    }
    if (error) {
        errors.push_back(given + ": " + error.message());
        return;
    }
    if (status.type() != fs::file_type::directory) {
        ReadFile(given, given);
        return;
    }
    std::vector<fs::path> logs;
    fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && IsLog(it->path())) {
            logs.push_back(it->path());
        }
    }
    if (error) {
        errors.push_back(given + ": " + error.message());
    }
    std::sort(logs.begin(), logs.end());
    for (const fs::path& log : logs) {
        ReadFile(log.string(), log.string());
    }
}

void UsageLogReader::ReadFile(const std::string& path, const std::string& display) {
    std::ifstream file(fs::path(path), std::ios::binary);
    if (!file) {
        errors.push_back(display + ": cannot be read (" + std::strerror(errno) + ")");
        return;
    }
    ++files;
    // Lines are cut out of fixed chunks; the part of a line that crosses a chunk's end is kept
    // in `carry`, and a line longer than kLongestLine is not kept at all.
    std::string carry;
    bool overlong = false;
    while (file) {
        file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(file.gcount());
        if (got == 0) {
            break;
        }
        const char* begin = chunk.data();
        const char* const end = begin + got;
        while (begin < end) {
            const auto* newline = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(end - begin)));
            const char* lineEnd = newline != nullptr ? newline : end;
            if (overlong) {
                // The rest of a line already counted as skipped.
            } else if (carry.size() + static_cast<std::size_t>(lineEnd - begin) > kLongestLine) {
                overlong = true;
                carry.clear();
                ++skipped;
            } else if (newline != nullptr && carry.empty()) {
                Line(begin, lineEnd);
            } else {
                carry.append(begin, lineEnd);
                if (newline != nullptr) {
                    Line(carry.data(), carry.data() + carry.size());
                    carry.clear();
                }
            }
            if (newline == nullptr) {
                break;
            }
            overlong = false;
            begin = newline + 1;
        }
    }
    if (file.bad()) {
        errors.push_back(display + ": cannot be read to its end");
    }
    if (!carry.empty()) {
        Line(carry.data(), carry.data() + carry.size());
    }
}

void UsageLogReader::Line(const char* begin, const char* end) {
    if (end > begin && end[-1] == '\r') {
        --end;
    }
    const std::string_view line(begin, static_cast<std::size_t>(end - begin));
    if (line.find_first_not_of(" \t") == std::string_view::npos) {
        return;
    }
    if (parser.Parse(line)) {
        tally.Add(parser.Result());
    } else {
        ++skipped;
    }
}

}  // namespace migrate
