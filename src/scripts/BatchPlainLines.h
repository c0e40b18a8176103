#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scripts/WordAutomaton.h"

namespace scripts {

// Tells the lines of a batch file that the reader may pass over unread: lines that can hold no
// call and change nothing the reading of a later line depends on. Most lines of a script that
// calls the program are such lines (echo, copy, reg, exit...), and reading them unit by unit is
// most of the time the reader takes; this class looks at the whole text once, up front.
//
// A line is plain when it holds no parenthesis (no block opens or closes, no FOR set), no caret
// (nothing is escaped, no line continues), not the word "set" (which covers SETLOCAL and the
// SET that makes a variable name the program) and none of the program's names, each looked for
// in lower case with the quotes, percent signs and carriage returns taken out, so that a name or
// keyword written in pieces ("o""ld", "se%t", a lone percent sign cmd.exe drops) is found too;
// and, once a variable names the program, no percent sign or exclamation mark.
class BatchPlainLines {
public:
    // `legacyNames`: the program's file names without ".exe".
    BatchPlainLines(std::string_view text, const std::vector<std::string>& legacyNames);

    // Whether line `line` (1-based, lines ending in line feeds) is plain. `tracking`: some
    // variable names the program.
    bool Plain(std::size_t line, bool tracking) const;

private:
    // The steps for these names (see Steps), or none when a name could hide from the search.
    static std::shared_ptr<const std::vector<std::uint16_t>> StepsFor(const std::vector<std::string>& legacyNames);
    // The automaton's steps, each with what its byte makes a line hold; empty when the states
    // do not fit beside those bits.
    static std::vector<std::uint16_t> Steps(const WordAutomaton& automaton);
    // What a line holds, read through `steps`, or byte by byte when the names cannot be searched.
    static unsigned char Read(const std::vector<std::uint16_t>& steps, std::string_view line);
    static unsigned char Kinds(std::string_view line);

    // Per line: the kinds of bytes it holds (kNeverPlain, kVariableSign, kWord below).
    std::vector<unsigned char> lines;
};

}  // namespace scripts
