#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"
#include "support/ScopedEnvironment.h"

// The closing element every successful run gets with SYSTEMDRIVE set to C:.
inline const std::string kOutputSuffix = " --output C:\\Vexadyn_Support\\";

// One Prepare call of a translator: the legacy option words, the command line expected before
// the closing output directory (nullptr when Prepare must fail), and the exact console output.
struct TranslatorCase {
    const char* name;
    std::vector<std::string> words;
    const char* commandLine;
    std::string output;
};

// Prepares a `Command` for the row's words with SYSTEMDRIVE set to C: and checks the result.
// `extra` goes to the constructor after the Parameters.
template <typename Command, typename... Extra>
void ExpectPrepare(const TranslatorCase& row, Extra&&... extra) {
    const auto parameters = MakeParameters("keyword", row.words);
    Command command(*parameters, std::forward<Extra>(extra)...);
    const ScopedEnvironment drive("SYSTEMDRIVE", std::string("C:"));
    const ConsoleCapture console;
    const bool prepared = command.Prepare();
    EXPECT_EQ(prepared, row.commandLine != nullptr) << row.name;
    if (prepared && row.commandLine != nullptr) {
        EXPECT_EQ(command.GetCommandLine(), row.commandLine + kOutputSuffix) << row.name;
    }
    EXPECT_EQ(console.Text(), row.output) << row.name;
}
