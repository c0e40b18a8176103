#pragma once

#include <string>
#include <vector>

#include "migrate/ScriptMigration.h"

namespace migrate {

// The unified diff ("--- a/NAME", "+++ b/NAME", hunks with three lines of context) that turns
// `text` into `text` with `changes` made. Lines keep every byte but the LF that ends them, so
// `patch -p1` applies it to a file in the same encoding as `text`.
std::string UnifiedDiff(const std::string& name, const std::string& text, const std::vector<Change>& changes);

}  // namespace migrate
