#include "migrate/ScriptCollector.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "scripts/AsciiCase.h"

namespace migrate {
namespace {

namespace fs = std::filesystem;

std::string LowerExtension(const fs::path& path) {
    return scripts::AsciiLowered(path.extension().string());
}

bool IsPowerShell(const fs::path& path) {
    const std::string extension = LowerExtension(path);
    return extension == ".ps1" || extension == ".psm1";
}

bool IsScript(const fs::path& path) {
    const std::string extension = LowerExtension(path);
    return extension == ".bat" || extension == ".cmd" || IsPowerShell(path);
}

bool IsInside(const fs::path& file, const fs::path& root) {
    const auto mismatch = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    return mismatch.first == root.end();
}

class Walk {
public:
    Walk(std::vector<ScriptPath>& found, std::vector<std::string>& errors) : found(found), errors(errors) {}

    void Path(const std::string& given) {
        std::error_code error;
        const fs::path path(given);
        const fs::file_status status = fs::status(path, error);
        if (status.type() == fs::file_type::not_found) {
            errors.push_back(given + ": no such file or folder");
        } else if (error) {
            errors.push_back(given + ": " + error.message());
        } else if (status.type() == fs::file_type::directory) {
            root = fs::weakly_canonical(path, error);
            Folder(path, given, root);
        } else {
            Add(path, given, fs::weakly_canonical(path, error));
        }
    }

private:
    // `canonical` is the folder's canonical path: the files below it need no look-up of their own.
    // NOLINTNEXTLINE(misc-no-recursion): as deep as the folders, which the path length bounds
    void Folder(const fs::path& folder, const std::string& display, const fs::path& canonical) {
        std::error_code error;
        std::vector<fs::directory_entry> entries;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            entries.push_back(*it);
        }
        if (error) {
            errors.push_back(display + ": " + error.message());
            return;
        }
        std::sort(entries.begin(), entries.end(),
                  [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
        for (const fs::directory_entry& entry : entries) {
            const std::string name = entry.path().filename().string();
            std::string shown = display;
            shown += display.empty() || display.back() == '/' ? "" : "/";
            shown += name;
            if (entry.is_symlink(error)) {
                // Never into a linked folder; a linked file only when it stays in the tree.
                const fs::path target = fs::weakly_canonical(entry.path(), error);
                if (!error && IsScript(entry.path()) && fs::is_regular_file(target, error) && IsInside(target, root)) {
                    Add(entry.path(), shown, target);
                }
            } else if (entry.is_directory(error)) {
                if (name.empty() || name[0] != '.') {
                    Folder(entry.path(), shown, canonical / entry.path().filename());
                }
            } else if (IsScript(entry.path())) {
                Add(entry.path(), shown, canonical / entry.path().filename());
            }
        }
    }

    void Add(const fs::path& path, const std::string& display, const fs::path& canonical) {
        if (seen.insert(canonical.string()).second) {
            found.push_back(ScriptPath{display, path, !IsPowerShell(path)});
        }
    }

    std::vector<ScriptPath>& found;
    std::vector<std::string>& errors;
    std::set<std::string> seen;
    fs::path root;
};

}  // namespace

std::vector<ScriptPath> CollectScripts(const std::vector<std::string>& paths, std::vector<std::string>& errors) {
    std::vector<ScriptPath> found;
    Walk walk(found, errors);
    for (const std::string& path : paths) {
        walk.Path(path);
    }
    return found;
}

}  // namespace migrate
