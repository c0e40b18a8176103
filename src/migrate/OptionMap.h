#pragma once

#include <string>
#include <utility>
#include <vector>

namespace migrate {

// What one accepted legacy option becomes, learnt by running its translator on it.
struct MappedOption {
    // The option's forms as typed, with VALUE where it takes one ("-l VALUE", "--local=VALUE").
    std::vector<std::string> legacy;
    // The current tool's words it adds (empty when it adds none).
    std::string becomes;
    // What tolvex-legacy prints for it on its own (a warning, or why it refuses it alone).
    std::string prints;
    // For a value that changes the translation beyond being copied: the value, and what the
    // option then becomes.
    std::vector<std::pair<std::string, std::string>> special;
    bool refused = false;
};

struct MappedCommand {
    std::vector<std::string> keywords;
    // The translation with no options, without the closing output directory.
    std::string command;
    std::vector<MappedOption> options;
};

// Every legacy command and each option its translator accepts, in table order.
std::vector<MappedCommand> MapCommands();

// The map as Markdown tables, one per command.
std::string MapMarkdown(const std::vector<MappedCommand>& commands);

// The map as one JSON document.
std::string MapJson(const std::vector<MappedCommand>& commands);

}  // namespace migrate
