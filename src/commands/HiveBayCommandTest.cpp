#include "commands/HiveBayCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TranslatorRun.h"

namespace {

const std::string kNeedAddress = "The parameter: --mm-address need specify. \n";

TEST(HiveBayCommandTest, Translate) {
    static const struct {
        const char* name;
        std::vector<std::string> words;
        std::string commandLine;  // without the closing output directory
    } cases[] = {
        {"no options: nothing but the output directory", {}, ""},
        {"scan", {"-s"}, "update scan"},
        {"scan long form", {"--scan"}, "update scan"},
        {"both scan forms once", {"-s", "--scan"}, "update scan"},
        {"scan value ignored", {"-s", "now"}, "update scan"},
        {"address alone, no command words", {"--mm-address=A"}, " --cmm :@A"},
        {"full connection, any order",
         {"--mm-password=pw", "-s", "--mm-user=U", "--mm-address=A"},
         "update scan --cmm U:pw@A"},
        {"empty parts kept", {"--mm-address=", "--mm-user=", "--mm-password"}, " --cmm :@"},
        {"space quotes the whole value", {"--mm-address=A", "--mm-user=John Doe"}, " --cmm \"John Doe:@A\""},
    };
    for (const auto& row : cases) {
        const TranslatorRun run = RunPrepare<HiveBayCommand>(row.words);
        EXPECT_TRUE(run.prepared) << row.name;
        EXPECT_EQ(run.commandLine, row.commandLine + kOutputSuffix) << row.name;
        EXPECT_EQ(run.output, "") << row.name;
    }
}

TEST(HiveBayCommandTest, UserOrPasswordWithoutAddressFails) {
    static const struct {
        std::vector<std::string> words;
        std::string partialLine;
    } cases[] = {
        {{"--mm-user=U"}, ""},
        {{"--mm-password=P"}, ""},
        {{"-s", "--mm-password=P", "--mm-user=U"}, "update scan"},
    };
    for (const auto& row : cases) {
        const TranslatorRun run = RunPrepare<HiveBayCommand>(row.words);
        EXPECT_FALSE(run.prepared) << row.partialLine;
        EXPECT_EQ(run.output, kNeedAddress);
        EXPECT_EQ(run.commandLine, row.partialLine);
    }
}

TEST(HiveBayCommandTest, RejectsOptionsOfOtherCommands) {
    const TranslatorRun run = RunPrepare<HiveBayCommand>({"-s", "-l", "x"});
    EXPECT_FALSE(run.prepared);
    EXPECT_EQ(run.output, "The parameter: -l is not supported!");
}

}  // namespace
