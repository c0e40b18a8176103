#pragma once

#include "framework/CommandBase.h"

// Translates the legacy chassis command ("hivebay", "hb") into "update scan" with the
// management module's connection as one "--cmm" value.
class HiveBayCommand final : public CommandBase {
public:
    HiveBayCommand(const Parameters& parameters, const TranslationContext& context);
    ~HiveBayCommand() override;

protected:
    void InitOptionTable() override;
    bool Translate() override;
};
