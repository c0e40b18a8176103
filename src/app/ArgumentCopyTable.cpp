#include "app/ArgumentCopyTable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

void CopyArguments(int count, const char* const* arguments, char** table) {
    for (int i = 0; i < count; ++i) {
        const std::size_t length = std::strlen(arguments[i]);
        // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): the copies live outside C++ ownership
        char* copy = static_cast<char*>(std::malloc(length + 1));
        if (copy == nullptr) {
            std::exit(0);
        }
        std::memcpy(copy, arguments[i], length + 1);
        table[i] = copy;
    }
}

void BlankArguments(int count, char** arguments) {
    for (int i = 1; i < count; ++i) {
        std::memset(arguments[i], ' ', std::strlen(arguments[i]));
    }
}

ArgumentCopyTable::ArgumentCopyTable(int count, const char* const* arguments)
    : entries(static_cast<std::size_t>(std::max(count, kMinimumEntries)), nullptr) {
    CopyArguments(count, arguments, entries.data());
}

ArgumentCopyTable::~ArgumentCopyTable() {
    for (char* entry : entries) {
        // NOLINTNEXTLINE(cppcoreguidelines-no-malloc)
        std::free(entry);
    }
}

const char* const* ArgumentCopyTable::Entries() const {
    return entries.data();
}
