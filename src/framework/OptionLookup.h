#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "framework/OptionPair.h"
#include "params/Parameters.h"

// Questions about the legacy option list: which options are present, what values they carry,
// and whether the list fits a translator's accepted-option table. Every call scans the list
// afresh; nothing is cached and nothing is changed. Problems are reported on `console`.
class OptionLookup {
public:
    OptionLookup(const Parameters& parameters, std::ostream& console);

    // The name a word stands for: a short-option word whole, a long-option word up to its first
    // "=", and the empty text for anything else (value words, a lone "-").
    static std::string GetOptionName(const std::string& word);

    // The value of the first occurrence of `name` that carries one. A short name takes the value
    // word that follows it; a long name takes the text after the first "=" of its own word, and
    // the first occurrence holding "=" ends the search even when that text is empty. Returns the
    // empty text when nothing is found or the name is neither short nor long.
    std::string GetOptionValue(const std::string& name) const;

    // True when the word's option name equals a `firstName` or `secondName` of some row.
    static bool IsSupportedOption(const std::string& word, const std::vector<OptionPair>& table);

    // True when every option word is in the table and no row carries values under both names.
    // Otherwise prints why (the unsupported-option message without a line end) and returns false.
    bool CheckOptions(const std::vector<OptionPair>& table) const;

    // True when some word has the option name `first`, or `second` when that is not empty.
    // A malformed name is reported and counts as absent.
    bool HasOption(const std::string& first, const std::string& second) const;

    // The value under `first`, else under `second`. When both carry values, warns and returns the
    // value under `first`. A malformed name is reported and yields the empty text.
    std::string GetPairValue(const std::string& first, const std::string& second) const;

private:
    bool HasOptionNamed(const std::string& name) const;

    const std::vector<std::string>& optionList;
    std::ostream& console;
};
