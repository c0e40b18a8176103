#pragma once

#include <string>
#include <vector>

#include "migrate/UsageLogReader.h"
#include "migrate/UsageTally.h"

namespace migrate {

// A group of the usage report with what its words become in tolvex-legacy.
struct UsageCall {
    UsageTally::Group group;
    // "tolvex.exe ARGUMENTS" when tolvex-legacy launches the call, as explain prints it;
    // empty when it refuses the call.
    std::string line;
    // What tolvex-legacy prints when it refuses the call; empty when it launches it.
    std::string refused;
};

// Every group, each translated once with tolvex-legacy's own translators, the output directory
// on `systemDrive`.
std::vector<UsageCall> TranslateUsage(const UsageTally& tally, const std::string& systemDrive);

// The report as text: a block per call, most runs first, and a closing summary line.
std::string UsageText(const std::vector<UsageCall>& calls, const UsageTally& tally, const UsageLogReader& reader);

// The report as one JSON document.
std::string UsageJson(const std::vector<UsageCall>& calls, const UsageTally& tally, const UsageLogReader& reader);

}  // namespace migrate
