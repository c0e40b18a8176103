#include "commands/CompareUpdateCommand.h"

#include <gtest/gtest.h>

#include <string>

#include "support/TranslatorRun.h"

namespace {

const std::string kSelectWarning =
    "Warning: The parameter -s or --select is not supported by tolvex. It will be ignored!\n";

TEST(CompareUpdateCommandTest, UpdateStepOrder) {
    static const TranslatorCase cases[] = {
        {"no options", {}, "update flash", ""},
        {"worked example", {"-F", "-l", "C:\\fw", "-i", "id1,id2", "--xml"},
         "update flash --type fw --dir C:\\fw --includeid  id1,id2 --xml", ""},
        {"every step, shuffled",
         {"--xml", "-m", "M", "--vmware-esxi=E", "--noinventory", "-i", "I", "-e", "X", "-l", "D", "-o", "O", "-f", "F",
          "-D", "-F", "--host=H", "-u", "-L"},
         "update flash --type fw --type dd --forceid F --forceid O --dir D --excludeid  X --scope latest"
         " --includeid  I --noscan  --esxi E --mt M --xml --bmq H",
         "\n"},
        {"empty long flag value is no value", {"--firmware="}, "update flash --type fw", ""},
        {"lone dash leaves no trace", {"-"}, "update flash", ""},
        {"values with spaces quoted", {"--local=C:\\my fw", "-m", "a b"}, "update flash --dir \"C:\\my fw\" --mt \"a b\"",
         ""},
        {"select warns and is dropped", {"-s", "5"}, "update flash", kSelectWarning},
        {"exclude all hides even a bad latest", {"-L", "x", "--exclude=all"}, "update flash --scope individual", ""},
        {"exclude all is case-sensitive", {"-e", "ALL"}, "update flash --excludeid  ALL", ""},
        {"latest prints an empty line after the warning", {"--latest", "-s"}, "update flash --scope latest",
         kSelectWarning + "\n"},
    };
    for (const TranslatorCase& row : cases) {
        ExpectPrepare<CompareUpdateCommand>(row, "update");
    }
}

TEST(CompareUpdateCommandTest, ValueRulesReportTheFirstBreach) {
    static const TranslatorCase cases[] = {
        {"firmware", {"--firmware=x"}, nullptr, "The parameter -F or --firmware can not carry value. \n"},
        {"drivers", {"-D", "x"}, nullptr, "The parameter -D or --drivers can not carry value. \n"},
        {"force", {"-f"}, nullptr, "The parameter value of -f or --force can not be empty. \n"},
        {"override", {"-o"}, nullptr, "The parameter value of -o or --linuxoverride can not be empty. \n"},
        {"local", {"-l", "-F"}, nullptr, "The parameter value of -l or --local can not be empty. \n"},
        {"exclude", {"-e", "-L"}, nullptr, "The parameter value of -e or --exclude can not be empty. \n"},
        {"latest echoes its value first", {"-L", "x"}, nullptr, "x\nThe parameter -L or --latest can not carry value. \n"},
        {"latest long form", {"--latest=y"}, nullptr, "y\nThe parameter -L or --latest can not carry value. \n"},
        {"include", {"--include="}, nullptr, "The parameter value of -i or --include can not be empty. \n"},
        {"noinventory", {"--noinventory=1"}, nullptr, "The parameter --noinventory can not carry value. \n"},
        {"esxi", {"--vmware-esxi"}, nullptr, "The parameter value of --vmware-esxi can not be empty. \n"},
        {"machine type", {"-m"}, nullptr, "The parameter value of -m or --machine-type can not be empty. \n"},
        {"xml, after an earlier step passed", {"--xml=yes", "-F"}, nullptr, "The parameter --xml can not carry value. \n"},
        {"warning stays before a failure", {"--select", "-m"}, nullptr,
         kSelectWarning + "The parameter value of -m or --machine-type can not be empty. \n"},
    };
    for (const TranslatorCase& row : cases) {
        ExpectPrepare<CompareUpdateCommand>(row, "update");
    }
}

TEST(CompareUpdateCommandTest, CompareAndConnection) {
    static const TranslatorCase cases[] = {
        {"no options", {}, "update compare", ""},
        {"noinventory is update-only", {"--noinventory"}, nullptr, "The parameter: --noinventory is not supported!"},
        {"conflicts in table order", {"--drivers=w", "-D", "z", "-F", "x", "--firmware=y"}, nullptr,
         "Can not set \"-F\" and \"--firmware\" at the same time.\n"},
        {"backup without host", {"--update-args=x--backup"}, "update compare --backup", ""},
        {"both force options in step order", {"-o", "B", "-f", "A"}, "update compare --forceid A --forceid B", ""},
        {"exclude then latest", {"-e", "123", "-L"}, "update compare --excludeid  123 --scope latest", "\n"},
        {"host alone", {"--host=H"}, "update compare --bmq H", ""},
        {"user and password by space", {"--host=H", "--update-args=--user=ops --password=pw"},
         "update compare --bmq ops:pw@H", ""},
        {"user and password by comma", {"--update-args=--password=pw,--user=ops", "--host=H"},
         "update compare --bmq ops:pw@H", ""},
        {"no host, no connection", {"--update-args=--user=ops,--password=pw"}, "update compare", ""},
        {"password missing: host alone", {"--host=H", "--update-args=--user=ops"}, "update compare --bmq H", ""},
        {"backup inside a word, after the connection", {"--update-args=--backups", "--host=H"},
         "update compare --bmq H --backup", ""},
        {"backup is case-sensitive", {"--update-args=--BACKUP"}, "update compare", ""},
    };
    for (const TranslatorCase& row : cases) {
        ExpectPrepare<CompareUpdateCommand>(row, "compare");
    }
}

}  // namespace
