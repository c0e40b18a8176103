#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "migrate/ScriptCollector.h"
#include "migrate/ScriptMigration.h"

namespace migrate {

// Larger files are not read: no script a person maintains is anywhere near this size.
constexpr std::uintmax_t kMaxScriptBytes = std::uintmax_t{32} * 1024 * 1024;

// A file found in a folder that may be a task is read only up to this size: a task file is a
// few kilobytes.
constexpr std::uintmax_t kMaxTaskBytes = std::uintmax_t{1024} * 1024;

struct ScriptOutcome {
    ScriptPath script;
    // A file found in a folder that turned out to be neither script nor task: not counted.
    bool passedOver = false;
    // Set when the file could not be read: why, as a clause.
    std::string error;
    // Only for a script that names the legacy program in a call.
    std::unique_ptr<ScriptMigration> migration;
};

// How many scripts were read and what became of their calls.
struct Tally {
    std::size_t files = 0;
    std::size_t calls = 0;
    std::size_t rewrite = 0;
    std::size_t review = 0;
    std::size_t manual = 0;
};

Tally CountOutcomes(const std::vector<ScriptOutcome>& outcomes);

// "N files, N calls: N rewrite, N review, N manual".
std::string SummaryLine(const Tally& tally);

// Walks `paths` for scripts (see CollectScripts; what cannot be walked goes to `errors`) and
// reads every script found, finding its calls, on all processor cores while the walk goes on;
// in the walk's order. `strict`: see ScriptMigration.
std::vector<ScriptOutcome> MigrateScripts(const std::vector<std::string>& paths, std::vector<std::string>& errors,
                                          const std::vector<std::string>& legacyNames, bool strict = false);

}  // namespace migrate
