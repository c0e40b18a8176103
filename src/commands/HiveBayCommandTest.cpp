#include "commands/HiveBayCommand.h"

#include <gtest/gtest.h>

#include "support/TranslatorRun.h"

namespace {

const char kNeedAddress[] = "The parameter: --mm-address need specify. \n";

TEST(HiveBayCommandTest, Translate) {
    static const TranslatorCase cases[] = {
        {"no options: only the output directory", {}, "", ""},
        {"scan, value ignored", {"-s", "now"}, "update scan", ""},
        {"scan long form", {"--scan"}, "update scan", ""},
        {"both scan forms once", {"--scan", "-s"}, "update scan", ""},
        {"address alone, no command words", {"--mm-address=A"}, " --cmm :@A", ""},
        {"order of parts fixed", {"--mm-password=pw", "-s", "--mm-user=U", "--mm-address=A"},
         "update scan --cmm U:pw@A", ""},
        {"empty parts kept", {"--mm-address=", "--mm-password"}, " --cmm :@", ""},
        {"space quotes the value", {"--mm-address=A", "--mm-user=J D"}, " --cmm \"J D:@A\"", ""},
        {"user without address", {"--mm-user=U"}, nullptr, kNeedAddress},
        {"password without address, even with scan", {"-s", "--mm-password=P"}, nullptr, kNeedAddress},
        {"other commands' options", {"-s", "-l", "x"}, nullptr, "The parameter: -l is not supported!"},
    };
    for (const TranslatorCase& row : cases) {
        ExpectPrepare<HiveBayCommand>(row);
    }
}

}  // namespace
