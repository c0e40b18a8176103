#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "migrate/ScriptMigration.h"

namespace migrate {

// Whether a file's content decides how it is read.
enum class ContentCheck {
    kNone,
    // Found in a folder (*.xml, a file without extension, any file below a folder named Tasks):
    // read as a task when it is one, passed over otherwise.
    kTaskOrSkip,
    // Named without an extension: a task when it is one, a batch file otherwise.
    kTaskOrBatch,
};

struct ScriptPath {
    // As the reports name it: the path as given, then the folders below it, joined by "/".
    std::string display;
    // As the system takes it (a string: a filesystem::path costs a parse of its parts per file).
    std::string path;
    // PowerShell for *.ps1 and *.psm1, a task for a named *.xml, batch otherwise.
    ScriptKind kind = ScriptKind::kBatch;
    ContentCheck check = ContentCheck::kNone;
};

// The scripts under `paths`: a file as given; a folder walked recursively for *.bat, *.cmd,
// *.ps1 and *.psm1 (any letter case), and for task files (*.xml, files without an extension,
// and every other file below a folder named Tasks), in name order, skipping hidden folders and
// files and following no link to a folder, and a link to a file only when it leads to a file
// inside the folder. A script reached twice is listed once. Each script goes to `found` as the
// walk reaches it; each path that cannot be walked adds a line to `errors`.
void CollectScripts(const std::vector<std::string>& paths, std::vector<std::string>& errors,
                    const std::function<void(ScriptPath)>& found);

}  // namespace migrate
