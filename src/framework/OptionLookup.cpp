#include "framework/OptionLookup.h"

#include <cstddef>

namespace {

bool StartsWithDash(const std::string& name) {
    return !name.empty() && name[0] == '-';
}

}  // namespace

OptionLookup::OptionLookup(const Parameters& parameters, std::ostream& console)
    : optionList(parameters.GetOptionList()), console(console) {}

std::string OptionLookup::GetOptionName(const std::string& word) {
    if (Parameters::IsShortOption(word)) {
        return word;
    }
    if (Parameters::IsLongOption(word)) {
        return word.substr(0, word.find('='));
    }
    return std::string();
}

std::string OptionLookup::GetOptionValue(const std::string& name) const {
    if (Parameters::IsShortOption(name)) {
        // The last word has nothing after it, so it never yields a value.
        for (std::size_t i = 0; i + 1 < optionList.size(); ++i) {
            if (GetOptionName(optionList[i]) == name && Parameters::IsValueWord(optionList[i + 1])) {
                return optionList[i + 1];
            }
        }
    } else if (Parameters::IsLongOption(name)) {
        for (const std::string& word : optionList) {
            const std::size_t equals = word.find('=');
            if (equals != std::string::npos && GetOptionName(word) == name) {
                return word.substr(equals + 1);
            }
        }
    }
    return std::string();
}

bool OptionLookup::IsSupportedOption(const std::string& word, const std::vector<OptionPair>& table) {
    const std::string name = GetOptionName(word);
    for (const OptionPair& row : table) {
        // An empty secondName matches the empty name of a lone "-": the old tool accepted it.
        if (name == row.firstName || name == row.secondName) {
            return true;
        }
    }
    return false;
}

bool OptionLookup::CheckOptions(const std::vector<OptionPair>& table) const {
    for (const std::string& word : optionList) {
        if (Parameters::IsValueWord(word) || IsSupportedOption(word, table)) {
            continue;
        }
        // No line end: the old tool ended right after this text, and scripts see it that way.
        console << "The parameter: " << GetOptionName(word) << " is not supported!" << std::flush;
        return false;
    }
    for (const OptionPair& row : table) {
        if (!GetOptionValue(row.firstName).empty() && !GetOptionValue(row.secondName).empty()) {
            console << "Can not set \"" << row.firstName << "\" and \"" << row.secondName
                      << "\" at the same time." << std::endl;
            return false;
        }
    }
    return true;
}

bool OptionLookup::HasOption(const std::string& first, const std::string& second) const {
    if (first.empty()) {
        console << " The parameter1 should not be empty!" << std::endl;
        return false;
    }
    if (!StartsWithDash(first)) {
        console << " The parameter should start with dash!" << std::endl;
        return false;
    }
    if (!second.empty() && !StartsWithDash(second)) {
        console << " The parameter2 should start with dash!" << std::endl;
        return false;
    }
    // An empty second name is never compared: value words have the empty name too.
    return HasOptionNamed(first) || (!second.empty() && HasOptionNamed(second));
}

std::string OptionLookup::GetPairValue(const std::string& first, const std::string& second) const {
    if (first.empty()) {
        console << " The parameter1 should not be empty!" << std::endl;
        return std::string();
    }
    if (!StartsWithDash(first)) {
        // Unlike HasOption's wording, this one names "parameter1".
        console << " The parameter1 should start with dash!" << std::endl;
        return std::string();
    }
    if (!second.empty() && !StartsWithDash(second)) {
        console << " The parameter2 should start with dash!" << std::endl;
        return std::string();
    }
    std::string firstValue = GetOptionValue(first);
    const std::string secondValue = GetOptionValue(second);
    if (!firstValue.empty() && !secondValue.empty()) {
        console << "Warning: Should not set \"" << first << "\" and \"" << second
                  << "\" at the same time." << std::endl;
        console << "Using \"" << first << "\" this time." << std::endl;
        return firstValue;
    }
    return firstValue.empty() ? secondValue : firstValue;
}

bool OptionLookup::HasOptionNamed(const std::string& name) const {
    for (const std::string& word : optionList) {
        if (GetOptionName(word) == name) {
            return true;
        }
    }
    return false;
}
