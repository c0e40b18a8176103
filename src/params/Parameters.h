#pragma once

#include <ostream>
#include <string>
#include <vector>

// The legacy command line as typed: the command keyword and every word after it.
// Built once from the argument copies and only read afterwards.
class Parameters {
public:
    // `count` counts the program name; `arguments` holds at least `count` NUL-terminated texts,
    // entry 0 being the program name. Entry 1 becomes the command, entries 2 on the option list.
    Parameters(int count, const char* const* arguments);
    virtual ~Parameters() = default;

    Parameters(const Parameters&) = delete;
    Parameters& operator=(const Parameters&) = delete;

    // The command keyword; empty when none was given.
    std::string GetCommand() const;

    // The words after the command keyword, in order, exactly as typed.
    const std::vector<std::string>& GetOptionList() const;

    // "-x...": at least two characters, a dash and then anything but a dash.
    static bool IsShortOption(const std::string& word);
    // "--...": at least two characters, beginning with two dashes ("--" itself included).
    static bool IsLongOption(const std::string& word);
    // Any word whose first character is not a dash; the empty word is a value word.
    static bool IsValueWord(const std::string& word);

    // Checks the shape of the option list against the legacy syntax. Returns true when it is
    // well formed; otherwise writes the two-line complaint to `console` and returns false.
    bool CheckSyntax(std::ostream& console) const;

private:
    std::string command;
    std::vector<std::string> optionList;
};
