#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scripts/BatchLexer.h"
#include "scripts/ScriptCall.h"

namespace scripts {

// How a command word names the program it runs.
struct ProgramMatch {
    enum class Kind {
        kOther,     // not the legacy program
        kName,      // the legacy program's file name, maybe with a folder and ".exe"
        kVariable,  // a single variable that was set to a path naming the legacy program
    };
    Kind kind = Kind::kOther;
    // kName: the file name without folder and ".exe"; kVariable: the variable reference.
    ByteRange name;
    // kName: quotes or carets stand inside the file name.
    bool nameInPieces = false;
};

// Recognises the legacy program in command words, by file name (ASCII case-insensitively, as
// Windows does) and through variables set earlier to a path naming it.
class BatchProgramName {
public:
    // `legacyNames`: file names without ".exe".
    explicit BatchProgramName(std::vector<std::string> legacyNames);

    // What `word` (the units of one command word, quotes included) names. `delayed`: "!NAME!"
    // is a variable too.
    ProgramMatch Match(const std::vector<BatchUnit>& word, std::string_view text, bool delayed);

    // Notes "set NAME=value", `value` being the units of the value: NAME names the legacy
    // program from now on exactly when the value's file name is one of the legacy names.
    void NoteAssignment(std::string_view name, const BatchUnit* value, std::size_t count);
    // A loop whose set names the program begins (`change` 1) or ends (-1) for FOR variable
    // `letter`: %%letter names it inside; 0 changes nothing.
    void NoteLoopLetter(char letter, int change);
    // Whether some variable names the legacy program now.
    bool Tracking() const { return !tracked.empty() || loopsNaming > 0; }

private:
    // Collects the file name of units[0, count) (what follows the last folder separator or
    // variable, quotes left out) into fileName and the index of each of its units into nameUnits.
    void CollectFileName(const BatchUnit* units, std::size_t count);
    // The length of fileName without ".exe" when it is a legacy name, or 0.
    std::size_t LegacyLength() const;
    bool IsTracked(std::string_view variable) const;

    std::vector<std::string> names;
    std::vector<std::string> tracked;
    // For each FOR letter: how many loops in whose scope it names the program enclose the text.
    std::array<int, 256> loopLetters{};
    int loopsNaming = 0;
    std::string fileName;
    std::vector<std::size_t> nameUnits;
};

}  // namespace scripts
