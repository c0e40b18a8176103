#pragma once

#include <string>
#include <vector>

#include "migrate/ScriptRun.h"

namespace migrate {

// The scan as one JSON document: every call with its file, line, column, class, why, old lines
// and (rewrite only) new lines; the files that could not be read; the summary counts. Bytes
// that are not UTF-8 are shown as U+FFFD.
std::string JsonReport(const std::vector<ScriptOutcome>& outcomes, const std::vector<std::string>& errors);

}  // namespace migrate
