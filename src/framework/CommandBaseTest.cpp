#include "framework/CommandBase.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"
#include "support/ScopedEnvironment.h"
#include "support/TranslatorRun.h"

namespace {

// A translator with an injected table whose Translate runs one value and one flag rule, so the
// framework can be driven without any real translator.
class FakeCommand final : public CommandBase {
public:
    explicit FakeCommand(const Parameters& parameters) : CommandBase(parameters) {}

    using CommandBase::AppendArgument;
    using CommandBase::AppendOption;
    using CommandBase::ExtractKeyValue;
    using CommandBase::TranslateFlagOption;
    using CommandBase::TranslateValueOption;

    int translateCalls = 0;

protected:
    void InitOptionTable() override {
        AppendOptionRow("-l", "--local");
        AppendOptionRow("-r", "--report");
        AppendOptionRow("--xml", "");
        AppendOptionRow("--vmware-esxi", "");
    }
    bool Translate() override {
        ++translateCalls;
        SetCommandLine("fake");
        return TranslateValueOption("-l", "--local", "--dir") && TranslateFlagOption("-r", "--report", "--report");
    }
};

TEST(CommandBaseTest, PrepareRunsTheStagesInOrderAndClosesWithTheOutputDirectory) {
    static const struct {
        const char* name;
        std::vector<std::string> words;
        bool prepared;
        int translateCalls;
        std::string commandLine;
        std::string output;
    } cases[] = {
        {"no options", {}, true, 1, "fake" + kOutputSuffix, ""},
        {"translated", {"-r", "--local=C:\\a b"}, true, 1, "fake --dir \"C:\\a b\" --report" + kOutputSuffix, ""},
        {"option check fails first", {"-l", "", "-Q"}, false, 0, "", "The parameter: -Q is not supported!"},
        {"conflict stops before Translate", {"-l", "a", "--local=b"}, false, 0, "",
         "Can not set \"-l\" and \"--local\" at the same time.\n"},
        {"failing Translate gets no output directory", {"-l"}, false, 1, "fake",
         "The parameter value of -l or --local can not be empty. \n"},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("x", row.words);
        FakeCommand command(*parameters);
        const ScopedEnvironment drive("SYSTEMDRIVE", std::string("C:"));
        const ConsoleCapture console;
        EXPECT_EQ(command.Prepare(), row.prepared) << row.name;
        EXPECT_EQ(command.translateCalls, row.translateCalls) << row.name;
        EXPECT_EQ(command.GetCommandLine(), row.commandLine) << row.name;
        EXPECT_EQ(console.Text(), row.output) << row.name;
    }
}

TEST(CommandBaseTest, OutputDirectoryFollowsSystemDrive) {
    static const struct {
        std::optional<std::string> systemDrive;
        std::string suffix;
    } cases[] = {
        {std::string("D:"), " --output D:\\Vexadyn_Support\\"},
        {std::nullopt, " --output C:\\Vexadyn_Support\\"},  // unset: the usual system drive
#ifndef _WIN32
        // The Windows C runtime cannot hold an empty variable; POSIX can.
        {std::string(""), " --output \\Vexadyn_Support\\"},
#endif
        {std::string("My Drive:"), " --output \"My Drive:\\Vexadyn_Support\\\""},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("x", {});
        FakeCommand command(*parameters);
        const ScopedEnvironment drive("SYSTEMDRIVE", row.systemDrive);
        ASSERT_TRUE(command.Prepare()) << row.suffix;
        EXPECT_EQ(command.GetCommandLine(), "fake" + row.suffix);
    }
}

TEST(CommandBaseTest, AppendOptionQuotesOnlyValuesWithASpace) {
    static const struct {
        std::string value;
        std::string appended;
    } cases[] = {
        {"C:\\fw", " --dir C:\\fw"},
        {"C:\\my fw", " --dir \"C:\\my fw\""},
        {"a\tb", " --dir a\tb"},
        {"say \"hi\"", " --dir \"say \"hi\"\""},
        {"", " --dir "},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("x", {});
        FakeCommand command(*parameters);
        command.AppendOption("--dir", row.value);
        EXPECT_EQ(command.GetCommandLine(), row.appended) << row.value;
    }
    const auto parameters = MakeParameters("x", {});
    FakeCommand command(*parameters);
    command.AppendArgument("--xml");
    command.AppendArgument("--noscan ");
    EXPECT_EQ(command.GetCommandLine(), " --xml --noscan ");
}

TEST(CommandBaseTest, ValueAndFlagRules) {
    static const struct {
        const char* name;
        std::vector<std::string> words;
        bool flag;  // TranslateFlagOption, else TranslateValueOption
        std::string first;
        std::string second;
        bool result;
        std::string commandLine;
        std::string output;
    } cases[] = {
        {"value absent", {"-r"}, false, "-l", "--local", true, "", ""},
        {"value short", {"-l", "x"}, false, "-l", "--local", true, " --new x", ""},
        {"value long", {"--local=x"}, false, "-l", "--local", true, " --new x", ""},
        {"value missing at end", {"-r", "-l"}, false, "-l", "--local", false, "",
         "The parameter value of -l or --local can not be empty. \n"},
        {"value empty after equals", {"--local="}, false, "-l", "--local", false, "",
         "The parameter value of -l or --local can not be empty. \n"},
        {"value single form", {"--vmware-esxi"}, false, "--vmware-esxi", "", false, "",
         "The parameter value of --vmware-esxi can not be empty. \n"},
        {"flag bare short", {"-r"}, true, "-r", "--report", true, " --new", ""},
        {"flag bare long", {"--report"}, true, "-r", "--report", true, " --new", ""},
        {"flag with value word", {"-r", "foo"}, true, "-r", "--report", false, "",
         "The parameter -r or --report can not carry value. \n"},
        {"flag with equals", {"--report=1"}, true, "-r", "--report", false, "",
         "The parameter -r or --report can not carry value. \n"},
        {"flag single form", {"--xml=1"}, true, "--xml", "", false, "", "The parameter --xml can not carry value. \n"},
        {"flag pair outside table, both valued", {"-x", "1", "--ex=2"}, true, "-x", "--ex", false, "",
         "Warning: Should not set \"-x\" and \"--ex\" at the same time.\nUsing \"-x\" this time.\n"
         "The parameter -x or --ex can not carry value. \n"},
        {"malformed name counts as absent", {"-l", "x"}, false, "l", "--local", true, "",
         " The parameter should start with dash!\n"},
    };
    for (const auto& row : cases) {
        const auto parameters = MakeParameters("x", row.words);
        FakeCommand command(*parameters);
        const ConsoleCapture console;
        const bool result = row.flag ? command.TranslateFlagOption(row.first, row.second, "--new")
                                     : command.TranslateValueOption(row.first, row.second, "--new");
        EXPECT_EQ(result, row.result) << row.name;
        EXPECT_EQ(command.GetCommandLine(), row.commandLine) << row.name;
        EXPECT_EQ(console.Text(), row.output) << row.name;
    }
}

TEST(CommandBaseTest, ExtractKeyValueCutsAtSpaceThenComma) {
    static const struct {
        std::string text;
        std::string value;
    } cases[] = {
        {"--user=ops,x", "ops"},
        {"a --user=ops b", "ops"},
        {"--user=a,b c", "a"},
        {"--user=a b,c", "a"},
        {"--user=", ""},
        {"--user= ops", ""},
        {"--password=p", ""},
        {"--user=first --user=second", "first"},
        {"x--user=glued", "glued"},  // a substring match, not a word match
    };
    for (const auto& row : cases) {
        EXPECT_EQ(FakeCommand::ExtractKeyValue(row.text, "--user="), row.value) << row.text;
    }
}

}  // namespace
