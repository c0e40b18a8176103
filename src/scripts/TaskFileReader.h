#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Task Scheduler task files: the XML that `schtasks /query /xml` and the Task Scheduler's export
// write, and the extensionless files of the Tasks folder. Only what a migration needs is read:
// the task's name and its Exec actions. No XML library: a small scan that knows elements,
// attributes, comments, CDATA, processing instructions and entities, and calls anything else
// malformed rather than guessing.
namespace scripts {

// The namespace every task's root element <Task> declares.
constexpr std::string_view kTaskNamespace = "http://schemas.microsoft.com/windows/2004/02/mit/task";

// An element's text: decoded (entities and CDATA), and where its raw text lies in the scanned
// text, [begin, end).
struct TaskElementText {
    std::string value;
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct TaskExec {
    TaskElementText command;
    // Not set when the action has no <Arguments>.
    std::optional<TaskElementText> arguments;
};

struct TaskFile {
    // RegistrationInfo's <URI> ("\Folder\Name"), or empty.
    std::string uri;
    // How many actions of any kind (Exec, SendEmail, ...) the task holds.
    std::size_t actions = 0;
    std::vector<TaskExec> execs;
};

// Whether a file's first bytes (any count) begin, after a byte-order mark (UTF-8 or UTF-16 LE)
// and whitespace, with "<?xml". Cheap: the walk asks it of every extensionless file.
bool StartsLikeXml(std::string_view bytes);

// Whether a file's bytes are a task: XML whose root element is <Task> in kTaskNamespace.
bool LooksLikeTaskFile(std::string_view bytes);

// Reads a task from its text (UTF-8, as ScriptText gives it). Returns std::nullopt and sets
// `problem` to a clause ("line 4: <Exec> is not closed") when the XML is malformed or its root is
// not a task.
std::optional<TaskFile> ReadTaskFile(const std::string& text, std::string& problem);

}  // namespace scripts
