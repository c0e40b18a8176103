#include "framework/OptionLookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"

namespace {

// A small table with both kinds of row, as the translators have them.
std::vector<OptionPair> TestTable() {
    return {{"-l", "--local"}, {"-L", "--latest"}, {"-m", "--machine-type"}, {"--xml", ""}};
}

TEST(OptionLookupTest, GetOptionName) {
    static const struct {
        std::string word;
        std::string name;
    } cases[] = {
        {"-l", "-l"},
        {"-l=dir", "-l=dir"},  // no "=" form for short options
        {"--local=C:\\x", "--local"},
        {"--local=a=b", "--local"},
        {"--local", "--local"},
        {"--=x", "--"},
        {"-", ""},
        {"value", ""},
        {"", ""},
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
        {{"-l", "C:\\x"}, "-l", "C:\\x"},
        {{"-l"}, "-l", ""},                          // the last word never has a value
        {{}, "-l", ""},
        {{"-l", "-m", "x"}, "-l", ""},
        {{"-l", "-m", "x"}, "-m", "x"},
        {{"-l", "a", "-l", "b"}, "-l", "a"},
        {{"-l", "-m", "x", "-l", "b"}, "-l", "b"},   // an occurrence without value is skipped
        {{"-l", "a=b"}, "-l", "a=b"},
        {{"-l", "x y"}, "-l", "x y"},
        {{"-l", ""}, "-l", ""},                      // an empty word is a value, an empty one
        {{"-m", "-5"}, "-m", ""},                    // no value can begin with a dash
        {{"-L", "x"}, "-l", ""},                     // case matters
        {{"--local=a", "--local=b"}, "--local", "a"},
        {{"--local", "--local=b"}, "--local", "b"},
        {{"--local=", "--local=b"}, "--local", ""},  // the first "=" ends the search, even empty
        {{"--local=a=b"}, "--local", "a=b"},
        {{"--localx=a"}, "--local", ""},
        {{"--local", "x"}, "--local", ""},           // a long option's value is never the next word
        {{"-", "x"}, "-", ""},
        {{"x"}, "", ""},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("up", row.words);
        EXPECT_EQ(OptionLookup(*parameters).GetOptionValue(row.name), row.value)
            << row.name << " in " << testing::PrintToString(row.words);
    }
}

TEST(OptionLookupTest, HasOptionGoesByNameAloneAndRejectsMalformedNames) {
    static const struct {
        std::vector<std::string> words;
        std::string first;
        std::string second;
        bool present;
        std::string output;
    } cases[] = {
        {{"-l"}, "-l", "--local", true, ""},
        {{"-l", "C:\\x"}, "-l", "--local", true, ""},
        {{"--local"}, "-l", "--local", true, ""},
        {{"--local=x"}, "-l", "--local", true, ""},
        {{"-L"}, "-l", "--local", false, ""},
        {{"-m", "x"}, "--xml", "", false, ""},  // a value word must not match the empty name
        {{"-"}, "--xml", "", false, ""},
        {{"-l"}, "", "--local", false, " The parameter1 should not be empty!\n"},
        {{"-l"}, "l", "--local", false, " The parameter should start with dash!\n"},
        {{"-l"}, "-l", "local", false, " The parameter2 should start with dash!\n"},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("up", row.words);
        const ConsoleCapture console;
        EXPECT_EQ(OptionLookup(*parameters).HasOption(row.first, row.second), row.present) << row.first;
        EXPECT_EQ(console.Text(), row.output) << row.first;
    }
}

TEST(OptionLookupTest, GetPairValuePrefersTheFirstNameAndWarnsWhenBothAreSet) {
    static const struct {
        std::vector<std::string> words;
        std::string first;
        std::string second;
        std::string value;
        std::string output;
    } cases[] = {
        {{"-l", "a"}, "-l", "--local", "a", ""},
        {{"--local=b"}, "-l", "--local", "b", ""},
        {{"-l", "--local=x"}, "-l", "--local", "x", ""},
        {{"-l", "a", "--local=b"}, "-l", "--local", "a",
         "Warning: Should not set \"-l\" and \"--local\" at the same time.\nUsing \"-l\" this time.\n"},
        {{"--xml"}, "--xml", "", "", ""},
        {{"-l", "a"}, "", "--local", "", " The parameter1 should not be empty!\n"},
        {{"-l", "a"}, "l", "--local", "", " The parameter1 should start with dash!\n"},
        {{"-l", "a"}, "-l", "local", "", " The parameter2 should start with dash!\n"},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("up", row.words);
        const ConsoleCapture console;
        EXPECT_EQ(OptionLookup(*parameters).GetPairValue(row.first, row.second), row.value) << row.first;
        EXPECT_EQ(console.Text(), row.output) << row.first;
    }
}

TEST(OptionLookupTest, IsSupportedOption) {
    const std::vector<OptionPair> table = TestTable();
    const std::vector<OptionPair> pairsOnly = {{"-l", "--local"}};
    EXPECT_TRUE(OptionLookup::IsSupportedOption("--local=C:\\x", table));
    EXPECT_FALSE(OptionLookup::IsSupportedOption("-l=dir", table));
    EXPECT_TRUE(OptionLookup::IsSupportedOption("-", table));  // matches the empty secondName
    EXPECT_FALSE(OptionLookup::IsSupportedOption("-", pairsOnly));
    EXPECT_FALSE(OptionLookup::IsSupportedOption("--", table));
    EXPECT_FALSE(OptionLookup::IsSupportedOption("-l", {}));
}

TEST(OptionLookupTest, CheckOptions) {
    static const struct {
        const char* name;
        std::vector<std::string> words;
        bool accepted;
        std::string output;
    } cases[] = {
        {"empty list", {}, true, ""},
        {"all supported", {"-l", "x", "--xml", "-L", "--latest"}, true, ""},
        {"unsupported has no line end", {"-l", "x", "--foo=bar"}, false, "The parameter: --foo is not supported!"},
        {"short option with equals", {"-l=dir"}, false, "The parameter: -l=dir is not supported!"},
        {"only the first is named", {"--foo", "-bar"}, false, "The parameter: --foo is not supported!"},
        {"double dash", {"--"}, false, "The parameter: -- is not supported!"},
        {"lone dash", {"-"}, true, ""},
        {"case matters", {"--Local=x"}, false, "The parameter: --Local is not supported!"},
        {"value words are not looked up", {"-m", "Q", "-l", "-Z"}, false, "The parameter: -Z is not supported!"},
        {"both forms with values", {"-l", "a", "--local=b"}, false,
         "Can not set \"-l\" and \"--local\" at the same time.\n"},
        {"unsupported beats conflict", {"-l", "a", "--local=b", "-Q"}, false, "The parameter: -Q is not supported!"},
        {"first row in table order", {"--machine-type=b", "-m", "a", "--local=y", "-l", "x"}, false,
         "Can not set \"-l\" and \"--local\" at the same time.\n"},
        {"two flags", {"-L", "--latest"}, true, ""},
        {"value in one form only", {"-l", "--local=b"}, true, ""},
    };
    const std::vector<OptionPair> table = TestTable();
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("up", row.words);
        const ConsoleCapture console;
        EXPECT_EQ(OptionLookup(*parameters).CheckOptions(table), row.accepted) << row.name;
        EXPECT_EQ(console.Text(), row.output) << row.name;
    }
}

}  // namespace
