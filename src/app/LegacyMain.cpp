#include "app/LegacyMain.h"

#include <iostream>
#include <memory>
#include <string>

#include "app/ArgumentCopyTable.h"
#include "app/CommandDispatch.h"
#include "app/Launcher.h"
#include "params/Parameters.h"

namespace {

void ReportUnknownCommand(const std::string& keyword) {
    if (keyword.empty()) {
        std::cout << "Please specify the command!" << std::endl;
    } else {
        std::cout << "The command: " << keyword << " is not supported." << std::endl;
    }
}

}  // namespace

int RunLegacyMain(int count, char** arguments) {
    const ArgumentCopyTable copies(count, arguments);
    BlankArguments(count, arguments);

    const Parameters parameters(count, copies.Entries());
    if (!parameters.CheckSyntax()) {
        return 1;
    }
    const std::string keyword = parameters.GetCommand();
    const std::unique_ptr<CommandBase> command = CreateCommand(keyword, parameters);
    if (command == nullptr) {
        ReportUnknownCommand(keyword);
        return 1;
    }
    if (!command->Prepare()) {
        return 1;
    }
    return RunTranslatedCommand(command->GetCommandLine());
}
