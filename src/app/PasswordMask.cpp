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

void MaskValuesAfter(std::string& word, const PasswordName& password, const std::string& stopsAt,
                     std::vector<std::string>& hidden) {
    const std::string name = password.name;
    std::size_t at = FindIgnoringCase(word, name, 0);
    while (at != std::string::npos) {
        const std::size_t start = at + name.size();
        std::size_t end = !stopsAt.empty() ? word.find_first_of(stopsAt, start) : word.size();
        end = end == std::string::npos ? word.size() : end;
        if (end > start) {
            hidden.push_back(word.substr(start, end - start));
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

std::vector<std::string> MaskPasswords(const std::vector<std::string>& words, std::vector<std::string>& hidden) {
    std::vector<std::string> masked = words;
    for (std::size_t i = 0; i < masked.size(); ++i) {
        for (const PasswordName& password : kPasswordNames) {
            MaskValuesAfter(masked[i], password, password.stopsAt, hidden);
        }
        if (i > 0 && IsBarePasswordOption(words[i - 1]) && !words[i].empty() && words[i][0] != '-') {
            hidden.push_back(words[i]);
            masked[i] = kMaskedPassword;
        }
    }
    return masked;
}

std::string MaskPasswordsInText(std::string text, const std::vector<std::string>& hidden) {
    std::vector<std::string> found;
    for (const PasswordName& password : kPasswordNames) {
        MaskValuesAfter(text, password, std::string(" \t\"") + password.stopsAt, found);
    }
    const std::string mask = kMaskedPassword;
    for (const std::string& value : hidden) {
        for (std::size_t at = text.find(value); !value.empty() && at != std::string::npos;
             at = text.find(value, at + mask.size())) {
            text.replace(at, value.size(), mask);
        }
    }
    return text;
}
