#include "commands/AcquireCommand.h"

#include <array>
#include <string>
#include <utility>

namespace {

// firstName            secondName ("" for a single-form option)
constexpr std::array<std::pair<const char*, const char*>, 15> kOptionRows{{
    {"-l", "--local"},
    {"-m", "--machine-type"},
    {"--meta-only", ""},
    {"-o", "--os"},
    {"-L", "--latest"},
    {"-i", "--id"},
    {"-r", "--report"},
    {"--proxy-address", ""},
    {"--proxy-user", ""},
    {"--proxy-port", ""},
    {"--proxy-password", ""},
    {"--no-proxy", ""},  // accepted, never translated
    {"--xml", ""},
    {"-u", "--unattended"},  // accepted, never translated
    {"--ignore-req", ""},
}};

}  // namespace

AcquireCommand::AcquireCommand(const Parameters& parameters, const TranslationContext& context)
    : CommandBase(parameters, context) {}

AcquireCommand::~AcquireCommand() = default;

void AcquireCommand::InitOptionTable() {
    for (const auto& [firstName, secondName] : kOptionRows) {
        AppendOptionRow(firstName, secondName);
    }
}

bool AcquireCommand::Translate() {
    SetCommandLine("update acquire");
    return TranslateValueOption("-l", "--local", "--dir") &&
           TranslateMachineAndOs() &&
           TranslateFlagOption("--meta-only", "", "--metaonly") &&
           TranslateLatest() &&
           TranslateValueOption("-i", "--id", "--includeid") &&
           TranslateFlagOption("-r", "--report", "--report") &&
           TranslateFlagOption("--xml", "", "--xml") &&
           TranslateFlagOption("--ignore-req", "", "--noreq") &&
           TranslateProxy();
}

bool AcquireCommand::TranslateMachineAndOs() {
    // Identifiers select the packages themselves, so machine type and OS are neither
    // translated nor checked then.
    if (Options().HasOption("-i", "--id")) {
        AppendOption("--scope", "individual");
        return true;
    }
    return TranslateValueOption("-m", "--machine-type", "--mt") &&
           TranslateValueOption("-o", "--os", "--ostype");
}

bool AcquireCommand::TranslateLatest() {
    const OptionLookup options = Options();
    if (!options.HasOption("-L", "--latest")) {
        return true;
    }
    if (!CheckNoValue("-L", "--latest", options.GetPairValue("-L", "--latest"))) {
        return false;
    }
    // With identifiers the scope is already "individual"; only one scope may be written.
    if (!options.HasOption("-i", "--id")) {
        AppendOption("--scope", "latest");
    }
    return true;
}

bool AcquireCommand::TranslateProxy() {
    const OptionLookup options = Options();
    if (options.HasOption("--proxy-address", "")) {
        const std::string address = options.GetPairValue("--proxy-address", "");
        const std::string port = options.GetPairValue("--proxy-port", "");
        const std::string user = options.GetPairValue("--proxy-user", "");
        const std::string password = options.GetPairValue("--proxy-password", "");
        AppendOption("--proxy", user + ":" + password + "@" + address + ":" + port);
        return true;
    }
    if (options.HasOption("--proxy-port", "") || options.HasOption("--proxy-user", "") ||
        options.HasOption("--proxy-password", "")) {
        Console() << "The parameter: --proxy-address need specify. " << std::endl;
        return false;
    }
    return true;
}
