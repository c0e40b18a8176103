#include "commands/CompareUpdateCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TranslatorRun.h"

namespace {

const std::string kSelectWarning =
    "Warning: The parameter -s or --select is not supported by tolvex. It will be ignored!\n";

struct Case {
    const char* name;
    std::string command;  // "compare" or "update"
    std::vector<std::string> words;
    std::string commandLine;  // without the closing output directory
    std::string output;
};

void ExpectTranslated(const Case& row) {
    const TranslatorRun run = RunPrepare<CompareUpdateCommand>(row.words, row.command);
    EXPECT_TRUE(run.prepared) << row.name << "\n" << run.output;
    EXPECT_EQ(run.commandLine, row.commandLine + kOutputSuffix) << row.name;
    EXPECT_EQ(run.output, row.output) << row.name;
}

void ExpectRejected(const Case& row) {
    const TranslatorRun run = RunPrepare<CompareUpdateCommand>(row.words, row.command);
    EXPECT_FALSE(run.prepared) << row.name;
    EXPECT_EQ(run.output, row.output) << row.name;
}

TEST(CompareUpdateCommandTest, StepOrderDecidesTheLine) {
    static const Case cases[] = {
        {"compare words", "compare", {}, "update compare", ""},
        {"update words", "update", {}, "update flash", ""},
        {"worked example", "update", {"-F", "-l", "C:\\fw", "-i", "id1,id2", "--xml"},
         "update flash --type fw --dir C:\\fw --includeid  id1,id2 --xml", ""},
        {"typed order does not matter", "update", {"--xml", "-l", "C:\\fw", "-D", "-F"},
         "update flash --type fw --type dd --dir C:\\fw --xml", ""},
        {"every step, shuffled", "update",
         {"--xml", "-m", "M", "--vmware-esxi=E", "--noinventory", "-i", "I", "-e", "X", "-l", "D",
          "-o", "O", "-f", "F", "-D", "-F", "--host=H", "-u", "-L"},
         "update flash --type fw --type dd --forceid F --forceid O --dir D --excludeid  X --scope latest"
         " --includeid  I --noscan  --esxi E --mt M --xml --bmq H",
         "\n"},
        {"both force options", "compare", {"-f", "A", "-o", "B"}, "update compare --forceid A --forceid B", ""},
        {"empty long flag value is no value", "compare", {"--firmware="}, "update compare --type fw", ""},
        {"lone dash leaves no trace", "update", {"-"}, "update flash", ""},
        {"values with spaces are quoted", "compare", {"--local=C:\\my fw", "-m", "a b"},
         "update compare --dir \"C:\\my fw\" --mt \"a b\"", ""},
        {"unattended dropped", "update", {"-u", "yes", "--unattended"}, "update flash", ""},
    };
    for (const Case& row : cases) {
        ExpectTranslated(row);
    }
}

TEST(CompareUpdateCommandTest, SelectExcludeAndLatest) {
    static const Case cases[] = {
        {"select warns and is dropped", "compare", {"-s", "5"}, "update compare", kSelectWarning},
        {"exclude all", "compare", {"-e", "all"}, "update compare --scope individual", ""},
        {"exclude all hides latest", "compare", {"-L", "--exclude=all"}, "update compare --scope individual", ""},
        {"exclude all hides a bad latest", "compare", {"-e", "all", "-L", "x"}, "update compare --scope individual",
         ""},
        {"exclude all is case-sensitive", "compare", {"-e", "ALL"}, "update compare --excludeid  ALL", ""},
        {"exclude then latest", "compare", {"-e", "123", "-L"}, "update compare --excludeid  123 --scope latest",
         "\n"},
        {"latest prints an empty line", "update", {"--latest"}, "update flash --scope latest", "\n"},
        {"warning comes before the latest line", "update", {"-L", "-s"}, "update flash --scope latest",
         kSelectWarning + "\n"},
    };
    for (const Case& row : cases) {
        ExpectTranslated(row);
    }
}

TEST(CompareUpdateCommandTest, ValueRulesReportTheFirstBreach) {
    static const Case cases[] = {
        {"firmware with value", "update", {"-F", "x"}, "", "The parameter -F or --firmware can not carry value. \n"},
        {"firmware long with value", "update", {"--firmware=x"}, "",
         "The parameter -F or --firmware can not carry value. \n"},
        {"drivers with value", "update", {"-D", "x"}, "", "The parameter -D or --drivers can not carry value. \n"},
        {"force empty", "update", {"-f"}, "", "The parameter value of -f or --force can not be empty. \n"},
        {"override empty", "update", {"-o"}, "", "The parameter value of -o or --linuxoverride can not be empty. \n"},
        {"local empty", "update", {"-l", "-F"}, "", "The parameter value of -l or --local can not be empty. \n"},
        {"exclude empty", "update", {"-e", "-L"}, "", "The parameter value of -e or --exclude can not be empty. \n"},
        {"latest echoes its value first", "update", {"-L", "x"}, "",
         "x\nThe parameter -L or --latest can not carry value. \n"},
        {"include empty", "update", {"--include="}, "",
         "The parameter value of -i or --include can not be empty. \n"},
        {"noinventory with value", "update", {"--noinventory=1"}, "",
         "The parameter --noinventory can not carry value. \n"},
        {"esxi empty", "update", {"--vmware-esxi"}, "", "The parameter value of --vmware-esxi can not be empty. \n"},
        {"machine type empty", "update", {"-m"}, "",
         "The parameter value of -m or --machine-type can not be empty. \n"},
        {"xml with value", "update", {"--xml=yes"}, "", "The parameter --xml can not carry value. \n"},
        {"earlier step wins", "update", {"--xml=yes", "-F", "x"}, "",
         "The parameter -F or --firmware can not carry value. \n"},
        {"warning stays printed before a failure", "update", {"-s", "-m"}, "",
         kSelectWarning + "The parameter value of -m or --machine-type can not be empty. \n"},
        {"noinventory is update-only", "compare", {"--noinventory"}, "",
         "The parameter: --noinventory is not supported!"},
        {"unknown option", "update", {"--foo=bar"}, "", "The parameter: --foo is not supported!"},
    };
    for (const Case& row : cases) {
        ExpectRejected(row);
    }
}

TEST(CompareUpdateCommandTest, ManagementConnection) {
    static const Case cases[] = {
        {"host alone", "update", {"--host=H"}, "update flash --bmq H", ""},
        {"user and password by space", "update", {"--host=H", "--update-args=--user=ops --password=pw"},
         "update flash --bmq ops:pw@H", ""},
        {"user and password by comma", "update", {"--update-args=--password=pw,--user=ops", "--host=H"},
         "update flash --bmq ops:pw@H", ""},
        {"no host, no connection", "update", {"--update-args=--user=ops,--password=pw"}, "update flash", ""},
        {"password missing: host alone", "update", {"--host=H", "--update-args=--user=ops"},
         "update flash --bmq H", ""},
        {"backup after the connection", "update", {"--update-args=--backups", "--host=H"},
         "update flash --bmq H --backup", ""},
        {"backup without host", "compare", {"--update-args=x--backup"}, "update compare --backup", ""},
        {"backup is case-sensitive", "compare", {"--update-args=--BACKUP"}, "update compare", ""},
    };
    for (const Case& row : cases) {
        ExpectTranslated(row);
    }
}

}  // namespace
