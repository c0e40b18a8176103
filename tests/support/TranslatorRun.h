#pragma once

#include <string>
#include <utility>
#include <vector>

#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"
#include "support/ScopedEnvironment.h"

// What one Prepare call produced.
struct TranslatorRun {
    bool prepared;
    std::string commandLine;
    std::string output;
};

// Prepares a `Command` for the legacy option words, with SYSTEMDRIVE set to C:. `extra` goes to
// the constructor after the Parameters.
template <typename Command, typename... Extra>
TranslatorRun RunPrepare(const std::vector<std::string>& words, Extra&&... extra) {
    const auto parameters = MakeParameters("keyword", words);
    Command command(*parameters, std::forward<Extra>(extra)...);
    const ScopedEnvironment drive("SYSTEMDRIVE", std::string("C:"));
    const ConsoleCapture console;
    const bool prepared = command.Prepare();
    return {prepared, command.GetCommandLine(), console.Text()};
}

// The closing element every successful run gets with SYSTEMDRIVE set to C:.
inline const std::string kOutputSuffix = " --output C:\\Vexadyn_Support\\";
