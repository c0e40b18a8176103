#include "scripts/PowerShellReader.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "scripts/PowerShellCursor.h"
#include "scripts/PowerShellFindings.h"
#include "scripts/PowerShellStatementReader.h"

// The reader in parts, each reading forward from one shared PowerShellCursor and recording into
// one PowerShellFindings:
//   PowerShellStatementReader  statements, pipelines, expressions, command position
//   PowerShellArgumentReader   a command's arguments up to the end of the command
//   PowerShellWordReader       one word: strings, escapes, variables, here-strings
//   PowerShellCursor           the position, the layout between tokens, token shapes
// They descend into one another as the script nests brackets and strings.
namespace scripts {

std::vector<ScriptCall> FindPowerShellCalls(std::string_view text, const std::vector<std::string>& legacyNames) {
    PowerShellFindings found(text, legacyNames);
    PowerShellCursor scan(text, found);
    PowerShellStatementReader statements(scan, found);
    statements.ScanStatements('\0', nullptr, false, nullptr);

    std::vector<ScriptCall> calls = std::move(found.calls);
    std::stable_sort(calls.begin(), calls.end(),
                     [](const ScriptCall& a, const ScriptCall& b) { return a.program.begin < b.program.begin; });
    std::size_t line = 1;
    std::size_t lineStart = 0;
    std::size_t pos = 0;
    for (ScriptCall& call : calls) {
        while (pos < call.program.begin) {
            const std::size_t newline = scan.text.NewlineLength(pos);
            pos += newline == 0 ? 1 : newline;
            if (newline > 0) {
                ++line;
                lineStart = pos;
            }
        }
        call.line = line;
        call.column = call.program.begin - lineStart + 1;
    }
    return calls;
}

}  // namespace scripts
