#include "app/CommandDispatch.h"

#include <gtest/gtest.h>

#include <string>

#include "support/LegacyArguments.h"
#include "support/ScopedEnvironment.h"

namespace {

TEST(CommandDispatchTest, KeywordsSelectTheirTranslator) {
    // A translator shows which one it is by the command words it writes for an empty option list.
    static const struct {
        std::string keyword;
        std::string commandWords;
    } cases[] = {
        {"acquire", "update acquire"}, {"ac", "update acquire"},
        {"compare", "update compare"}, {"co", "update compare"},
        {"update", "update flash"},    {"up", "update flash"},
        {"hivebay", ""},               {"hb", ""},
    };
    const ScopedEnvironment drive("SYSTEMDRIVE", std::string("C:"));
    for (const auto& row : cases) {
        const auto parameters = MakeParameters(row.keyword, {});
        const auto command = CreateCommand(row.keyword, *parameters);
        ASSERT_NE(command, nullptr) << row.keyword;
        ASSERT_TRUE(command->Prepare()) << row.keyword;
        EXPECT_EQ(command->GetCommandLine(), row.commandWords + " --output C:\\Vexadyn_Support\\") << row.keyword;
    }
}

TEST(CommandDispatchTest, OnlyExactKeywordsMatch) {
    for (const std::string keyword : {"", "ACQUIRE", "Acquire", "acq", "a", "hb ", " hb", "updates", "-s"}) {
        const auto parameters = MakeParameters(keyword, {});
        EXPECT_EQ(CreateCommand(keyword, *parameters), nullptr) << "[" << keyword << "]";
    }
}

}  // namespace
