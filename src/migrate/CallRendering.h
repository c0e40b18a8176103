#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "scripts/ScriptCall.h"

// How a translated line is written back into each kind of script. The translated line holds a
// placeholder for each of the call's variables; these put the variable back as the script wrote it.
namespace migrate {

// `text` with every `from` replaced by `to`.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// The variable whose placeholder starts at `at`, and the placeholder's length.
std::size_t PlaceholderIndex(const std::string& text, std::size_t at, std::size_t& length);

// `text` with every placeholder replaced by how `name(index)` writes it.
template <typename Name>
std::string ShowVariables(const std::string& text, Name name) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != scripts::kPlaceholderStart) {
            shown += text[i];
            continue;
        }
        std::size_t length = 0;
        shown += name(PlaceholderIndex(text, i, length));
        i += length - 1;
    }
    return shown;
}

// The translated line as PowerShell writes it, every word quoted so that 5.1 and 7.3 pass the
// same words; nothing, with `why`, when no writing does. After --% the text as written.
std::optional<std::string> RenderPowerShell(const std::string& line, const scripts::ScriptCall& call, std::string& why);

// The translated line as a task's Arguments: variables as written, the drive as %SYSTEMDRIVE%
// (the Task Scheduler expands both), an element with a variable written in double quotes quoted
// again, so that the value may hold spaces as before.
std::string RenderTask(const std::string& line, const scripts::ScriptCall& call);

// The translated line as a batch file writes it, element by element (an element runs to the next
// space outside double quotes).
std::optional<std::string> RenderBatch(const std::string& line, const scripts::ScriptCall& call, std::string& why);

}  // namespace migrate
