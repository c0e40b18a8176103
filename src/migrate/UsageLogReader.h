#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "migrate/UsageTally.h"

namespace migrate {

// Reads usage logs into a tally: files as given, and every *.jsonl below a folder, in name
// order. The files are read on several threads, each into a tally of its own, and the tallies
// merged, so that the report is the same whatever the number of threads. A path that cannot be
// read is an error, and the others are read all the same; errors come in the order of the paths.
class UsageLogReader {
public:
    static constexpr unsigned kMaxThreads = 8;

    explicit UsageLogReader(UsageTally& tally) : tally(tally) {}

    // Finds the logs of one path given; nothing is read yet.
    void AddPath(const std::string& given);
    // Reads every log found on up to `threads` threads (0: one a processor core, at most
    // kMaxThreads).
    void Read(unsigned threads = 0);

    std::size_t Files() const { return files; }
    std::size_t Skipped() const { return skipped; }
    // "PATH: why", one per path that could not be read.
    const std::vector<std::string>& Errors() const { return errors; }

private:
    // A log to read, or a path already known to be unreadable (`error` set).
    struct Item {
        std::string path;
        std::string error;
    };

    UsageTally& tally;
    std::vector<Item> items;
    std::size_t files = 0;
    std::size_t skipped = 0;
    std::vector<std::string> errors;
};

}  // namespace migrate
