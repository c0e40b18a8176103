#include "framework/CommandBase.h"

#include <utility>

namespace {

// Names the option in a message: "-l or --local", or just the one name of a single-form option.
std::string DescribeOption(const std::string& first, const std::string& second) {
    return second.empty() ? first : first + " or " + second;
}

}  // namespace

CommandBase::CommandBase(const Parameters& parameters, TranslationContext context)
    : parameters(parameters), context(std::move(context)) {}

CommandBase::~CommandBase() = default;

bool CommandBase::Prepare() {
    InitOptionTable();
    if (!Options().CheckOptions(optionTable)) {
        return false;
    }
    if (!Validate()) {
        return false;
    }
    if (!Translate()) {
        return false;
    }
    AppendOption("--output", context.systemDrive + "\\Vexadyn_Support\\");
    return true;
}

std::string CommandBase::GetCommandLine() const {
    return commandLine;
}

const std::vector<OptionPair>& CommandBase::GetOptionTable() const {
    return optionTable;
}

bool CommandBase::Validate() {
    return true;
}

void CommandBase::AppendOptionRow(const char* firstName, const char* secondName) {
    optionTable.emplace_back(firstName, secondName);
}

OptionLookup CommandBase::Options() const {
    return OptionLookup(parameters, context.console);
}

std::ostream& CommandBase::Console() const {
    return context.console;
}

void CommandBase::SetCommandLine(const std::string& text) {
    commandLine = text;
}

void CommandBase::AppendOption(const std::string& name, const std::string& value) {
    // Only a space makes the tool split a value, so only a space asks for quotes.
    const bool quoted = value.find(' ') != std::string::npos;
    commandLine += ' ';
    commandLine += name;
    commandLine += ' ';
    if (quoted) {
        commandLine += '"';
    }
    commandLine += value;
    if (quoted) {
        commandLine += '"';
    }
}

void CommandBase::AppendArgument(const std::string& word) {
    commandLine += ' ';
    commandLine += word;
}

bool CommandBase::TranslateValueOption(const std::string& first, const std::string& second,
                                       const std::string& newName) {
    const OptionLookup options = Options();
    if (!options.HasOption(first, second)) {
        return true;
    }
    const std::string value = options.GetPairValue(first, second);
    if (value.empty()) {
        Console() << "The parameter value of " << DescribeOption(first, second)
                  << " can not be empty. " << std::endl;
        return false;
    }
    AppendOption(newName, value);
    return true;
}

bool CommandBase::TranslateFlagOption(const std::string& first, const std::string& second,
                                      const std::string& newWord) {
    const OptionLookup options = Options();
    if (!options.HasOption(first, second)) {
        return true;
    }
    if (!CheckNoValue(first, second, options.GetPairValue(first, second))) {
        return false;
    }
    AppendArgument(newWord);
    return true;
}

bool CommandBase::CheckNoValue(const std::string& first, const std::string& second,
                               const std::string& value) const {
    if (value.empty()) {
        return true;
    }
    Console() << "The parameter " << DescribeOption(first, second) << " can not carry value. " << std::endl;
    return false;
}

std::string CommandBase::ExtractKeyValue(const std::string& text, const std::string& key) {
    const std::size_t keyAt = text.find(key);
    if (keyAt == std::string::npos) {
        return std::string();
    }
    std::string rest = text.substr(keyAt + key.size());
    rest = rest.substr(0, rest.find(' '));
    return rest.substr(0, rest.find(','));
}
