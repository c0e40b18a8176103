#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "migrate/UsageTally.h"

namespace migrate {

// Reads usage logs into a tally: files as given, and every *.jsonl below a folder, in name
// order. A line that is not a record (a torn last line, anything that is not JSON, a line longer
// than kLongestLine) is counted and skipped; a path that cannot be read is an error, and the
// others are read all the same.
class UsageLogReader {
public:
    static constexpr std::size_t kLongestLine = 1 << 20;
    static constexpr std::size_t kChunk = 1 << 20;

    explicit UsageLogReader(UsageTally& tally) : tally(tally), chunk(kChunk) {}

    void ReadPath(const std::string& given);

    std::size_t Files() const { return files; }
    std::size_t Skipped() const { return skipped; }
    // "PATH: why", one per path that could not be read.
    const std::vector<std::string>& Errors() const { return errors; }

private:
    void ReadFile(const std::string& path, const std::string& display);
    void Line(const char* begin, const char* end);

    UsageTally& tally;
    UsageLineParser parser;
    std::vector<char> chunk;  // the piece of a file being read
    std::size_t files = 0;
    std::size_t skipped = 0;
    std::vector<std::string> errors;
};

}  // namespace migrate
