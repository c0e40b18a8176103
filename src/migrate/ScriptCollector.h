#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace migrate {

struct ScriptPath {
    // As the reports name it: the path as given, then the folders below it, joined by "/".
    std::string display;
    std::filesystem::path path;
    // A batch file (.bat, .cmd, and any file named explicitly that is not PowerShell's).
    bool batch = true;
};

// The scripts under `paths`: a file as given; a folder walked recursively for *.bat, *.cmd,
// *.ps1 and *.psm1 (any letter case), in name order, skipping hidden folders and following no
// link to a folder, and a link to a file only when it leads to a file inside the folder. A
// script reached twice is listed once. Each path that cannot be walked adds a line to `errors`.
std::vector<ScriptPath> CollectScripts(const std::vector<std::string>& paths, std::vector<std::string>& errors);

}  // namespace migrate
