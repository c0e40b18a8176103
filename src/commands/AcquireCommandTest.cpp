#include "commands/AcquireCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TranslatorRun.h"

namespace {

const std::string kNeedProxyAddress = "The parameter: --proxy-address need specify. \n";

TEST(AcquireCommandTest, StepOrderAndScopes) {
    static const struct {
        const char* name;
        std::vector<std::string> words;
        std::string commandLine;  // without the closing output directory
    } cases[] = {
        {"no options", {}, "update acquire"},
        {"worked example", {"-m", "M1", "-o", "OS1", "--local=D:\\pkgs", "-L", "--xml"},
         "update acquire --dir D:\\pkgs --mt M1 --ostype OS1 --scope latest --xml"},
        {"every step, shuffled",
         {"--ignore-req", "--xml", "-r", "--proxy-address=P", "-L", "--meta-only", "-o", "O", "-m", "M", "-l", "D"},
         "update acquire --dir D --mt M --ostype O --metaonly --scope latest --report --xml --noreq --proxy :@P:"},
        {"ids replace machine type and os", {"-m", "M", "-o", "O", "-i", "I1,I2"},
         "update acquire --scope individual --includeid I1,I2"},
        {"ids hide an empty machine type", {"--id=I", "-m", "-o"}, "update acquire --scope individual --includeid I"},
        {"ids and latest: one scope, before metaonly", {"-L", "--meta-only", "-i", "I"},
         "update acquire --scope individual --metaonly --includeid I"},
        {"quoted directory", {"--local=D:\\my pkgs"}, "update acquire --dir \"D:\\my pkgs\""},
        {"report long form", {"--report"}, "update acquire --report"},
        {"ignored options leave no trace", {"--no-proxy=x", "-u", "now", "--unattended"}, "update acquire"},
    };
    for (const auto& row : cases) {
        const TranslatorRun run = RunPrepare<AcquireCommand>(row.words);
        EXPECT_TRUE(run.prepared) << row.name << "\n" << run.output;
        EXPECT_EQ(run.commandLine, row.commandLine + kOutputSuffix) << row.name;
        EXPECT_EQ(run.output, "") << row.name;
    }
}

TEST(AcquireCommandTest, Proxy) {
    static const struct {
        std::vector<std::string> words;
        std::string proxyValue;
    } cases[] = {
        {{"--proxy-address=P"}, ":@P:"},
        {{"--proxy-port=8080", "--proxy-password=pw", "--proxy-address=P", "--proxy-user=u"}, "u:pw@P:8080"},
        {{"--proxy-address", "--proxy-port=1"}, ":@:1"},
        {{"--proxy-address=P", "--proxy-user=John Doe"}, "\"John Doe:@P:\""},
    };
    for (const auto& row : cases) {
        const TranslatorRun run = RunPrepare<AcquireCommand>(row.words);
        EXPECT_TRUE(run.prepared) << row.proxyValue;
        EXPECT_EQ(run.commandLine, "update acquire --proxy " + row.proxyValue + kOutputSuffix);
    }
}

TEST(AcquireCommandTest, RulesReportOnlyTheFirstBreach) {
    static const struct {
        const char* name;
        std::vector<std::string> words;
        std::string output;
    } cases[] = {
        {"local empty", {"-l", "-L"}, "The parameter value of -l or --local can not be empty. \n"},
        {"machine type empty", {"-m", "-o", "O"}, "The parameter value of -m or --machine-type can not be empty. \n"},
        {"os empty", {"--os="}, "The parameter value of -o or --os can not be empty. \n"},
        {"metaonly with value", {"--meta-only=1"}, "The parameter --meta-only can not carry value. \n"},
        {"latest with value", {"-L", "x"}, "The parameter -L or --latest can not carry value. \n"},
        {"latest with value beside ids", {"-i", "I", "--latest=x"},
         "The parameter -L or --latest can not carry value. \n"},
        {"ids empty", {"-i"}, "The parameter value of -i or --id can not be empty. \n"},
        {"report with value", {"-r", "foo"}, "The parameter -r or --report can not carry value. \n"},
        {"xml with value", {"--xml=1"}, "The parameter --xml can not carry value. \n"},
        {"ignore-req with value beats proxy", {"--proxy-user=u", "--ignore-req=1"},
         "The parameter --ignore-req can not carry value. \n"},
        {"port without address", {"--proxy-port=1"}, kNeedProxyAddress},
        {"user without address", {"--proxy-user=u"}, kNeedProxyAddress},
        {"password without address", {"--proxy-password=p"}, kNeedProxyAddress},
        {"short and long id both valued", {"-i", "a", "--id=b"}, "Can not set \"-i\" and \"--id\" at the same time.\n"},
    };
    for (const auto& row : cases) {
        const TranslatorRun run = RunPrepare<AcquireCommand>(row.words);
        EXPECT_FALSE(run.prepared) << row.name;
        EXPECT_EQ(run.output, row.output) << row.name;
    }
}

}  // namespace
