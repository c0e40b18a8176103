#include "app/CommandDispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/LegacyArguments.h"
#include "support/ScopedEnvironment.h"

namespace {

TEST(CommandDispatchTest, KeywordsSelectTheirTranslator) {
    // A translator shows which one it is by the command words it writes; "--noinventory", known
    // to "update" alone, shows that an abbreviation still hands over the full command name.
    static const struct {
        std::string keyword;
        std::vector<std::string> words;
        std::string commandWords;
    } cases[] = {
        {"acquire", {}, "update acquire"},
        {"ac", {}, "update acquire"},
        {"compare", {}, "update compare"},
        {"co", {}, "update compare"},
        {"update", {"--noinventory"}, "update flash --noscan "},
        {"up", {"--noinventory"}, "update flash --noscan "},
        {"hivebay", {"-s"}, "update scan"},
        {"hb", {"-s"}, "update scan"},
    };
    const ScopedEnvironment drive("SYSTEMDRIVE", std::string("C:"));
    for (const auto& row : cases) {
        const auto parameters = MakeParameters(row.keyword, row.words);
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
