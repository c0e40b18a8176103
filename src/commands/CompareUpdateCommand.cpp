#include "commands/CompareUpdateCommand.h"

#include <array>
#include <utility>

namespace {

struct OptionRow {
    const char* firstName;
    const char* secondName;  // "" for a single-form option
    bool updateOnly;
};

constexpr std::array<OptionRow, 16> kOptionRows{{
    {"-F", "--firmware", false},
    {"-D", "--drivers", false},
    {"-f", "--force", false},
    {"-s", "--select", false},
    {"-l", "--local", false},
    {"-e", "--exclude", false},
    {"-i", "--include", false},
    {"-L", "--latest", false},
    {"--noinventory", "", true},
    {"-o", "--linuxoverride", false},
    {"--vmware-esxi", "", false},
    {"--host", "", false},
    {"--update-args", "", false},
    {"-m", "--machine-type", false},
    {"-u", "--unattended", false},
    {"--xml", "", false},
}};

}  // namespace

CompareUpdateCommand::CompareUpdateCommand(const Parameters& parameters, const TranslationContext& context,
                                           std::string commandName)
    : CommandBase(parameters, context), commandName(std::move(commandName)) {}

CompareUpdateCommand::~CompareUpdateCommand() = default;

void CompareUpdateCommand::InitOptionTable() {
    const bool isUpdate = commandName == "update";
    for (const OptionRow& row : kOptionRows) {
        if (!row.updateOnly || isUpdate) {
            AppendOptionRow(row.firstName, row.secondName);
        }
    }
}

bool CompareUpdateCommand::Translate() {
    SetCommandLine(commandName == "compare" ? "update compare" : "update flash");
    // The trailing spaces of "--excludeid ", "--includeid " and "--noscan " are what the old tool
    // wrote; scripts that compare the echoed line expect the double spaces they leave.
    return TranslateTypeOption("-F", "--firmware", "fw") &&
           TranslateTypeOption("-D", "--drivers", "dd") &&
           TranslateValueOption("-f", "--force", "--forceid") &&
           TranslateValueOption("-o", "--linuxoverride", "--forceid") &&
           TranslateValueOption("-l", "--local", "--dir") &&
           WarnIfSelectGiven() &&
           TranslateExcludeAndLatest() &&
           TranslateValueOption("-i", "--include", "--includeid ") &&
           TranslateFlagOption("--noinventory", "", "--noscan ") &&
           TranslateValueOption("--vmware-esxi", "", "--esxi") &&
           TranslateValueOption("-m", "--machine-type", "--mt") &&
           TranslateFlagOption("--xml", "", "--xml") &&
           TranslateConnection();
}

bool CompareUpdateCommand::TranslateTypeOption(const char* first, const char* second, const char* type) {
    const OptionLookup options = Options();
    if (!options.HasOption(first, second)) {
        return true;
    }
    if (!CheckNoValue(first, second, options.GetPairValue(first, second))) {
        return false;
    }
    AppendOption("--type", type);
    return true;
}

bool CompareUpdateCommand::WarnIfSelectGiven() {
    // The current tool has no selection dialog; the option is dropped, not refused.
    if (Options().HasOption("-s", "--select")) {
        Console() << "Warning: The parameter -s or --select is not supported by tolvex. It will be ignored!"
                  << std::endl;
    }
    return true;
}

bool CompareUpdateCommand::TranslateExcludeAndLatest() {
    const OptionLookup options = Options();
    if (options.HasOption("-e", "--exclude")) {
        // "-e all" asks for the individual scope, which leaves no room for "-L": it is not
        // even checked then.
        if (options.GetPairValue("-e", "--exclude") == "all") {
            AppendOption("--scope", "individual");
            return true;
        }
        if (!TranslateValueOption("-e", "--exclude", "--excludeid ")) {
            return false;
        }
    }
    if (options.HasOption("-L", "--latest")) {
        const std::string value = options.GetPairValue("-L", "--latest");
        // The old tool echoed the value before checking it; scripts see an empty line here.
        Console() << value << std::endl;
        if (!CheckNoValue("-L", "--latest", value)) {
            return false;
        }
        AppendOption("--scope", "latest");
    }
    return true;
}

bool CompareUpdateCommand::TranslateConnection() {
    const OptionLookup options = Options();
    const std::string host = options.GetPairValue("--host", "");
    const std::string updateArgs = options.GetPairValue("--update-args", "");
    std::string user;
    std::string password;
    if (!updateArgs.empty()) {
        user = ExtractKeyValue(updateArgs, "--user=");
        password = ExtractKeyValue(updateArgs, "--password=");
    }

    std::string connection;
    if (!host.empty() && !user.empty() && !password.empty()) {
        connection = user + ":" + password + "@" + host;
    } else if (!host.empty()) {
        connection = host;
    }
    if (!connection.empty()) {
        AppendOption("--bmq", connection);
    }
    if (updateArgs.find("--backup") != std::string::npos) {
        AppendArgument("--backup");
    }
    return true;
}
