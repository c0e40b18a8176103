#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace migrate {

// One assignment of a variable in a batch file.
struct BatchAssignment {
    std::size_t line = 0;
    // The value as written (carets and references left in).
    std::string value;
    // Set when the value is made when the script runs ("set /p", "set /a"): how, as a clause.
    std::string madeAtRunTime;
};

// The literal set of a FOR loop, and the switches before its variable.
struct BatchForLoop {
    std::size_t line = 0;
    char letter = 0;
    // Lower case: "" for a plain loop, otherwise the switch letters ("f", "l", "d", "r").
    std::string switches;
    std::string set;
};

// "call :label ARGUMENTS" somewhere in the file.
struct BatchCallSite {
    std::size_t line = 0;
    std::vector<std::string> arguments;
    // The call's output goes to a file or a pipe: whatever the label runs prints there.
    std::string redirection;
};

// What a batch file as a whole does to the values a call sees: every assignment wherever it
// stands (cmd.exe's order of running is not the order of the text: goto, call, blocks), the
// FOR loops, the subroutines and who calls them, SYSTEMDRIVE and delayed expansion. Read from
// the text line by line, generously: a "set" in an echo counts as one, which only makes calls
// review that might have been rewritten.
class BatchFacts {
public:
    explicit BatchFacts(std::string_view text);

    // Every assignment of NAME (upper case), in the order of the text; null when there is none.
    const std::vector<BatchAssignment>* Assignments(const std::string& name) const;
    // The first line that sets SYSTEMDRIVE, or 0.
    std::size_t SystemDriveLine() const;
    // The first line that switches delayed expansion on, or 0.
    std::size_t DelayedLine() const;
    // Whether "setlocal disabledelayedexpansion" stands on a line before `line`.
    bool DelayedOffBefore(std::size_t line) const;
    // The loop that declares `letter` for a call on `line`: the last one at or before it.
    const BatchForLoop* LoopFor(char letter, std::size_t line) const;
    // The label (upper case, without ":") whose code holds `line`; empty in the main part.
    std::string LabelOf(std::size_t line) const;
    // The "call :label" sites of a label (upper case).
    std::vector<const BatchCallSite*> CallSites(const std::string& label) const;
    // When the code holding `line` runs through a "call :label" whose output is redirected: why.
    std::string RedirectedRun(std::size_t line) const;

private:
    // `lower`: the line in lower case.
    void ReadLine(std::string_view line, std::string_view lower, std::size_t number);
    // Notes the first line that switches delayed expansion on, and the first that switches it
    // off; `lower` is the whole text in lower case.
    void ReadDelayed(std::string_view lower);
    // Finds "set", "call :label" and "for" wherever a command may start on the line.
    void ReadCommandWords(std::string_view line, std::string_view lower, std::size_t number);
    void ReadSet(std::string_view rest, std::size_t number, bool inParentheses);
    void ReadCall(std::string_view rest, std::size_t number);
    void ReadFor(std::string_view line, std::size_t number);

    std::map<std::string, std::vector<BatchAssignment>> assignments;
    std::size_t systemDriveLine = 0;
    std::size_t delayedLine = 0;
    std::size_t delayedOffLine = 0;
    std::vector<BatchForLoop> loops;
    // Label lines in order: (line, upper-case name).
    std::vector<std::pair<std::size_t, std::string>> labels;
    // Lines that end a subroutine: "goto :eof", "exit /b".
    std::vector<std::size_t> returns;
    std::multimap<std::string, BatchCallSite> callSites;
};

}  // namespace migrate
