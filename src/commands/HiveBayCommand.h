#pragma once

#include "framework/CommandBase.h"

// Translates the legacy chassis command ("hivebay", "hb") into "update scan" with the
// management module's connection as one "--cmm" value.
class HiveBayCommand final : public CommandBase {
public:
    explicit HiveBayCommand(const Parameters& parameters);
    ~HiveBayCommand() override;

protected:
    void InitOptionTable() override;
    bool Translate() override;
};
