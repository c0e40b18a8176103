#include "app/LegacyMain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"

namespace {

// Runs that end before anything is launched (the end-to-end suite covers the keyword messages).
TEST(LegacyMainTest, RejectedCommandLines) {
    static const struct {
        const char* name;
        std::vector<std::string> words;
        std::string output;
    } cases[] = {
        {"empty keyword", {""}, "Please specify the command!\n"},
        {"keyword with space", {"hb -s"}, "The command: hb -s is not supported.\n"},
        {"syntax before keyword", {"nope", "stray"},
         "The command parameters are not vaild!\nThe first paramater should start with - or --.\n"},
        {"unsupported option", {"hb", "-x"}, "The parameter: -x is not supported!"},
        {"translator failure", {"hb", "--mm-user=u"}, "The parameter: --mm-address need specify. \n"},
    };
    for (const auto& row : cases) {
        LegacyArguments arguments(row.words);
        const ConsoleCapture console;
        EXPECT_EQ(RunLegacyMain(arguments.Count(), arguments.Vector()), 1) << row.name;
        EXPECT_EQ(console.Text(), row.output) << row.name;
        EXPECT_EQ(arguments.Texts()[0], "tolvex-legacy") << row.name;
        for (std::size_t i = 1; i < row.words.size() + 1; ++i) {
            EXPECT_EQ(arguments.Texts()[i], std::string(row.words[i - 1].size(), ' ')) << row.name;
        }
    }
}

TEST(LegacyMainTest, ManyArgumentsAreAllHonoured) {
    // Past the old table's 50 entries: the last word must still be seen, here as unsupported.
    std::vector<std::string> words = {"hb"};
    for (int i = 0; i < 998; ++i) {
        words.emplace_back("-s");
    }
    words.emplace_back("--last");
    LegacyArguments arguments(words);
    const ConsoleCapture console;
    EXPECT_EQ(RunLegacyMain(arguments.Count(), arguments.Vector()), 1);
    EXPECT_EQ(console.Text(), "The parameter: --last is not supported!");
}

}  // namespace
