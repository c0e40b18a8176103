#include "migrate/TaskMigration.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <system_error>

#include "migrate/CallTranslation.h"
#include "scripts/AsciiCase.h"
#include "scripts/CrtArguments.h"
#include "scripts/PolicyScriptsReader.h"
#include "scripts/ScriptCall.h"
#include "scripts/TaskFileReader.h"

namespace migrate {
namespace {

// How the findings of one kind of action are told: why none is rewritten, what its exactness
// assumes (after "; "), and the labels of the new program and arguments.
struct ActionPlace {
    const char* why;
    const char* assumes;
    const char* command;
    const char* arguments;
};

constexpr ActionPlace kTaskPlace{"a task is changed through the Task Scheduler, never by editing its file", "",
                                 "Command:   ", "\nArguments: "};
// tolvex-legacy ran its line through cmd.exe, which expanded %SYSTEMDRIVE%; what the Group Policy
// client does with a % in Parameters is not written down.
constexpr ActionPlace kPolicyPlace{
    "a Group Policy script is changed through the Group Policy editor, never by editing its list",
    "; exact if the script's Parameters reach it with %SYSTEMDRIVE% and any other variable expanded",
    "CmdLine:    ", "\nParameters: "};
// schtasks refuses a /tr value longer than this.
constexpr std::size_t kTaskRunLimit = 261;
constexpr std::string_view kWhitespace = " \t\r\n";

// The file name in a Command ("C:\Tools\old.exe", quoted or not), without ".exe": its bytes in
// the Command, when it is one of the legacy names.
std::optional<scripts::ByteRange> LegacyName(const std::string& command, const std::vector<std::string>& legacyNames) {
    std::size_t begin = command.empty() || command[0] != '"' ? 0 : 1;
    std::size_t end = begin == 1 ? std::min(command.find('"', 1), command.size()) : command.size();
    const std::size_t slash = std::string_view(command).substr(0, end).find_last_of("\\/");
    begin = slash == std::string::npos || slash < begin ? begin : slash + 1;
    if (end - begin > 4 && scripts::EqualsIgnoringCase(std::string_view(command).substr(end - 4, 4), ".exe")) {
        end -= 4;
    }
    const std::string name = scripts::AsciiLowered(std::string_view(command).substr(begin, end - begin));
    if (std::find(legacyNames.begin(), legacyNames.end(), name) == legacyNames.end()) {
        return std::nullopt;
    }
    return scripts::ByteRange{begin, end};
}

// The Arguments with each %NAME% reference (which the Task Scheduler expands) replaced by a
// placeholder, recorded in `call`.
std::string WithPlaceholders(const std::string& arguments, scripts::ScriptCall& call) {
    std::string text;
    bool quoted = false;
    std::size_t backslashes = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const char c = arguments[i];
        const std::size_t end = c == '%' ? arguments.find_first_of("%\"\n", i + 1) : std::string::npos;
        if (end != std::string::npos && end > i + 1 && arguments[end] == '%') {
            text += scripts::Placeholder(call.variables.size());
            call.variables.push_back({arguments.substr(i, end - i + 1), quoted, false});
            i = end;
            backslashes = 0;
            continue;
        }
        quoted = c == '"' && backslashes % 2 == 0 ? !quoted : quoted;
        backslashes = c == '\\' ? backslashes + 1 : 0;
        text += c;
    }
    return text;
}

// `text` as one argument of a C program's command line: in double quotes, an inner double quote
// as \", and backslashes before a double quote (or the closing one) doubled.
std::string CrtQuoted(const std::string& text) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : text) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        quoted += c;
        backslashes = 0;
    }
    return quoted.append(backslashes * 2, '\\') + "\"";
}

// The last line of a task finding's new lines: how schtasks sets the new action, or why it
// cannot.
std::string TaskRunLine(const std::string& name, std::size_t actions, const std::string& command,
                        const std::string& arguments) {
    const std::string run = command + " " + arguments;
    if (name.empty() || name.find('"') != std::string::npos) {
        return std::string();
    }
    if (actions > 1) {
        return "\nschtasks /change cannot set it: the task has " + std::to_string(actions) +
               " actions, and /tr sets a task's only one";
    }
    if (run.size() > kTaskRunLimit) {
        return "\nschtasks /change cannot set it: the new command line has " + std::to_string(run.size()) +
               " characters, more than the " + std::to_string(kTaskRunLimit) + " /tr takes";
    }
    return "\nschtasks /change /tn \"" + name + "\" /tr " + CrtQuoted(run);
}

std::size_t LineStart(const std::string& text, std::size_t at) {
    const std::size_t newline = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
    return newline == std::string::npos ? 0 : newline + 1;
}

std::size_t LineEnd(const std::string& text, std::size_t at) {
    std::size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end;
    return end > 0 && text[end - 1] == '\r' ? end - 1 : end;
}

// `taskName` is empty where no schtasks line can set the action.
Finding TaskFinding(const std::string& text, const scripts::TaskExec& exec, const std::string& command,
                    const scripts::ByteRange& name, const ActionPlace& place, const std::string& taskName,
                    std::size_t actions) {
    Finding finding;
    std::size_t at = text.find_first_not_of(kWhitespace, exec.command.begin);
    at = at < exec.command.end ? at : exec.command.begin;
    const std::size_t lineStart = LineStart(text, at);
    finding.line = static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n')) + 1;
    finding.column = at - lineStart + 1;
    const std::size_t last = exec.arguments ? std::max(exec.arguments->end, exec.command.end) : exec.command.end;
    // From the first of the two lines: a script list may name the arguments before the program.
    const std::size_t firstLine = exec.arguments ? LineStart(text, std::min(exec.arguments->begin, at)) : lineStart;
    finding.oldLines = text.substr(firstLine, LineEnd(text, last) - firstLine);

    scripts::ScriptCall call;
    call.line = finding.line;
    call.column = finding.column;
    call.program = {0, command.size()};
    call.name = name;
    call.words = scripts::SplitCrtArguments(exec.arguments ? WithPlaceholders(exec.arguments->value, call) : "");
    const CallOutcome outcome = TranslateCall(call, Dialect::kTask, command, {});
    finding.verdict = outcome.verdict == Verdict::kManual ? Verdict::kManual : Verdict::kReview;
    if (outcome.verdict != Verdict::kRewrite) {
        finding.why = outcome.verdict == Verdict::kManual ? outcome.why : std::string(place.why) + "; and " + outcome.why;
        return finding;
    }
    finding.why = std::string(place.why) + place.assumes;
    const std::string newCommand = command.substr(0, name.begin) + outcome.name + command.substr(name.end);
    finding.newLines = place.command + newCommand + place.arguments + outcome.arguments +
                       TaskRunLine(taskName, actions, newCommand, outcome.arguments);
    return finding;
}

// The action's program as the system reads it: without the whitespace around it.
std::string Trimmed(const std::string& raw) {
    const std::size_t first = raw.find_first_not_of(kWhitespace);
    return first == std::string::npos ? std::string() : raw.substr(first, raw.find_last_not_of(kWhitespace) + 1 - first);
}

}  // namespace

bool FindTaskCalls(const std::string& text, const std::string& pathName, const std::vector<std::string>& legacyNames,
                   std::vector<Finding>& findings, std::string& problem) {
    const std::optional<scripts::TaskFile> task = scripts::ReadTaskFile(text, problem);
    if (!task) {
        problem = "not a task file that can be read (" + problem + ")";
        return false;
    }
    const std::string& taskName = task->uri.empty() ? pathName : task->uri;
    for (const scripts::TaskExec& exec : task->execs) {
        const std::string command = Trimmed(exec.command.value);
        if (const auto name = LegacyName(command, legacyNames)) {
            findings.push_back(TaskFinding(text, exec, command, *name, kTaskPlace, taskName, task->actions));
        }
    }
    return true;
}

void FindPolicyScriptCalls(const std::string& text, const std::vector<std::string>& legacyNames,
                           std::vector<Finding>& findings) {
    for (const scripts::TaskExec& exec : scripts::ReadPolicyScripts(text)) {
        const std::string command = Trimmed(exec.command.value);
        if (const auto name = LegacyName(command, legacyNames)) {
            findings.push_back(TaskFinding(text, exec, command, *name, kPolicyPlace, std::string(), 1));
        }
    }
}

std::string TaskNameFromPath(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    std::string name;
    for (const std::filesystem::path& part : absolute) {
        const std::string text = part.u8string();
        if (scripts::EqualsIgnoringCase(text, "tasks")) {
            name.clear();
            continue;
        }
        name += "\\" + text;
    }
    // Only when some folder was named Tasks: the loop then began the name again after it.
    bool below = false;
    for (const std::filesystem::path& part : absolute.parent_path()) {
        below = below || scripts::EqualsIgnoringCase(part.u8string(), "tasks");
    }
    return below && !error ? name : std::string();
}

}  // namespace migrate
