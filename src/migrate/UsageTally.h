#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "migrate/UsageLineParser.h"

namespace migrate {

// The records of usage logs counted by their legacy words. What it keeps grows with the number
// of distinct calls (and the distinct computers and callers of each), not with the records.
class UsageTally {
public:
    struct Caller {
        std::string image;
        std::string commandLine;
        std::size_t runs = 0;
    };

    struct Group {
        std::vector<std::string> args;
        std::size_t runs = 0;
        std::string firstSeen;
        std::string lastSeen;
        std::vector<std::string> computers;  // sorted
        std::vector<Caller> callers;         // most runs first
    };

    void Add(const UsageLineParser::Fields& record);
    // Adds another tally's counts, as if its records had been added here: computers and
    // callers are matched by name, since each tally numbers its own.
    void Merge(const UsageTally& other);

    std::size_t Records() const { return records; }
    std::size_t Computers() const { return computerNames.size(); }

    // Every group, most runs first, then by words.
    std::vector<Group> Groups() const;

private:
    struct Counts {
        std::size_t runs = 0;
        std::string firstSeen;
        std::string lastSeen;
        std::vector<std::uint32_t> computers;  // ids, sorted
        std::unordered_map<std::uint32_t, std::size_t> callers;
    };

    static std::uint32_t Intern(std::unordered_map<std::string, std::uint32_t>& ids, std::vector<std::string>& names,
                                const std::string& text);

    std::size_t records = 0;
    std::unordered_map<std::string, Counts> groups;
    std::unordered_map<std::string, std::uint32_t> computerIds;
    std::vector<std::string> computerNames;
    std::uint32_t lastComputer = 0;
    // "image NUL command line"
    std::unordered_map<std::string, std::uint32_t> callerIds;
    std::vector<std::string> callerNames;
    std::string key;  // reused for every lookup
};

}  // namespace migrate
