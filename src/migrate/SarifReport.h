#pragma once

#include <string>
#include <vector>

#include "migrate/ScriptRun.h"

namespace migrate {

// The scan as a SARIF 2.1.0 log: one rule per class (rewrite, review, manual), one result per
// call with its file, line and column, and for a rewrite the fix as replacements of the file's
// text. Columns count Unicode code points. Files that could not be read are tool notifications.
std::string SarifReport(const std::vector<ScriptOutcome>& outcomes, const std::vector<std::string>& errors,
                        const std::string& version);

}  // namespace migrate
