#pragma once

#include <string>
#include <string_view>

// Windows compares program, variable and command names without regard to the case of ASCII
// letters; every other byte compares as it is. These are that comparison's pieces.
namespace scripts {

inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string AsciiLowered(std::string_view text);
std::string AsciiUppered(std::string_view text);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace scripts
