#include "app/PasswordMask.h"

#include <array>
#include <cctype>
#include <cstddef>

namespace {

struct PasswordName {
    const char* name;      // with its "="
    const char* stopsAt;   // characters that end the value; "" for the end of the word
};

// Every place the legacy syntax carries a password in.
constexpr std::array<PasswordName, 3> kPasswordNames{{
    {"--mm-password=", ""},
    {"--proxy-password=", ""},
    {"--password=", " ,"},
}};

char Lowered(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::size_t FindIgnoringCase(const std::string& text, const std::string& name, std::size_t from) {
    for (std::size_t i = from; i + name.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < name.size() && Lowered(text[i + k]) == name[k]) {
            ++k;
        }
        if (k == name.size()) {
            return i;
        }
    }
    return std::string::npos;
}

void MaskValuesAfter(std::string& word, const PasswordName& password) {
    const std::string name = password.name;
    std::size_t at = FindIgnoringCase(word, name, 0);
    while (at != std::string::npos) {
        const std::size_t start = at + name.size();
        std::size_t end = *password.stopsAt != '\0' ? word.find_first_of(password.stopsAt, start) : word.size();
        end = end == std::string::npos ? word.size() : end;
        if (end > start) {
            word.replace(start, end - start, kMaskedPassword);
            end = start + std::string(kMaskedPassword).size();
        }
        at = FindIgnoringCase(word, name, end);
    }
}

// "--mm-password" or "--proxy-password" alone, whose value a user may have put in the next word.
bool IsBarePasswordOption(const std::string& word) {
    for (const PasswordName& password : kPasswordNames) {
        const std::string name = password.name;
        if (*password.stopsAt == '\0' && word.size() + 1 == name.size() &&
            FindIgnoringCase(word + "=", name, 0) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> MaskPasswords(const std::vector<std::string>& words) {
    std::vector<std::string> masked = words;
    for (std::size_t i = 0; i < masked.size(); ++i) {
        for (const PasswordName& password : kPasswordNames) {
            MaskValuesAfter(masked[i], password);
        }
        if (i > 0 && IsBarePasswordOption(words[i - 1]) && !words[i].empty() && words[i][0] != '-') {
            masked[i] = kMaskedPassword;
        }
    }
    return masked;
}
