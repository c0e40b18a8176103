#pragma once

#include <ostream>
#include <string>

#include "migrate/ScriptMigration.h"

namespace migrate {

// Writes one finding: "FILE:LINE:COLUMN: VERDICT: WHY", then the call's lines as they are and,
// for a rewrite, as they become, each indented by four spaces.
void WriteTextFinding(std::ostream& out, const std::string& file, const Finding& finding);

}  // namespace migrate
