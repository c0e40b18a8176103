#include "params/Parameters.h"

#include <cstddef>

namespace {

bool StartsWithDash(const std::string& word) {
    return !word.empty() && word[0] == '-';
}

// The old tool's wording, typos included: scripts may match on it.
const char kSyntaxHeader[] = "The command parameters are not vaild!";
const char kFirstWordMessage[] = "The first paramater should start with - or --.";
const char kLongOptionMessage[] =
    "If the parameter starts with --, the next parameter should start with - or --.";
const char kShortOptionMessage[] =
    "If the parameter starts with -, at least one of the next two parameters should start with - or --.";

bool ReportSyntaxError(std::ostream& console, const char* message) {
    console << kSyntaxHeader << std::endl;
    console << message << std::endl;
    return false;
}

}  // namespace

Parameters::Parameters(int count, const char* const* arguments) {
    if (count < 2) {
        return;
    }
    command = arguments[1];
    optionList.reserve(static_cast<std::size_t>(count - 2));
    for (int i = 2; i < count; ++i) {
        optionList.emplace_back(arguments[i]);
    }
}

std::string Parameters::GetCommand() const {
    return command;
}

const std::vector<std::string>& Parameters::GetOptionList() const {
    return optionList;
}

bool Parameters::IsShortOption(const std::string& word) {
    return word.size() >= 2 && word[0] == '-' && word[1] != '-';
}

bool Parameters::IsLongOption(const std::string& word) {
    return word.size() >= 2 && word[0] == '-' && word[1] == '-';
}

bool Parameters::IsValueWord(const std::string& word) {
    return !StartsWithDash(word);
}

bool Parameters::CheckSyntax(std::ostream& console) const {
    const std::size_t n = optionList.size();
    if (n == 0) {
        return true;
    }
    if (!StartsWithDash(optionList[0])) {
        return ReportSyntaxError(console, kFirstWordMessage);
    }
    // The long-option rule covers the whole list before the short-option rule starts, so a
    // list breaking both always gets the long-option message.
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (IsLongOption(optionList[i]) && IsValueWord(optionList[i + 1])) {
            return ReportSyntaxError(console, kLongOptionMessage);
        }
    }
    for (std::size_t k = 0; k + 2 < n; ++k) {
        if (IsShortOption(optionList[k]) && !StartsWithDash(optionList[k + 1]) &&
            !StartsWithDash(optionList[k + 2])) {
            return ReportSyntaxError(console, kShortOptionMessage);
        }
    }
    return true;
}
