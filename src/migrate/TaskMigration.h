#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "migrate/ScriptMigration.h"

namespace migrate {

// The calls of the legacy program in a task file's text (UTF-8): one finding per Exec action
// whose Command names it, at the Command element's text. None is rewritten, since a task is
// changed through the Task Scheduler and never by editing its file: a call tolvex-legacy would
// refuse is manual, every other one review, with (when the translation is exact) the new
// Command and Arguments and, when the task's name is known, the schtasks line that sets them.
// `pathName`: the name the file's place gives the task (TaskNameFromPath), used when the task
// holds no URI. Returns false with `problem` set when the text is no task or malformed XML.
bool FindTaskCalls(const std::string& text, const std::string& pathName, const std::vector<std::string>& legacyNames,
                   std::vector<Finding>& findings, std::string& problem);

// The calls of the legacy program in a Group Policy script list's text (scripts.ini,
// psscripts.ini, as UTF-8): one finding per script whose CmdLine names it, at the CmdLine's value.
// As in a task none is rewritten: such a list is changed through the Group Policy editor; a
// call tolvex-legacy would refuse is manual, every other one review, with (when the translation
// is exact) the new CmdLine and Parameters.
void FindPolicyScriptCalls(const std::string& text, const std::vector<std::string>& legacyNames,
                           std::vector<Finding>& findings);

// "\Folder\Name" for a file below a folder named Tasks (any letter case; the last such folder
// of its absolute path), or empty.
std::string TaskNameFromPath(const std::filesystem::path& path);

}  // namespace migrate
