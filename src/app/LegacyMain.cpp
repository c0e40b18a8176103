#include "app/LegacyMain.h"

#include <iostream>
#include <optional>
#include <string>

#include "app/ArgumentCopyTable.h"
#include "app/Launcher.h"
#include "app/LegacyTranslation.h"
#include "app/UsageRecorder.h"
#include "params/Parameters.h"

int RunLegacyMain(int count, char** arguments) {
    const ArgumentCopyTable copies(count, arguments);
    BlankArguments(count, arguments);
    UsageRecorder usage;

    const Parameters parameters(count, copies.Entries());
    const TranslationContext context{std::cout, SystemDriveFromEnvironment()};
    const std::optional<std::string> commandLine = TranslateLegacyCommandLine(parameters, context);
    const int status = commandLine ? RunTranslatedCommand(*commandLine) : 1;

    // The record comes last, once everything the caller sees is done.
    usage.Finish(count, copies.Entries(), context.systemDrive, status);
    return status;
}
