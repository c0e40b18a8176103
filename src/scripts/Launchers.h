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
    // What a launcher's arguments are searched for; an empty reason for a command that is none.
    struct Launch {
        // Why the call is left for review, naming the command as written.
        std::string reason;
        // The argument after which the command line stands ("/tr" of schtasks, lower case), or
        // empty when any argument may hold it.
        std::string_view after;
        // The command line is the one argument right after `after` ("/tr LINE"), not any later.
        bool onlyNext = false;
    };

    // `command`: the command word as written, with its folder and ".exe" if any.
    static Launch Of(std::string_view command);

    // The part of `arguments` (a batch command's text after its command word) that may hold the
    // command line: all of it when `after` is empty; otherwise what follows the `after` word
    // (looked for without regard to case, as a whole word), or with `onlyNext` the one word
    // after it, double quotes keeping blanks inside; empty when the word is not there.
    static std::string_view CommandLine(std::string_view arguments, const Launch& launch);
};

}  // namespace scripts
