#pragma once

#include <vector>

// Copies argument i of `arguments` into a fresh malloc'd, NUL-terminated text in table[i], for
// every i below `count`. `table` must have room for `count` entries. When memory runs out the
// process ends at once, silently, with exit status 0, as the old tool did.
void CopyArguments(int count, const char* const* arguments, char** table);

// Overwrites every character of arguments 1 to count - 1 with a space, keeping their lengths;
// the program name stays. This clears the argument texts the program itself holds, as the old
// tool did; on Windows the process's original command line is a separate copy and stays as is.
void BlankArguments(int count, char** arguments);

// The private copies of the process arguments that everything after start-up reads. Holds as
// many entries as there are arguments, and never fewer than the old tool's 50.
class ArgumentCopyTable {
public:
    static constexpr int kMinimumEntries = 50;

    ArgumentCopyTable(int count, const char* const* arguments);
    ~ArgumentCopyTable();

    ArgumentCopyTable(const ArgumentCopyTable&) = delete;
    ArgumentCopyTable& operator=(const ArgumentCopyTable&) = delete;

    // The copies, entry 0 being the program name; entries past the arguments are null.
    const char* const* Entries() const;

private:
    std::vector<char*> entries;
};
