#include "scripts/PolicyScriptsReader.h"

#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "scripts/AsciiCase.h"

namespace scripts {
namespace {

// "12CmdLine" -> (12, "cmdline"); no number: npos.
std::pair<std::size_t, std::string> NumberedKey(std::string_view key) {
    std::size_t digits = 0;
    while (digits < key.size() && key[digits] >= '0' && key[digits] <= '9') {
        ++digits;
    }
    if (digits == 0 || digits > 6) {
        return {std::string_view::npos, std::string()};
    }
    return {std::stoul(std::string(key.substr(0, digits))), AsciiLowered(key.substr(digits))};
}

}  // namespace

std::vector<TaskExec> ReadPolicyScripts(std::string_view text) {
    // Per section and number: the index of its script in `scripts`, and its Parameters found
    // before its CmdLine.
    std::map<std::pair<std::string, std::size_t>, std::size_t> listed;
    std::map<std::pair<std::string, std::size_t>, TaskElementText> early;
    std::vector<TaskExec> scripts;
    std::string section;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        const std::size_t next = end + 1;
        end -= end > start && text[end - 1] == '\r' ? 1 : 0;
        const std::string_view line = text.substr(start, end - start);
        const std::size_t equals = line.find('=');
        if (!line.empty() && line[0] == '[') {
            section = AsciiLowered(line.substr(1, line.find(']') - 1));
        } else if (equals != std::string_view::npos) {
            const auto [number, name] = NumberedKey(line.substr(0, equals));
            const TaskElementText value{std::string(line.substr(equals + 1)), start + equals + 1, end};
            const auto key = std::make_pair(section, number);
            if (number != std::string_view::npos && name == "cmdline" && listed.count(key) == 0) {
                listed[key] = scripts.size();
                scripts.push_back({value, std::nullopt});
                const auto parameters = early.find(key);
                if (parameters != early.end()) {
                    scripts.back().arguments = parameters->second;
                }
            } else if (number != std::string_view::npos && name == "parameters") {
                const auto script = listed.find(key);
                if (script != listed.end()) {
                    scripts[script->second].arguments = value;
                } else {
                    early[key] = value;
                }
            }
        }
        start = next;
    }
    return scripts;
}

}  // namespace scripts
