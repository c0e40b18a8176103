#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "migrate/UsageLineParser.h"
#include "migrate/UsageTally.h"

namespace migrate {

// Reads usage log files, one after another, into one tally: what one thread of UsageLogReader
// does. A line that is not a record (a torn last line, anything that is not JSON, a line longer
// than kLongestLine) is counted and skipped.
class UsageFileReader {
public:
    static constexpr std::size_t kLongestLine = 1 << 20;
    static constexpr std::size_t kChunk = 1 << 20;

    explicit UsageFileReader(UsageTally& tally) : tally(tally), chunk(kChunk) {}

    // Reads one file; "PATH: why" when it could not be read (to its end), else empty.
    std::string Read(const std::string& path);

    std::size_t Files() const { return files; }
    std::size_t Skipped() const { return skipped; }

private:
    void Line(const char* begin, const char* end);

    UsageTally& tally;
    UsageLineParser parser;
    std::vector<char> chunk;  // the piece of a file being read
    std::size_t files = 0;
    std::size_t skipped = 0;
};

}  // namespace migrate
