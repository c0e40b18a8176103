#pragma once

#include <memory>
#include <string>

#include "framework/CommandBase.h"
#include "params/Parameters.h"

// The translator for a legacy command keyword, bound to `parameters` and `context`; null when
// the keyword is not one of the eight the old tool knew. Keywords match exactly, case included.
std::unique_ptr<CommandBase> CreateCommand(const std::string& keyword, const Parameters& parameters,
                                           const TranslationContext& context);
