#include "params/Parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"

namespace {

TEST(ParametersTest, WordClasses) {
    static const struct {
        std::string word;
        bool isShort, isLong, isValue;
    } cases[] = {
        {"-l", true, false, false}, {"-l=x", true, false, false}, {"--local=a,b", false, true, false},
        {"--", false, true, false}, {"---x", false, true, false}, {"-", false, false, false},
        {"", false, false, true},   {"x y", false, false, true},  {"\xE9", false, false, true},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(Parameters::IsShortOption(row.word), row.isShort) << row.word;
        EXPECT_EQ(Parameters::IsLongOption(row.word), row.isLong) << row.word;
        EXPECT_EQ(Parameters::IsValueWord(row.word), row.isValue) << row.word;
    }
}

TEST(ParametersTest, ConstructionKeepsEveryWordAsTyped) {
    const Parameters none(1, LegacyArguments({}).Vector());
    EXPECT_EQ(none.GetCommand(), "");
    EXPECT_TRUE(none.GetOptionList().empty());

    const std::vector<std::string> words = {"-l", "", "--local=a=b,c", "\"q\"", "x y", "-L"};
    const auto full = MakeParameters("Up", words);
    EXPECT_EQ(full->GetCommand(), "Up");
    EXPECT_EQ(full->GetOptionList(), words);
}

TEST(ParametersTest, CheckSyntax) {
    const std::string header = "The command parameters are not vaild!\n";
    const std::string firstWord = header + "The first paramater should start with - or --.\n";
    const std::string longRule = header + "If the parameter starts with --, the next parameter should start with - or --.\n";
    const std::string shortRule = header +
        "If the parameter starts with -, at least one of the next two parameters should start with - or --.\n";
    const struct {
        const char* name;
        std::vector<std::string> words;
        std::string output;  // empty when the list is well formed
    } cases[] = {
        {"empty list", {}, ""},
        {"lone dash first", {"-"}, ""},
        {"stray value word", {"stray"}, firstWord},
        {"empty first word", {""}, firstWord},
        {"long option last", {"-l", "x", "--xml"}, ""},
        {"long option then value", {"--local=x", "y"}, longRule},
        {"long option then empty word", {"-L", "--xml", ""}, longRule},
        {"long option then lone dash", {"--xml", "-"}, ""},
        {"short option, one value, option", {"-m", "a", "-o", "b"}, ""},
        {"short option, two values", {"-m", "a", "b"}, shortRule},
        {"short option, value, empty word", {"-m", "a", ""}, shortRule},
        {"short option, value, lone dash", {"-m", "a", "-"}, ""},
        {"lone dash is not a short option", {"-", "a", "b"}, ""},
        {"long rule wins over an earlier short breach", {"-m", "a", "b", "--x=1", "c"}, longRule},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("up", row.words);
        const ConsoleCapture console;
        EXPECT_EQ(parameters->CheckSyntax(), row.output.empty()) << row.name;
        EXPECT_EQ(console.Text(), row.output) << row.name;
    }
}

}  // namespace
