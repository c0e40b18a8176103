#include "migrate/BatchAssignments.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "scripts/AsciiCase.h"

namespace migrate {
namespace {

// Windows sets these to folders under "C:\Program Files" on every installation.
constexpr std::array<const char*, 5> kSpacedByWindows = {"PROGRAMFILES", "PROGRAMFILES(X86)", "PROGRAMW6432",
                                                         "COMMONPROGRAMFILES", "COMMONPROGRAMFILES(X86)"};

bool HoldsSpace(std::string_view value, const std::map<std::string, std::size_t>& spaced) {
    if (value.find(' ') != std::string_view::npos) {
        return true;
    }
    for (std::size_t start = value.find('%'); start != std::string_view::npos;) {
        const std::size_t end = value.find('%', start + 1);
        if (end == std::string_view::npos) {
            break;
        }
        const std::string name = ReferencedName(std::string(value.substr(start, end - start + 1)));
        if (SetWithSpaceByWindows(name) || spaced.count(name) != 0) {
            return true;
        }
        start = value.find('%', end + 1);
    }
    return false;
}

}  // namespace

bool SetWithSpaceByWindows(const std::string& name) {
    return std::find(kSpacedByWindows.begin(), kSpacedByWindows.end(), name) != kSpacedByWindows.end();
}

std::string ReferencedName(const std::string& source) {
    if (source.size() < 3 || (source[0] != '%' && source[0] != '!') || source[1] == '%' || source[1] == '~' ||
        std::isdigit(static_cast<unsigned char>(source[1])) != 0 || source.back() != source[0]) {
        return std::string();
    }
    const std::string inner = source.substr(1, source.size() - 2);
    return scripts::AsciiUppered(inner.substr(0, inner.find(':')));
}

std::size_t CommandEnd(std::string_view text, std::string_view stops) {
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else if (!quoted && text[i] == '^') {
            ++i;
        } else if (!quoted && stops.find(text[i]) != std::string_view::npos) {
            return i;
        }
    }
    return text.size();
}

std::map<std::string, std::size_t> VariablesWithSpaces(std::string_view text) {
    std::map<std::string, std::size_t> spaced;
    std::size_t line = 1;
    for (std::size_t start = 0; start < text.size(); ++line) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view command = text.substr(start, end - start);
        start = end + 1;
        std::size_t first = 0;
        while (first < command.size() && (command[first] == ' ' || command[first] == '\t' || command[first] == '@')) {
            ++first;
        }
        if (!scripts::StartsWithIgnoringCase(command.substr(first), "set ")) {
            continue;
        }
        command.remove_prefix(first + 4);
        command.remove_prefix(std::min(command.find_first_not_of(" \t"), command.size()));
        // The "set" ends where cmd.exe ends it: in `set "D=C:\fw" && echo "a b"` D holds no space.
        command = command.substr(0, CommandEnd(command, "&|"));
        command.remove_prefix(std::min(command.find_first_not_of(" \t\""), command.size()));
        const std::size_t equals = command.find('=');
        if (equals == 0 || equals == std::string_view::npos || command[0] == '/') {
            continue;
        }
        std::string_view value = command.substr(equals + 1);
        value = value.substr(0, value.find_last_not_of("\r\" \t") + 1);
        const std::string name = scripts::AsciiUppered(command.substr(0, equals));
        if (spaced.count(name) == 0 && HoldsSpace(value, spaced)) {
            spaced.emplace(name, line);
        }
    }
    return spaced;
}

}  // namespace migrate
