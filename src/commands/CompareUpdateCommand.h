#pragma once

#include <string>

#include "framework/CommandBase.h"

// Translates the legacy "compare" ("co") and "update" ("up") commands into the current tool's
// "update compare" and "update flash". The two differ only in their command words and in
// "--noinventory", which only "update" accepts.
class CompareUpdateCommand final : public CommandBase {
public:
    // `commandName` is the full legacy word, "compare" or "update", also when abbreviated.
    CompareUpdateCommand(const Parameters& parameters, const TranslationContext& context, std::string commandName);
    ~CompareUpdateCommand() override;

protected:
    void InitOptionTable() override;
    bool Translate() override;

private:
    bool TranslateTypeOption(const char* first, const char* second, const char* type);
    bool WarnIfSelectGiven();
    bool TranslateExcludeAndLatest();
    // Never fails: incomplete connection data is dropped silently.
    bool TranslateConnection();

    const std::string commandName;
};
