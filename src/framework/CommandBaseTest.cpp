#include "framework/CommandBase.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/TranslatorRun.h"

namespace {

// A translator with a small injected table whose Translate runs one value and one flag rule.
class FakeCommand final : public CommandBase {
public:
    explicit FakeCommand(const Parameters& parameters) : CommandBase(parameters) {}

    using CommandBase::AppendArgument;
    using CommandBase::AppendOption;
    using CommandBase::ExtractKeyValue;
    using CommandBase::TranslateFlagOption;

    int translateCalls = 0;

protected:
    void InitOptionTable() override {
        AppendOptionRow("-l", "--local");
        AppendOptionRow("-r", "--report");
        AppendOptionRow("--xml", "");
    }
    bool Translate() override {
        ++translateCalls;
        SetCommandLine("fake");
        return TranslateValueOption("-l", "--local", "--dir") && TranslateFlagOption("-r", "--report", "--report");
    }
};

TEST(CommandBaseTest, PrepareRunsTheStagesInOrder) {
    static const TranslatorCase cases[] = {
        {"translated, output directory last", {"-r", "--local=C:\\a"}, "fake --dir C:\\a --report", ""},
        {"option check stops before Translate", {"-l", "x", "-Q"}, nullptr, "The parameter: -Q is not supported!"},
        {"so does a conflict", {"-l", "a", "--local=b"}, nullptr, "Can not set \"-l\" and \"--local\" at the same time.\n"},
        {"failing Translate", {"-l"}, nullptr, "The parameter value of -l or --local can not be empty. \n"},
    };
    for (const TranslatorCase& row : cases) {
        ExpectPrepare<FakeCommand>(row);
    }
    // Translate never runs after a failed option check, so nothing at all is written.
    const auto parameters = MakeParameters("x", {"-Q"});
    FakeCommand command(*parameters);
    const ConsoleCapture quiet;
    EXPECT_FALSE(command.Prepare());
    EXPECT_EQ(command.translateCalls, 0);
    EXPECT_EQ(command.GetCommandLine(), "");
}

TEST(CommandBaseTest, OutputDirectoryFollowsSystemDrive) {
    static const struct {
        std::optional<std::string> systemDrive;
        std::string line;
    } cases[] = {
        {std::string("D:"), "fake --output D:\\Vexadyn_Support\\"},
        {std::nullopt, "fake --output C:\\Vexadyn_Support\\"},
#ifndef _WIN32  // the Windows C runtime cannot hold an empty variable
        {std::string(""), "fake --output \\Vexadyn_Support\\"},
#endif
        {std::string("My Drive:"), "fake --output \"My Drive:\\Vexadyn_Support\\\""},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("x", {});
        FakeCommand command(*parameters);
        const ScopedEnvironment drive("SYSTEMDRIVE", row.systemDrive);
        ASSERT_TRUE(command.Prepare());
        EXPECT_EQ(command.GetCommandLine(), row.line);
    }
}

TEST(CommandBaseTest, AppendQuotesOnlyValuesWithASpace) {
    const auto parameters = MakeParameters("x", {});
    FakeCommand command(*parameters);
    for (const char* value : {"C:\\fw", "C:\\my fw", "a\tb", "say \"hi\"", ""}) {
        command.AppendOption("-o", value);
    }
    command.AppendArgument("--noscan ");
    EXPECT_EQ(command.GetCommandLine(), " -o C:\\fw -o \"C:\\my fw\" -o a\tb -o \"say \"hi\"\" -o  --noscan ");
}

// Paths the translators never take: a pair outside the table with both names valued, and a
// malformed name.
TEST(CommandBaseTest, FlagRuleOutsideTheTable) {
    const auto parameters = MakeParameters("x", {"-x", "1", "--ex=2", "-l"});
    FakeCommand command(*parameters);
    const ConsoleCapture console;
    EXPECT_FALSE(command.TranslateFlagOption("-x", "--ex", "--new"));
    EXPECT_TRUE(command.TranslateFlagOption("l", "--local", "--new"));
    EXPECT_EQ(command.GetCommandLine(), "");
    EXPECT_EQ(console.Text(),
              "Warning: Should not set \"-x\" and \"--ex\" at the same time.\nUsing \"-x\" this time.\n"
              "The parameter -x or --ex can not carry value. \n"
              " The parameter should start with dash!\n");
}

TEST(CommandBaseTest, ExtractKeyValueCutsAtSpaceThenComma) {
    static const struct {
        std::string text;
        std::string value;
    } cases[] = {
        {"--user=ops,x", "ops"}, {"a --user=ops b", "ops"}, {"--user=a b,c", "a"},
        {"--user=", ""},         {"--user= ops", ""},       {"--password=p", ""},
        {"x--user=glued", "glued"},  // a substring, not a word
    };
    for (const auto& row : cases) {
        EXPECT_EQ(FakeCommand::ExtractKeyValue(row.text, "--user="), row.value) << row.text;
    }
}

}  // namespace
