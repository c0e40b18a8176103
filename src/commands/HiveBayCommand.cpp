#include "commands/HiveBayCommand.h"

#include <array>
#include <string>
#include <utility>

namespace {

// firstName         secondName ("" for a single-form option)
constexpr std::array<std::pair<const char*, const char*>, 4> kOptionRows{{
    {"-s", "--scan"},
    {"--mm-address", ""},
    {"--mm-user", ""},
    {"--mm-password", ""},
}};

}  // namespace

HiveBayCommand::HiveBayCommand(const Parameters& parameters, const TranslationContext& context)
    : CommandBase(parameters, context) {}

HiveBayCommand::~HiveBayCommand() = default;

void HiveBayCommand::InitOptionTable() {
    for (const auto& [firstName, secondName] : kOptionRows) {
        AppendOptionRow(firstName, secondName);
    }
}

bool HiveBayCommand::Translate() {
    const OptionLookup options = Options();

    // Without a scan request the old tool wrote no command words at all, so the line then
    // starts with the space in front of "--cmm" or "--output".
    if (options.HasOption("-s", "--scan")) {
        SetCommandLine("update scan");
    }

    if (options.HasOption("--mm-address", "")) {
        const std::string address = options.GetPairValue("--mm-address", "");
        const std::string user = options.GetPairValue("--mm-user", "");
        const std::string password = options.GetPairValue("--mm-password", "");
        AppendOption("--cmm", user + ":" + password + "@" + address);
        return true;
    }

    if (options.HasOption("--mm-user", "") || options.HasOption("--mm-password", "")) {
        Console() << "The parameter: --mm-address need specify. " << std::endl;
        return false;
    }
    return true;
}
