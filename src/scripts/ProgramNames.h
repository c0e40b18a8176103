#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace scripts {

// Where a name of the legacy program stands in a piece of text: the name itself (without
// ".exe") and the end of the file name (after ".exe" when it is there).
struct NameMatch {
    std::size_t nameBegin = 0;
    std::size_t nameEnd = 0;
    std::size_t fileEnd = 0;
};

// The legacy program's file names (without ".exe", lower-case ASCII) and the ways a script names
// the program. Names compare ASCII case-insensitively.
class ProgramNames {
public:
    explicit ProgramNames(std::vector<std::string> legacyNames) : names(std::move(legacyNames)) {}

    // True when `path` (a program token's text, its enclosing quotes removed) runs the legacy
    // program: its file name, after the last '\' or '/' and without quotes, is a name or a name
    // with ".exe". Offsets in `match` are into `path`.
    bool IsProgramPath(std::string_view path, NameMatch& match) const;
    // Why a command is left for review when `path`, as written, names no program but `value`,
    // the same token as PowerShell reads it, does: backtick escapes ("o`ld") or quotes (ol"d")
    // hide the name. Null when the written path names the program or the value names none.
    const char* HiddenNameReason(std::string_view path, std::string_view value) const;
    // True when the file name of `path` (after the last '\' or '/') starts with a quote.
    static bool FileNameStartsWithQuote(std::string_view path);

    // The first mention of the legacy program at or after `from` in `text` (a command line in a
    // string, or text the reader could not take apart): a name, with ".exe" or without, joined
    // to no letter, digit, '_', '-', '$', '%' or '.'. Returns false when there is none.
    bool FindMention(std::string_view text, std::size_t from, NameMatch& match) const;

private:
    // The length of the name (with ".exe" when it follows) starting `text` exactly, 0 if none;
    // sets `nameLength` to the name's own length.
    std::size_t FileNameAt(std::string_view text, std::size_t& nameLength) const;

    std::vector<std::string> names;
};

}  // namespace scripts
