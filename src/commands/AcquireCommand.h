#pragma once

#include "framework/CommandBase.h"

// Translates the legacy "acquire" ("ac") command into "update acquire".
class AcquireCommand final : public CommandBase {
public:
    explicit AcquireCommand(const Parameters& parameters);
    ~AcquireCommand() override;

protected:
    void InitOptionTable() override;
    bool Translate() override;

private:
    bool TranslateMachineAndOs();
    bool TranslateLatest();
    bool TranslateProxy();
};
