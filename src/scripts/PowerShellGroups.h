#pragma once

#include <cstddef>

namespace scripts {

// What the word reader needs from the statement reader: the brackets inside a word that hold
// statements or an expression ($( ), @( ), @{ }, ( ), { }, [ ]), read with everything nested in
// them. PowerShellStatementReader implements it; the word reader sees only this.
class PowerShellGroups {
public:
    virtual ~PowerShellGroups() = default;

    // Reads statements from the cursor, past an opening of `openerLength` bytes, up to `closer`
    // (')' or '}'). Calls in them get `capture` as their review reason (nullptr: none); entries
    // of a hashtable are read as key = statement when `hashtable` is set. A group never closed
    // is reported as `unclosed`.
    virtual void ScanGroup(std::size_t openerLength, char closer, const char* capture, bool hashtable,
                           const char* unclosed) = 0;
    // Reads [ ] from its '[' up to and including its ']'.
    virtual void ScanIndex() = 0;
};

}  // namespace scripts
