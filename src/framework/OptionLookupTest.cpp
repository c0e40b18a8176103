#include "framework/OptionLookup.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

const char* const kWords[] = {"tolvex-legacy", "up", "-l", "a", "--local=b", "-x", "1", "--ex=2"};

// The translators never ask for a malformed name, nor for a pair outside their table, so no
// command line reaches these answers; they are kept as the old tool gave them.
TEST(OptionLookupTest, AnswersNoTranslatorAsks) {
    const Parameters parameters(8, kWords);
    static const struct {
        const char* first;
        const char* second;
        const char* hasOption;
        const char* pairValue;
    } cases[] = {
        {"", "--local", " The parameter1 should not be empty!\n", " The parameter1 should not be empty!\n"},
        {"l", "--local", " The parameter should start with dash!\n", " The parameter1 should start with dash!\n"},
        {"-l", "local", " The parameter2 should start with dash!\n", " The parameter2 should start with dash!\n"},
    };
    for (const auto& row : cases) {
        std::ostringstream has;
        std::ostringstream value;
        EXPECT_FALSE(OptionLookup(parameters, has).HasOption(row.first, row.second)) << row.first;
        EXPECT_EQ(OptionLookup(parameters, value).GetPairValue(row.first, row.second), "") << row.first;
        EXPECT_EQ(has.str(), row.hasOption) << row.first;
        EXPECT_EQ(value.str(), row.pairValue) << row.first;
    }
    std::ostringstream console;
    EXPECT_EQ(OptionLookup(parameters, console).GetPairValue("-x", "--ex"), "1");
    EXPECT_EQ(console.str(), "Warning: Should not set \"-x\" and \"--ex\" at the same time.\nUsing \"-x\" this time.\n");
}

}  // namespace
