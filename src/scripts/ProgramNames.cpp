#include "scripts/ProgramNames.h"

#include "scripts/AsciiCase.h"
#include "scripts/PowerShellReasons.h"

namespace scripts {

namespace {

constexpr std::string_view kExe = ".exe";

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

// A character that makes a name part of a longer word (letters of any script count).
bool JoinsWord(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '$' || c == '%' || c == '.';
}

}  // namespace

std::size_t ProgramNames::FileNameAt(std::string_view text, std::size_t& nameLength) const {
    std::size_t best = 0;
    for (const std::string& name : names) {
        if (name.empty() || !StartsWithIgnoringCase(text, name)) {
            continue;
        }
        const std::size_t length =
            StartsWithIgnoringCase(text.substr(name.size()), kExe) ? name.size() + kExe.size() : name.size();
        if (length > best) {
            best = length;
            nameLength = name.size();
        }
    }
    return best;
}

bool ProgramNames::IsProgramPath(std::string_view path, NameMatch& match) const {
    std::size_t begin = path.find_last_of("\\/");
    begin = begin == std::string_view::npos ? 0 : begin + 1;
    std::size_t end = path.size();
    if (begin < end && IsQuote(path[begin])) {
        ++begin;
    }
    if (end > begin && IsQuote(path[end - 1])) {
        --end;
    }
    std::size_t nameLength = 0;
    // "C:\Tools\" names a folder, no program.
    if (end <= begin || FileNameAt(path.substr(begin, end - begin), nameLength) != end - begin) {
        return false;
    }
    match = {begin, begin + nameLength, end};
    return true;
}

const char* ProgramNames::HiddenNameReason(std::string_view path, std::string_view value) const {
    NameMatch match;
    if (path == value || IsProgramPath(path, match) || !IsProgramPath(value, match)) {
        return nullptr;
    }
    return path.find('`') != std::string_view::npos ? kEscapedName : kQuotedName;
}

bool ProgramNames::FileNameStartsWithQuote(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t name = slash == std::string_view::npos ? 0 : slash + 1;
    return name < path.size() && IsQuote(path[name]);
}

bool ProgramNames::FindMention(std::string_view text, std::size_t from, NameMatch& match) const {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (i > 0 && JoinsWord(text[i - 1])) {
            continue;
        }
        std::size_t nameLength = 0;
        std::size_t length = FileNameAt(text.substr(i), nameLength);
        // "old.exe.bak" is no mention of old.exe, and "old.txt" none of old.
        while (length > 0 && i + length < text.size() && JoinsWord(text[i + length])) {
            length = length > nameLength ? nameLength : 0;
        }
        if (length > 0) {
            match = {i, i + nameLength, i + length};
            return true;
        }
    }
    return false;
}

}  // namespace scripts
