#include "migrate/ScriptCollector.h"

#include <algorithm>
#include <optional>
#include <unordered_set>
#include <system_error>
#include <utility>

#include "migrate/System.h"
#include "scripts/AsciiCase.h"

namespace migrate {
namespace {

namespace fs = std::filesystem;

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

// The extension of a file name, lower case, with its dot; none for ".name".
std::string LowerExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : scripts::AsciiLowered(name.substr(dot));
}

bool IsPowerShell(const std::string& extension) {
    return extension == ".ps1" || extension == ".psm1";
}

bool IsTasksFolder(const std::string& name) {
    return scripts::EqualsIgnoringCase(name, "tasks");
}

// Group Policy's lists of startup, shutdown, logon and logoff scripts.
bool IsPolicyScripts(const std::string& name) {
    return scripts::EqualsIgnoringCase(name, "scripts.ini") || scripts::EqualsIgnoringCase(name, "psscripts.ini");
}

// How a file found in a folder is read; nothing for a file that is neither script nor task.
// Files that may be tasks are only those that can be, so that an ordinary tree costs nothing more.
std::optional<ScriptPath> Found(const std::string& name, std::string path, std::string display, bool belowTasks) {
    const std::string extension = LowerExtension(name);
    if (extension == ".bat" || extension == ".cmd") {
        return ScriptPath{std::move(display), std::move(path), ScriptKind::kBatch, ContentCheck::kNone};
    }
    if (IsPowerShell(extension)) {
        return ScriptPath{std::move(display), std::move(path), ScriptKind::kPowerShell, ContentCheck::kNone};
    }
    if (IsPolicyScripts(name)) {
        return ScriptPath{std::move(display), std::move(path), ScriptKind::kPolicyScripts, ContentCheck::kNone};
    }
    if (name.empty() || name[0] == '.') {
        return std::nullopt;
    }
    if (belowTasks || extension == ".xml" || name.find('.') == std::string::npos) {
        return ScriptPath{std::move(display), std::move(path), ScriptKind::kTask, ContentCheck::kTaskOrSkip};
    }
    return std::nullopt;
}

// How a file named on the command line is read.
ScriptPath Named(const fs::path& given, const std::string& display) {
    const std::string name = given.filename().u8string();
    const std::string path = given.u8string();
    const std::string extension = LowerExtension(name);
    if (IsPowerShell(extension)) {
        return ScriptPath{display, path, ScriptKind::kPowerShell, ContentCheck::kNone};
    }
    if (extension == ".xml") {
        return ScriptPath{display, path, ScriptKind::kTask, ContentCheck::kNone};
    }
    if (IsPolicyScripts(name)) {
        return ScriptPath{display, path, ScriptKind::kPolicyScripts, ContentCheck::kNone};
    }
    const bool bare = name.find('.') == std::string::npos;
    return ScriptPath{display, path, ScriptKind::kBatch, bare ? ContentCheck::kTaskOrBatch : ContentCheck::kNone};
}

bool IsInside(const fs::path& file, const fs::path& root) {
    const auto mismatch = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    return mismatch.first == root.end();
}

// Made in one allocation: three of these for each file found are most of the walk's own work.
std::string Joined(const std::string& folder, const std::string& name, char separator) {
    const bool join = !folder.empty() && folder.back() != '/' && folder.back() != separator;
    std::string path;
    path.reserve(folder.size() + (join ? 1 : 0) + name.size());
    path += folder;
    if (join) {
        path += separator;
    }
    return path += name;
}

class Walk {
public:
    Walk(const std::function<void(ScriptPath)>& found, std::vector<std::string>& errors)
        : found(found), errors(errors) {}

    void Path(const std::string& given) {
        std::error_code error;
        const fs::path path = PathFromUtf8(given);
        const fs::file_status status = fs::status(path, error);
        if (status.type() == fs::file_type::not_found) {
            errors.push_back(given + ": no such file or folder");
        } else if (error) {
            errors.push_back(given + ": " + error.message());
        } else if (status.type() == fs::file_type::directory) {
            root = fs::weakly_canonical(path, error);
            bool belowTasks = false;
            for (const fs::path& part : root) {
                belowTasks = belowTasks || IsTasksFolder(part.u8string());
            }
            Folder(given, given, root.u8string(), belowTasks);
        } else if (status.type() != fs::file_type::regular) {
            // A pipe would wait for a writer forever, a device never end: neither is a script.
            errors.push_back(given + ": is neither a file nor a folder");
        } else {
            Add(Named(path, given), fs::weakly_canonical(path, error).u8string());
        }
    }

private:
    // `canonical` is the folder's canonical path: the files below it need no look-up of their own.
    // NOLINTNEXTLINE(misc-no-recursion): as deep as the folders, which the path length bounds
    void Folder(const std::string& folder, const std::string& display, const std::string& canonical, bool belowTasks) {
        std::vector<FolderEntry> entries;
        std::string error;
        if (!ListFolder(folder, entries, error)) {
            errors.push_back(display + ": " + error);
            return;
        }
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        for (const FolderEntry& entry : entries) {
            std::string path = Joined(folder, entry.name, kSeparator);
            std::string shown = Joined(display, entry.name, '/');
            if (entry.type == EntryType::kLink) {
                // Never into a linked folder; a linked file only when it stays in the tree.
                std::error_code code;
                const fs::path target = fs::weakly_canonical(PathFromUtf8(path), code);
                auto script = Found(entry.name, std::move(path), std::move(shown), belowTasks);
                if (!code && script && fs::is_regular_file(target, code) && IsInside(target, root)) {
                    Add(std::move(*script), target.u8string());
                }
            } else if (entry.type == EntryType::kFolder) {
                if (entry.name[0] != '.') {
                    Folder(path, shown, Joined(canonical, entry.name, kSeparator),
                           belowTasks || IsTasksFolder(entry.name));
                }
            } else if (entry.type == EntryType::kFile) {
                if (auto script = Found(entry.name, std::move(path), std::move(shown), belowTasks)) {
                    Add(std::move(*script), Joined(canonical, entry.name, kSeparator));
                }
            }
        }
    }

    void Add(ScriptPath script, std::string canonical) {
        if (seen.insert(std::move(canonical)).second) {
            found(std::move(script));
        }
    }

    const std::function<void(ScriptPath)>& found;
    std::vector<std::string>& errors;
    std::unordered_set<std::string> seen;
    fs::path root;
};

}  // namespace

void CollectScripts(const std::vector<std::string>& paths, std::vector<std::string>& errors,
                    const std::function<void(ScriptPath)>& found) {
    Walk walk(found, errors);
    for (const std::string& path : paths) {
        walk.Path(path);
    }
}

}  // namespace migrate
