#include "migrate/ScriptRun.h"

#include <algorithm>
#include <thread>

#include "migrate/NameSearch.h"
#include "migrate/ScriptQueue.h"
#include "migrate/System.h"
#include "migrate/TaskMigration.h"
#include "scripts/TaskFileReader.h"

namespace migrate {

Tally CountOutcomes(const std::vector<ScriptOutcome>& outcomes) {
    Tally tally;
    for (const ScriptOutcome& outcome : outcomes) {
        tally.files += outcome.error.empty() && !outcome.passedOver ? 1 : 0;
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

namespace {

// Reads the file of `outcome.script` into `outcome`; `bytes` is the thread's buffer, reused from
// file to file.
void ReadScript(const std::vector<std::string>& legacyNames, bool strict, std::string& bytes, ScriptOutcome& outcome) {
    const ScriptPath& script = outcome.script;
    const bool mayPassOver = script.check == ContentCheck::kTaskOrSkip;
    if (!ReadWholeFile(script.path, mayPassOver ? kMaxTaskBytes : kMaxScriptBytes, bytes, outcome.error)) {
        // A file that may be no task at all is no failure of the scan.
        outcome.passedOver = mayPassOver;
        outcome.error = mayPassOver ? std::string() : outcome.error;
        return;
    }
    ScriptKind kind = script.kind;
    if (script.check != ContentCheck::kNone) {
        const bool task = scripts::LooksLikeTaskFile(bytes);
        kind = task ? ScriptKind::kTask : ScriptKind::kBatch;
        if (!task && mayPassOver) {
            outcome.passedOver = true;
            return;
        }
    }
    // Nearly every file ends here, after one look at its bytes and no copy of them (and in
    // PowerShell, one look for a backtick). Bytes that need no reading hold no name.
    if (!NeedsReading(bytes, legacyNames) &&
        !(kind == ScriptKind::kPowerShell && NamedThroughBackticks(bytes, legacyNames))) {
        return;
    }
    auto migration = std::make_unique<ScriptMigration>(std::move(bytes), kind, legacyNames,
                                                       kind == ScriptKind::kTask ? TaskNameFromPath(PathFromUtf8(script.path))
                                                                                 : std::string(),
                                                       strict);
    bytes.clear();
    if (!migration->Problem().empty()) {
        outcome.error = migration->Problem();
    } else if (!migration->Findings().empty()) {
        outcome.migration = std::move(migration);
    }
}

}  // namespace

std::vector<ScriptOutcome> MigrateScripts(const std::vector<std::string>& paths, std::vector<std::string>& errors,
                                          const std::vector<std::string>& legacyNames, bool strict) {
    ScriptQueue queue;
    const auto work = [&]() {
        std::string bytes;
        for (ScriptOutcome* outcome = queue.Next(); outcome != nullptr; outcome = queue.Next()) {
            ReadScript(legacyNames, strict, bytes, *outcome);
        }
    };
    // The other threads read while this one walks, then this one reads too.
    const unsigned threads = std::max(1U, std::min(std::thread::hardware_concurrency(), 8U));
    std::vector<std::thread> workers;
    for (unsigned i = 1; i < threads; ++i) {
        workers.emplace_back(work);
    }
    const auto finish = [&queue, &workers]() {
        queue.Close();
        for (std::thread& worker : workers) {
            worker.join();
        }
    };
    try {
        CollectScripts(paths, errors, [&queue](ScriptPath script) { queue.Push(std::move(script)); });
    } catch (...) {
        // The readers wait for the walk: end it for them before the error goes on.
        finish();
        throw;
    }
    queue.Close();
    work();
    finish();
    return queue.TakeOutcomes();
}

}  // namespace migrate
