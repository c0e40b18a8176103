#pragma once

#include <string>
#include <vector>

// The text written in place of a password.
constexpr const char* kMaskedPassword = "***";

// `words` with every value that can carry a password written as kMaskedPassword: the text after
// "--mm-password=" or "--proxy-password=" to the end of its word, the text after "--password="
// (inside --update-args) up to the next space or comma, as the translators cut it, and the word
// after a bare --mm-password or --proxy-password. Names match without regard to case, wherever
// they stand in a word, so that a mistyped or misplaced password is hidden too. Empty values
// stay empty: nothing is hidden there, and the translators treat an empty value differently.
// The values masked are added to `hidden`.
std::vector<std::string> MaskPasswords(const std::vector<std::string>& words, std::vector<std::string>& hidden);

// A free text, such as the command line of the program that made the call, with the passwords
// masked: after each of the names above up to the next space, tab or double quote (and comma,
// after "--password="), and every occurrence of the `hidden` values wherever it stands.
std::string MaskPasswordsInText(std::string text, const std::vector<std::string>& hidden);
