#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace scripts {

// Programs and cmdlets that run a command line they are handed: on another computer, as another
// user, at a set time, in another shell. A mention of the legacy program among their arguments
// is a call all the same, one that tolvex-migrate finds and leaves for a person: it cannot
// rewrite a command line that another program takes apart.
class Launchers {
public:
    // Which arguments may hold the command line.
    enum class Reach {
        kAll,      // any argument
        kAfter,    // any argument after the `after` word
        kNext,     // the one argument after the `after` word ("/tr LINE")
        kProgram,  // the one argument after the `after` word, when the program is its first word
                   // ("/c old up", "/c "old up"", not "/c echo old")
    };

    // What a launcher's arguments are searched for; an empty reason for a command that is none.
    struct Launch {
        // Why the call is left for review, naming the command as written.
        std::string reason;
        // The argument the command line follows, lower case, alternatives separated by '|'
        // ("/c|/k"); empty for kAll.
        std::string_view after;
        Reach reach = Reach::kAll;
    };

    // `command`: the command word as written, with its folder and ".exe" if any.
    static Launch Of(std::string_view command);

    // Whether `command` (as for Of) starts cmd.exe: by its name, with or without folder and
    // ".exe", or through %COMSPEC% or $env:ComSpec, which Windows sets to it.
    static bool IsCmd(std::string_view command);

    // Whether `argument` is one of the `after` words of `launch`, without regard to case.
    static bool Opens(const Launch& launch, std::string_view argument);

    // The part of `arguments` (a batch command's text after its command word) that may hold the
    // command line: all of it for kAll or when there is no `after` word; what follows the `after` word (looked for as a whole
    // word), or for kNext and kProgram the one word after it, double quotes keeping blanks
    // inside; empty when the word is not there.
    static std::string_view CommandLine(std::string_view arguments, const Launch& launch);

    // Whether `at` stands in the first word of the command line `line` (one argument, with or
    // without double quotes around it all): no blank outside quotes before it.
    static bool InFirstWord(std::string_view line, std::size_t at);
};

}  // namespace scripts
