#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "migrate/ScriptMigration.h"

namespace migrate {

// Whether replacing `edits` (byte ranges of `text`) leaves cmd.exe's reading of the % signs
// around them as it was. cmd.exe pairs the % signs of each line from left to right (%%, %1,
// %~dp1, %name%) and drops a % it finds no partner for; the new text brings % signs of its own
// (%SYSTEMDRIVE%), which such a % before them would then pair with. So: on the lines the edits
// touch, no % before the end of the last edit may be left without a partner (one inside an edit
// would vanish, changing what another call on the line reads), and no pair may reach across an
// edit's edge.
bool PercentPairsStay(std::string_view text, const std::vector<Edit>& edits);

}  // namespace migrate
