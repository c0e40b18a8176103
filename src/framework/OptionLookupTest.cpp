#include "framework/OptionLookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"

namespace {

TEST(OptionLookupTest, GetOptionName) {
    static const struct {
        std::string word;
        std::string name;
    } cases[] = {
        {"-l=dir", "-l=dir"},  // no "=" form for short options
        {"--local=a=b", "--local"}, {"--local", "--local"}, {"--=x", "--"}, {"-", ""}, {"value", ""}, {"", ""},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(OptionLookup::GetOptionName(row.word), row.name) << row.word;
    }
}

TEST(OptionLookupTest, GetOptionValueTakesTheFirstOccurrenceThatCarriesOne) {
    static const struct {
        std::vector<std::string> words;
        std::string name;
        std::string value;
    } cases[] = {
        {{"-l"}, "-l", ""},  // the last word never has a value
        {{"-l", "-m", "x"}, "-l", ""},
        {{"-l", "a", "-l", "b"}, "-l", "a"},
        {{"-l", "-m", "x", "-l", "b"}, "-l", "b"},  // an occurrence without value is skipped
        {{"-l", "a=b"}, "-l", "a=b"},
        {{"-l", ""}, "-l", ""},    // the empty word is the value, and it is empty
        {{"-m", "-5"}, "-m", ""},  // no value can begin with a dash
        {{"-L", "x"}, "-l", ""},
        {{"--local", "--local=b"}, "--local", "b"},
        {{"--local=", "--local=b"}, "--local", ""},  // the first "=" ends the search, even when empty
        {{"--local=a=b"}, "--local", "a=b"},
        {{"--localx=a"}, "--local", ""},
        {{"-", "x"}, "-", ""},
        {{"-", "a=b"}, "", ""},  // the empty name is neither short nor long: it never has a value
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("up", row.words);
        EXPECT_EQ(OptionLookup(*parameters).GetOptionValue(row.name), row.value)
            << row.name << " in " << testing::PrintToString(row.words);
    }
}

TEST(OptionLookupTest, PresenceAndPairValues) {
    const auto parameters = MakeParameters("up", {"-m", "x", "-l", "a", "--local=b", "-"});
    const OptionLookup options(*parameters);
    const ConsoleCapture console;
    EXPECT_TRUE(options.HasOption("-L", "--local"));
    EXPECT_FALSE(options.HasOption("--xml", ""));  // neither value words nor "-" match an empty name
    EXPECT_EQ(options.GetPairValue("-m", ""), "x");
    EXPECT_EQ(console.Text(), "");
    EXPECT_EQ(options.GetPairValue("-l", "--local"), "a");
    EXPECT_EQ(console.Text(), "Warning: Should not set \"-l\" and \"--local\" at the same time.\n"
                              "Using \"-l\" this time.\n");
}

TEST(OptionLookupTest, MalformedNamesAreReportedAndFindNothing) {
    static const struct {
        std::string first;
        std::string second;
        std::string hasOptionMessage;
        std::string pairValueMessage;
    } cases[] = {
        {"", "--local", " The parameter1 should not be empty!\n", " The parameter1 should not be empty!\n"},
        {"l", "--local", " The parameter should start with dash!\n", " The parameter1 should start with dash!\n"},
        {"-l", "local", " The parameter2 should start with dash!\n", " The parameter2 should start with dash!\n"},
    };
    const auto parameters = MakeParameters("up", {"-l", "a", "--local=b"});
    for (const auto& row : cases) {
        const OptionLookup options(*parameters);
        {
            const ConsoleCapture console;
            EXPECT_FALSE(options.HasOption(row.first, row.second));
            EXPECT_EQ(console.Text(), row.hasOptionMessage);
        }
        const ConsoleCapture console;
        EXPECT_EQ(options.GetPairValue(row.first, row.second), "");
        EXPECT_EQ(console.Text(), row.pairValueMessage);
    }
}

TEST(OptionLookupTest, CheckOptions) {
    static const struct {
        const char* name;
        std::vector<std::string> words;
        std::string output;  // empty when the list is accepted
    } cases[] = {
        {"all supported", {"-l", "x", "--xml", "-L", "--latest", "-"}, ""},
        {"no line end, option name only", {"-l", "x", "--foo=bar"}, "The parameter: --foo is not supported!"},
        {"short option with equals", {"-l=dir"}, "The parameter: -l=dir is not supported!"},
        {"only the first is named", {"--foo", "-bar"}, "The parameter: --foo is not supported!"},
        {"double dash", {"--"}, "The parameter: -- is not supported!"},
        {"case matters", {"--Local=x"}, "The parameter: --Local is not supported!"},
        {"both forms valued", {"-l", "a", "--local=b"}, "Can not set \"-l\" and \"--local\" at the same time.\n"},
        {"unsupported beats conflict", {"-l", "a", "--local=b", "-Q"}, "The parameter: -Q is not supported!"},
        {"first row in table order", {"--latest=b", "-L", "a", "--local=y", "-l", "x"},
         "Can not set \"-l\" and \"--local\" at the same time.\n"},
        {"value in one form only", {"-l", "--local=b"}, ""},
    };
    const std::vector<OptionPair> table = {{"-l", "--local"}, {"-L", "--latest"}, {"--xml", ""}};
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("up", row.words);
        const ConsoleCapture console;
        EXPECT_EQ(OptionLookup(*parameters).CheckOptions(table), row.output.empty()) << row.name;
        EXPECT_EQ(console.Text(), row.output) << row.name;
    }
    // A lone "-" passes only thanks to a single-form row.
    const std::vector<OptionPair> pairsOnly = {{"-l", "--local"}};
    EXPECT_FALSE(OptionLookup::IsSupportedOption("-", pairsOnly));
}

}  // namespace
