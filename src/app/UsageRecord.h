#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/UsageSystem.h"

// One line of the usage log: who called tolvex-legacy, from where, with which words, and what
// came of it. Every text is UTF-8; passwords are masked before they get here.
struct UsageRecord {
    std::string time;
    std::string computer;
    std::string user;
    unsigned long pid = 0;
    usage::ParentProcess parent;
    std::string cwd;
    std::vector<std::string> args;
    std::optional<std::string> line;
    std::optional<std::string> refused;
    int status = 0;

    // The record as one JSON object on one line, without spaces between tokens, ended by "\n".
    // Bytes that are not UTF-8 are written as U+FFFD, so the line is always valid JSON.
    std::string ToJsonLine() const;
};
