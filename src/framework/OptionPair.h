#pragma once

#include <string>

// One row of a translator's accepted-option table.
struct OptionPair {
    // Both texts are copied. `firstName` is never empty: the short form, or the only form of a
    // single-form option. `secondName` is the long form, or empty for a single-form option.
    OptionPair(const char* firstName, const char* secondName);

    std::string firstName;
    std::string secondName;
};
