#include "app/LegacyMain.h"

#include <iostream>
#include <optional>
#include <string>

#include "app/ArgumentCopyTable.h"
#include "app/Launcher.h"
#include "app/LegacyTranslation.h"
#include "params/Parameters.h"

int RunLegacyMain(int count, char** arguments) {
    const ArgumentCopyTable copies(count, arguments);
    BlankArguments(count, arguments);

    const Parameters parameters(count, copies.Entries());
    const std::optional<std::string> commandLine =
        TranslateLegacyCommandLine(parameters, TranslationContext{std::cout, SystemDriveFromEnvironment()});
    if (!commandLine) {
        return 1;
    }
    return RunTranslatedCommand(*commandLine);
}
