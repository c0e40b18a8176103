#pragma once

#include <string>
#include <vector>

#include "framework/OptionLookup.h"
#include "framework/OptionPair.h"
#include "framework/TranslationContext.h"
#include "params/Parameters.h"

// A translator from one legacy command to the current tool's command line. Prepare fixes the
// order for every translator: accepted-option table, option check, validation, translation,
// and finally the output directory. Subclasses fill in the table and the translation steps.
class CommandBase {
public:
    // Keeps references to `parameters` and to the context's console, which must outlive the
    // translator.
    CommandBase(const Parameters& parameters, TranslationContext context);
    virtual ~CommandBase();

    CommandBase(const CommandBase&) = delete;
    CommandBase& operator=(const CommandBase&) = delete;

    // Builds the command line. Returns true when it is ready; false after the failing stage has
    // written its message to the console, in which case the line must not be used.
    bool Prepare();

    // The arguments for the current tool, without its program name.
    std::string GetCommandLine() const;

    // The accepted-option table, as Prepare filled it.
    const std::vector<OptionPair>& GetOptionTable() const;

protected:
    // Appends the translator's accepted options to the table.
    virtual void InitOptionTable() = 0;
    // Extra checks before translating; the default accepts everything.
    virtual bool Validate();
    // Writes the translated options into the command line. Returns false after printing a message.
    virtual bool Translate() = 0;

    void AppendOptionRow(const char* firstName, const char* secondName);

    // Lookups on the legacy option list.
    OptionLookup Options() const;
    // Where messages and warnings go.
    std::ostream& Console() const;

    // Replaces the whole command line.
    void SetCommandLine(const std::string& text);
    // Appends " name value"; the value is put in double quotes when it holds a space.
    void AppendOption(const std::string& name, const std::string& value);
    // Appends " word".
    void AppendArgument(const std::string& word);

    // Present option: appends newName and its value, or fails when the value is empty.
    // Absent option: appends nothing and succeeds.
    bool TranslateValueOption(const std::string& first, const std::string& second,
                              const std::string& newName);
    // Present option: appends newWord, or fails when it carries a value.
    // Absent option: appends nothing and succeeds.
    bool TranslateFlagOption(const std::string& first, const std::string& second,
                             const std::string& newWord);

    // True when `value`, the value given to the option, is empty; otherwise reports that the
    // option can not carry one and returns false.
    bool CheckNoValue(const std::string& first, const std::string& second, const std::string& value) const;

    // The text right after the first occurrence of `key`, cut at the first space and then at
    // the first comma; empty when the key does not occur.
    static std::string ExtractKeyValue(const std::string& text, const std::string& key);

private:
    std::vector<OptionPair> optionTable;
    const Parameters& parameters;
    const TranslationContext context;
    std::string commandLine;
};
