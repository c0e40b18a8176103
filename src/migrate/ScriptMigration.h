#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "migrate/BatchValues.h"
#include "migrate/CallTranslation.h"
#include "scripts/ScriptText.h"

namespace migrate {

// A replacement of bytes [begin, end) of a script's text.
struct Edit {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string text;
};

// One call of the legacy program, and what becomes of it.
struct Finding {
    std::size_t line = 0;
    std::size_t column = 0;
    Verdict verdict = Verdict::kManual;
    std::string why;
    // The whole lines the call stands on, as they are and (rewrite only) as they become; each
    // without its last line end. For a task, whose file is never rewritten, `newLines` shows
    // the new action instead (Command, Arguments, and how schtasks sets them), when it is exact.
    std::string oldLines;
    std::string newLines;
    // Rewrite only: the replacements in the script's text.
    std::vector<Edit> edits;
};

// A run of whole lines of the text, starting at 1-based `firstLine`, and what replaces them.
struct Change {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t firstLine = 0;
    std::string text;
};

// How a file's text is read.
enum class ScriptKind { kBatch, kPowerShell, kTask, kPolicyScripts };

// Everything the migration learns about one script: its calls and its rewritten text. Works on
// the file's bytes only; reading and writing files is the caller's.
class ScriptMigration {
public:
    // `legacyNames`: lower-case file names without ".exe". `taskName`: for a task file, the name
    // its place gives it ("\Folder\Name"), used when the task holds no URI. `strict`: a rewrite
    // that is exact only if values the running system holds are plain words becomes review.
    ScriptMigration(std::string bytes, ScriptKind kind, const std::vector<std::string>& legacyNames,
                    const std::string& taskName = std::string(), bool strict = false);

    // Set when the script was not read: why, as a clause ("binary file (...)").
    const std::string& Problem() const;
    const std::vector<Finding>& Findings() const;
    // The text the calls were found in (UTF-8; the file's bytes unless it is UTF-16); empty when
    // the script was not read.
    const std::string& Text() const;
    // The rewrites, in order, as whole lines; none when nothing is rewritten. Worked out on the
    // first call, as scan never asks for them; not from two threads at once.
    const std::vector<Change>& Changes() const;
    // The file's bytes after the rewrites, in its own encoding, mark and line ends.
    std::string RewrittenBytes() const;
    // The file's bytes as read.
    std::string OriginalBytes() const;

private:
    void FindAndTranslate(bool batch, const std::vector<std::string>& legacyNames);
    std::vector<Change> CollectChanges() const;
    void LeaveLongLines();
    // Turns a rewrite into review for what the file shows of its values, or names what it
    // assumes of the others.
    void Qualify(CallOutcome& outcome, const ValueFindings& findings) const;

    bool strict = false;
    std::string problem;
    std::optional<scripts::ScriptText> script;
    std::vector<Finding> findings;
    // Whether the calls were translated, and so the text may change.
    bool translated = false;
    mutable std::optional<std::vector<Change>> changes;
};

}  // namespace migrate
