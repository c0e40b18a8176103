#include "migrate/UsageFileReader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "migrate/System.h"

namespace migrate {

std::string UsageFileReader::Read(const std::string& path) {
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    if (!file) {
        return path + ": cannot be read (" + std::strerror(errno) + ")";
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
    if (!carry.empty()) {
        Line(carry.data(), carry.data() + carry.size());
    }
    return file.bad() ? path + ": cannot be read to its end" : std::string();
}

void UsageFileReader::Line(const char* begin, const char* end) {
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
