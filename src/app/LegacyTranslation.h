#pragma once

#include <optional>
#include <string>

#include "framework/TranslationContext.h"
#include "params/Parameters.h"

// The legacy run up to the launch: the syntax check, the choice of translator by keyword and its
// Prepare, every message written to the context's console. Returns the translated line (the
// current tool's arguments), or nothing once the messages saying why have been written.
std::optional<std::string> TranslateLegacyCommandLine(const Parameters& parameters,
                                                      const TranslationContext& context);

// The SYSTEMDRIVE environment variable as it is, even empty; "C:", the Windows default, when it
// is not set.
std::string SystemDriveFromEnvironment();
