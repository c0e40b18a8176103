#pragma once

#include "framework/CommandBase.h"

// Translates the legacy "acquire" ("ac") command into "update acquire".
class AcquireCommand final : public CommandBase {
public:
    AcquireCommand(const Parameters& parameters, const TranslationContext& context);
    ~AcquireCommand() override;

protected:
    void InitOptionTable() override;
    bool Translate() override;

private:
    bool TranslateMachineAndOs();
    bool TranslateLatest();
    bool TranslateProxy();
};
