#pragma once

#include <string>
#include <vector>

#include "migrate/BatchFacts.h"
#include "scripts/ScriptCall.h"

namespace migrate {

// What the file shows of the values a batch call's variables hold when it runs.
struct ValueFindings {
    // Set when the file shows a value, or a way of making one, that the rewrite would pass on
    // differently: why, as a clause.
    std::string review;
    // What must hold of values only the running system knows for the rewrite to be exact, each a
    // clause after "exact if" ("%1 holds one word without a space, ...").
    std::vector<std::string> assumptions;
    // Set when the quoted program's folder comes from a variable that holds a space: the clause
    // that says so, for the rewrite's reason.
    std::string spacedFolder;
};

// Checks every variable of `call` (and of its program's folder, `programText`) against the
// assignments, loops, subroutine calls, SYSTEMDRIVE and delayed expansion seen in `facts`.
ValueFindings CheckBatchValues(const scripts::ScriptCall& call, const std::string& programText,
                               const BatchFacts& facts);

}  // namespace migrate
