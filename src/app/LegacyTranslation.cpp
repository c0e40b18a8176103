#include "app/LegacyTranslation.h"

#include <cstdlib>
#include <memory>

#include "app/CommandDispatch.h"

namespace {

void ReportUnknownCommand(std::ostream& console, const std::string& keyword) {
    if (keyword.empty()) {
        console << "Please specify the command!" << std::endl;
    } else {
        console << "The command: " << keyword << " is not supported." << std::endl;
    }
}

}  // namespace

std::optional<std::string> TranslateLegacyCommandLine(const Parameters& parameters,
                                                      const TranslationContext& context) {
    if (!parameters.CheckSyntax(context.console)) {
        return std::nullopt;
    }
    const std::string keyword = parameters.GetCommand();
    const std::unique_ptr<CommandBase> command = CreateCommand(keyword, parameters, context);
    if (command == nullptr) {
        ReportUnknownCommand(context.console, keyword);
        return std::nullopt;
    }
    if (!command->Prepare()) {
        return std::nullopt;
    }
    return command->GetCommandLine();
}

std::string SystemDriveFromEnvironment() {
    const char* systemDrive = std::getenv("SYSTEMDRIVE");
    return systemDrive != nullptr ? systemDrive : "C:";
}
