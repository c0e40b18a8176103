#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "scripts/ScriptCall.h"

namespace migrate {

// kTask: a scheduled task's Arguments, which the Task Scheduler hands the program after expanding
// %NAME% references, with no other escaping.
enum class Dialect { kBatch, kPowerShell, kTask };

// What becomes of one call: rewritten, or left as it is for a human to review, or left because
// it cannot work as written (tolvex-legacy would refuse it, or it cannot be read).
enum class Verdict { kRewrite, kReview, kManual };

// "rewrite", "review" or "manual".
const char* VerdictName(Verdict verdict);

struct CallOutcome {
    Verdict verdict = Verdict::kManual;
    // Why, as a clause a user reads after "rewrite: ", "review: " or "manual: ".
    std::string why;
    // Rewrite only: the text for ScriptCall::name and for ScriptCall::arguments.
    std::string name;
    std::string arguments;
};

// The reason of a rewrite whose program's folder holds a space, as `clause` says ("the program's
// folder holds a space"): the one rewrite that changes what happens.
std::string SpacedFolderReason(const std::string& clause);

// Decides what becomes of `call`, translating its words with tolvex-legacy's own translators.
// A rewrite makes tolvex.exe receive the words tolvex-legacy would have passed it, whenever each
// variable holds one non-empty word that does not begin with a dash. `spacedVariables`: the
// batch variables known to hold a space (upper-case name, and the line that sets it so).
// `programText` is the text of call.program.
CallOutcome TranslateCall(const scripts::ScriptCall& call, Dialect dialect, const std::string& programText,
                          const std::map<std::string, std::size_t>& spacedVariables);

}  // namespace migrate
