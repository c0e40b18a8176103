#include "migrate/ScriptRun.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "migrate/System.h"

namespace migrate {

Tally CountOutcomes(const std::vector<ScriptOutcome>& outcomes) {
    Tally tally;
    for (const ScriptOutcome& outcome : outcomes) {
        tally.files += outcome.error.empty() ? 1 : 0;
        if (!outcome.migration) {
            continue;
        }
        for (const Finding& finding : outcome.migration->Findings()) {
            ++tally.calls;
            tally.rewrite += finding.verdict == Verdict::kRewrite ? 1 : 0;
            tally.review += finding.verdict == Verdict::kReview ? 1 : 0;
            tally.manual += finding.verdict == Verdict::kManual ? 1 : 0;
        }
    }
    return tally;
}

std::string SummaryLine(const Tally& tally) {
    return std::to_string(tally.files) + " files, " + std::to_string(tally.calls) + " calls: " +
           std::to_string(tally.rewrite) + " rewrite, " + std::to_string(tally.review) + " review, " +
           std::to_string(tally.manual) + " manual";
}

std::vector<ScriptOutcome> MigrateScripts(const std::vector<ScriptPath>& scripts,
                                          const std::vector<std::string>& legacyNames, bool strict) {
    std::vector<ScriptOutcome> outcomes(scripts.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&]() {
        std::string bytes;
        for (std::size_t i = next++; i < scripts.size(); i = next++) {
            ScriptOutcome& outcome = outcomes[i];
            outcome.script = scripts[i];
            if (!ReadWholeFile(scripts[i].path, kMaxScriptBytes, bytes, outcome.error)) {
                continue;
            }
            auto migration = std::make_unique<ScriptMigration>(std::move(bytes), scripts[i].batch, legacyNames, strict);
            if (!migration->Problem().empty()) {
                outcome.error = migration->Problem();
            } else if (!migration->Findings().empty()) {
                outcome.migration = std::move(migration);
            }
            bytes.clear();
        }
    };
    const unsigned threads = std::max(1U, std::min(std::thread::hardware_concurrency(), 8U));
    std::vector<std::thread> workers;
    for (unsigned i = 1; i < threads; ++i) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    return outcomes;
}

}  // namespace migrate
