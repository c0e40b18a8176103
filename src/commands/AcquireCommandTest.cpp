#include "commands/AcquireCommand.h"

#include <gtest/gtest.h>

#include "support/TranslatorRun.h"

namespace {

const char kNeedProxy[] = "The parameter: --proxy-address need specify. \n";

TEST(AcquireCommandTest, StepOrderAndScopes) {
    static const TranslatorCase cases[] = {
        {"no options", {}, "update acquire", ""},
        {"worked example", {"-m", "M1", "-o", "OS1", "--local=D:\\pkgs", "-L", "--xml"},
         "update acquire --dir D:\\pkgs --mt M1 --ostype OS1 --scope latest --xml", ""},
        {"every step, shuffled",
         {"--ignore-req", "--xml", "-r", "--proxy-address=P", "-L", "--meta-only", "-o", "O", "-m", "M", "-l", "D"},
         "update acquire --dir D --mt M --ostype O --metaonly --scope latest --report --xml --noreq --proxy :@P:", ""},
        {"ids replace machine type and os, unchecked", {"--id=I", "-m", "-o"},
         "update acquire --scope individual --includeid I", ""},
        {"ids and latest: one scope, before metaonly", {"-L", "--meta-only", "--id=I"},
         "update acquire --scope individual --metaonly --includeid I", ""},
        {"quoted directory", {"--local=D:\\my pkgs"}, "update acquire --dir \"D:\\my pkgs\"", ""},
        {"ignored options leave no trace", {"--no-proxy=x", "-u", "now", "--unattended"}, "update acquire", ""},
    };
    for (const TranslatorCase& row : cases) {
        ExpectPrepare<AcquireCommand>(row);
    }
}

TEST(AcquireCommandTest, Proxy) {
    static const TranslatorCase cases[] = {
        {"all parts, any order", {"--proxy-port=80", "--proxy-password=pw", "--proxy-address=P", "--proxy-user=u"},
         "update acquire --proxy u:pw@P:80", ""},
        {"empty address", {"--proxy-address", "--proxy-port=1"}, "update acquire --proxy :@:1", ""},
        {"space quotes the value", {"--proxy-address=P", "--proxy-user=J D"}, "update acquire --proxy \"J D:@P:\"", ""},
        {"port without address", {"--proxy-port=1"}, nullptr, kNeedProxy},
        {"user without address", {"--proxy-user=u"}, nullptr, kNeedProxy},
        {"password without address", {"--proxy-password=p"}, nullptr, kNeedProxy},
    };
    for (const TranslatorCase& row : cases) {
        ExpectPrepare<AcquireCommand>(row);
    }
}

TEST(AcquireCommandTest, RulesReportOnlyTheFirstBreach) {
    static const TranslatorCase cases[] = {
        {"local", {"-l", "-L"}, nullptr, "The parameter value of -l or --local can not be empty. \n"},
        {"machine type", {"-m", "-o", "O"}, nullptr, "The parameter value of -m or --machine-type can not be empty. \n"},
        {"os", {"--os="}, nullptr, "The parameter value of -o or --os can not be empty. \n"},
        {"metaonly", {"--meta-only=1"}, nullptr, "The parameter --meta-only can not carry value. \n"},
        {"latest, even beside ids", {"-i", "I", "--latest=x"}, nullptr,
         "The parameter -L or --latest can not carry value. \n"},
        {"ids", {"-i"}, nullptr, "The parameter value of -i or --id can not be empty. \n"},
        {"report", {"-r", "foo"}, nullptr, "The parameter -r or --report can not carry value. \n"},
        {"xml", {"--xml=1"}, nullptr, "The parameter --xml can not carry value. \n"},
        {"ignore-req before proxy", {"--proxy-user=u", "--ignore-req=1"}, nullptr,
         "The parameter --ignore-req can not carry value. \n"},
        {"both id forms valued", {"-i", "a", "--id=b"}, nullptr, "Can not set \"-i\" and \"--id\" at the same time.\n"},
        {"conflicts in table order", {"--machine-type=d", "-m", "c", "-l", "a", "--local=b"}, nullptr,
         "Can not set \"-l\" and \"--local\" at the same time.\n"},
    };
    for (const TranslatorCase& row : cases) {
        ExpectPrepare<AcquireCommand>(row);
    }
}

}  // namespace
