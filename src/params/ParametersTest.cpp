#include "params/Parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"

namespace {

const std::string kHeader = "The command parameters are not vaild!\n";
const std::string kFirstWord = kHeader + "The first paramater should start with - or --.\n";
const std::string kLongThenValue =
    kHeader + "If the parameter starts with --, the next parameter should start with - or --.\n";
const std::string kShortThenTwoValues =
    kHeader +
    "If the parameter starts with -, at least one of the next two parameters should start with - or --.\n";

TEST(ParametersTest, WordClasses) {
    static const struct {
        std::string word;
        bool isShort;
        bool isLong;
        bool isValue;
    } cases[] = {
        {"-l", true, false, false},
        {"-l=x", true, false, false},   // "=" does not make a short option long
        {"-L", true, false, false},
        {"--local", false, true, false},
        {"--local=a,b", false, true, false},
        {"--", false, true, false},
        {"---x", false, true, false},
        {"-", false, false, false},     // an option word of no kind
        {"", false, false, true},       // the empty word is a value word
        {"value", false, false, true},
        {"C:\\dir with space", false, false, true},
        {"\xE9t\xE9", false, false, true},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(Parameters::IsShortOption(row.word), row.isShort) << row.word;
        EXPECT_EQ(Parameters::IsLongOption(row.word), row.isLong) << row.word;
        EXPECT_EQ(Parameters::IsValueWord(row.word), row.isValue) << row.word;
    }
}

TEST(ParametersTest, ConstructionKeepsEveryWordAsTyped) {
    LegacyArguments programOnly({});
    const Parameters none(programOnly.Count(), programOnly.Vector());
    EXPECT_EQ(none.GetCommand(), "");
    EXPECT_TRUE(none.GetOptionList().empty());

    const Parameters zeroCount(0, nullptr);
    EXPECT_EQ(zeroCount.GetCommand(), "");

    const auto keywordOnly = MakeParameters("ACQUIRE", {});
    EXPECT_EQ(keywordOnly->GetCommand(), "ACQUIRE");
    EXPECT_TRUE(keywordOnly->GetOptionList().empty());

    const std::vector<std::string> words = {"-l", "", "--local=a=b,c", "\"q\"", "x y", "-L"};
    const auto full = MakeParameters("up", words);
    EXPECT_EQ(full->GetCommand(), "up");
    EXPECT_EQ(full->GetOptionList(), words);
}

TEST(ParametersTest, CheckSyntax) {
    static const struct {
        const char* name;
        std::vector<std::string> words;
        std::string output;  // empty when the list is well formed
    } cases[] = {
        {"empty list", {}, ""},
        {"lone dash first", {"-"}, ""},
        {"stray value word", {"stray"}, kFirstWord},
        {"empty first word", {""}, kFirstWord},
        {"long option last", {"-l", "x", "--xml"}, ""},
        {"long option then value", {"--local=x", "y"}, kLongThenValue},
        {"long option then empty word", {"-L", "--xml", ""}, kLongThenValue},
        {"long option then lone dash", {"--xml", "-"}, ""},
        {"short option, one value, option", {"-m", "a", "-o", "b"}, ""},
        {"short option, one value at end", {"-L", "-m", "a"}, ""},
        {"two words only", {"-m", "a"}, ""},
        {"short option, two values", {"-m", "a", "b"}, kShortThenTwoValues},
        {"short option, value, empty word", {"-m", "a", ""}, kShortThenTwoValues},
        {"short option, value, lone dash", {"-m", "a", "-"}, ""},
        {"lone dash is not a short option", {"-", "a", "b"}, ""},
        {"short option with equals", {"-l=x", "a", "b"}, kShortThenTwoValues},
        {"long rule wins over earlier short breach", {"-m", "a", "b", "--x=1", "c"}, kLongThenValue},
        {"unknown names pass", {"--whatever", "-Z", "v"}, ""},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("up", row.words);
        const ConsoleCapture console;
        EXPECT_EQ(parameters->CheckSyntax(), row.output.empty()) << row.name;
        EXPECT_EQ(console.Text(), row.output) << row.name;
    }
}

}  // namespace
