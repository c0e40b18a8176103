#include "migrate/BatchValues.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "migrate/BatchAssignments.h"
#include "scripts/AsciiCase.h"

namespace migrate {
namespace {

using scripts::ScriptCall;

// Values that refer to values that refer to ... : deeper than this, nobody writes.
constexpr int kMaxDepth = 8;
// The assumption that a bare program name finds the tolvex.exe beside tolvex-legacy.
constexpr const char* kOnPath = "3";

// What one reference (or one value) can hold.
struct Held {
    std::string review;
    std::set<std::string> assumptions;
    bool endsInBackslash = false;
};

// The kind of an assumption about a reference in a quoted program's folder: the rest of the
// path follows it, so a final backslash there is harmless.
constexpr char kInQuotedFolder = '4';

// An assumption about a reference, as a sortable key: Render groups the references by kind.
std::string Assumption(const std::string& source, bool quoted) {
    return std::string(quoted ? "2" : "1") + source;
}

// "%A%, %B% and %C%" and whether there is more than one.
std::string ListOf(const std::vector<std::string>& names) {
    std::string list;
    for (std::size_t i = 0; i < names.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    }
    return list;
}

std::vector<std::string> Render(const std::set<std::string>& assumptions) {
    std::vector<std::string> unquoted;
    std::vector<std::string> quoted;
    std::vector<std::string> inFolder;
    std::vector<std::string> rendered;
    for (const std::string& assumption : assumptions) {
        if (assumption[0] == '1') {
            unquoted.push_back(assumption.substr(1));
        } else if (assumption[0] == '2') {
            quoted.push_back(assumption.substr(1));
        } else if (assumption[0] == kInQuotedFolder) {
            inFolder.push_back(assumption.substr(1));
        }
    }
    if (!unquoted.empty()) {
        rendered.push_back(ListOf(unquoted) + (unquoted.size() > 1 ? " each hold" : " holds") +
                           " one word without a space, tab, & | < > ^ ( ) or a double quote");
    }
    if (!quoted.empty()) {
        rendered.push_back(ListOf(quoted) + (quoted.size() > 1 ? " each hold" : " holds") +
                           " no & | < > ^ or double quote and no final backslash");
    }
    if (!inFolder.empty()) {
        rendered.push_back(ListOf(inFolder) + (inFolder.size() > 1 ? " each hold" : " holds") +
                           " no & | < > ^ or double quote");
    }
    if (assumptions.count(kOnPath) != 0) {
        rendered.emplace_back("the first tolvex.exe in the current folder or on PATH is the one beside tolvex-legacy");
    }
    return rendered;
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The problem with a literal value used in or out of double quotes, as a clause; empty if none.
std::string LiteralProblem(std::string value, bool quoted) {
    if (value.empty()) {
        return "is empty, so its word disappears";
    }
    if (!quoted && value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
        value.find('"', 1) == value.size() - 1) {
        value = value.substr(1, value.size() - 2);  // it brings its own quotes
        quoted = true;
        if (value.empty()) {
            return "is empty, so its word disappears";
        }
    }
    for (const char c : value) {
        if (c == '"') {
            return "holds a double quote";
        }
        if (std::string("&|<>^()%").find(c) != std::string::npos) {
            return std::string("holds \"") + c + "\", which cmd.exe reads as a special character";
        }
        if (!quoted && (c == ' ' || c == '\t')) {
            return c == ' ' ? "holds a space, which splits it into two words" : "holds a tab, which splits it into two words";
        }
    }
    if (value[0] == '-') {
        return "begins with a dash, which tolvex-legacy may read as an option";
    }
    return std::string();  // a final backslash matters only where the value ends a quoted word
}

// The value without the double quotes around it, as the "~" modifier takes them off.
std::string Unquoted(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value.size() == 1 && value[0] == '"' ? std::string() : value;
}

// Where the reference starting at text[i] ends, or npos when none starts there: %%a, %~dp1, %1,
// %NAME%, and with delayed expansion !NAME!.
std::size_t ReferenceEnd(const std::string& text, std::size_t i, bool delayed) {
    if (text[i] == '%' && i + 2 < text.size() && text[i + 1] == '%') {
        return i + 3;
    }
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '~' || IsDigit(text[i + 1]))) {
        const std::size_t digit = text.find_first_of("0123456789", i + 1);
        return digit == std::string::npos ? std::string::npos : digit + 1;
    }
    if (text[i] == '%' || (delayed && text[i] == '!')) {
        const std::size_t close = text.find(text[i], i + 1);
        return close == std::string::npos || close == i + 1 ? std::string::npos : close + 1;
    }
    return std::string::npos;
}

// NOLINTBEGIN(misc-no-recursion): a value refers to other values; kMaxDepth ends the descent.
class ValueCheck {
public:
    ValueCheck(const BatchFacts& facts, bool delayed) : facts(facts), delayed(delayed) {}

    // What `source` (one reference, exactly as written) holds for a command on `line`.
    Held Reference(const std::string& source, bool quoted, std::size_t line, int depth) const;
    // What a value made of literal text and references holds.
    Held Text(const std::string& text, bool quoted, std::size_t line, int depth, const std::string& origin) const;

private:
    Held Named(const std::string& source, const std::string& name, bool quoted, std::size_t line, int depth) const;
    Held ForValue(const std::string& source, bool quoted, std::size_t line, int depth) const;
    Held Argument(const std::string& source, bool quoted, std::size_t line, int depth) const;
    // A known value standing for `source`, reached through a "~" modifier or not.
    Held Known(const std::string& source, const std::string& value, const std::string& modifiers, bool quoted,
               std::size_t line, int depth, const std::string& origin) const;

    const BatchFacts& facts;
    bool delayed;
};

Held Unknown(const std::string& source, bool quoted) {
    Held held;
    held.assumptions.insert(Assumption(source, quoted));
    return held;
}

void Merge(Held& into, const Held& from) {
    if (into.review.empty()) {
        into.review = from.review;
    }
    into.assumptions.insert(from.assumptions.begin(), from.assumptions.end());
    into.endsInBackslash = into.endsInBackslash || from.endsInBackslash;
}

Held ValueCheck::Reference(const std::string& source, bool quoted, std::size_t line, int depth) const {
    if (depth > kMaxDepth) {
        Held held;
        held.review = "the value of " + source + " is made through too many other variables to follow";
        return held;
    }
    if (source.size() >= 3 && source[0] == '%' && source[1] == '%') {
        return ForValue(source, quoted, line, depth);
    }
    if (source.size() >= 2 && source[0] == '%' && (source[1] == '~' || IsDigit(source[1]))) {
        return Argument(source, quoted, line, depth);
    }
    if (source.size() < 3 || source == "%*") {
        return Held();
    }
    const std::string inner = source.substr(1, source.size() - 2);
    if (inner.find(':') != std::string::npos) {
        Held held;
        held.review = source + " takes part of a value or replaces text in it, which tolvex-migrate does not follow";
        return held;
    }
    return Named(source, scripts::AsciiUppered(inner), quoted, line, depth);
}

Held ValueCheck::Named(const std::string& source, const std::string& name, bool quoted, std::size_t line,
                       int depth) const {
    const std::vector<BatchAssignment>* assignments = facts.Assignments(name);
    if (assignments == nullptr) {
        if (!quoted && SetWithSpaceByWindows(name)) {
            Held held;
            held.review = "the value of " + source + " holds a space on every Windows (a folder under C:\\Program Files), "
                          "which splits it into two words";
            return held;
        }
        return Unknown(source, quoted);  // the environment the script runs in decides
    }
    Held held;
    bool setBefore = false;
    for (const BatchAssignment& assignment : *assignments) {
        const std::string origin = "the value of " + source + " (set on line " + std::to_string(assignment.line) + ")";
        if (!assignment.madeAtRunTime.empty()) {
            held.review = source + " is set on line " + std::to_string(assignment.line) + " by " +
                          assignment.madeAtRunTime;
            return held;
        }
        Merge(held, Text(assignment.value, quoted, assignment.line, depth + 1, origin));
        if (!held.review.empty()) {
            return held;
        }
        setBefore = setBefore || assignment.line < line;
    }
    if (!setBefore) {
        // Set only further down: the call may run before, with what the environment holds.
        held.assumptions.insert(Assumption(source, quoted));
    }
    return held;
}

Held ValueCheck::Text(const std::string& text, bool quoted, std::size_t line, int depth,
                      const std::string& origin) const {
    Held held;
    std::string literal;
    bool anyReference = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t end = ReferenceEnd(text, i, delayed);
        if (end == std::string::npos) {
            literal += text[i];
            continue;
        }
        anyReference = true;
        const Held inner = Reference(text.substr(i, end - i), quoted, line, depth + 1);
        Merge(held, inner);
        held.endsInBackslash = end == text.size() && inner.endsInBackslash;
        literal += 'x';  // stands for the value in the checks below
        i = end - 1;
    }
    if (!held.review.empty()) {
        return held;
    }
    if (anyReference && literal.find_first_not_of('x') == std::string::npos) {
        return held;  // references alone: what they hold was checked
    }
    const std::string problem = LiteralProblem(literal, quoted);
    if (!problem.empty()) {
        held.review = origin + " " + problem;
    }
    held.endsInBackslash = held.endsInBackslash || (!literal.empty() && literal.back() == '\\');
    return held;
}

Held ValueCheck::Known(const std::string& source, const std::string& value, const std::string& modifiers,
                       bool quoted, std::size_t line, int depth, const std::string& origin) const {
    // Modifiers are the text between % (or %%) and the digit or letter: empty, or "~" and its letters.
    const bool tilde = !modifiers.empty();
    const std::string parts = tilde ? modifiers.substr(1) : std::string();
    if (parts.empty()) {
        return Text(tilde ? Unquoted(value) : value, quoted, line, depth, origin);
    }
    // A part of a path: checked as the whole, which holds every part; a path made from the
    // current folder holds what only the running system knows.
    Held held = Text(Unquoted(value), quoted, line, depth, origin);
    if (parts.find_first_of("fdpsatz") != std::string::npos) {
        held.assumptions.insert(Assumption(source, quoted));
    }
    return held;
}

Held ValueCheck::ForValue(const std::string& source, bool quoted, std::size_t line, int depth) const {
    const char letter = source.back();
    const BatchForLoop* loop = facts.LoopFor(letter, line);
    Held held;
    if (loop == nullptr) {
        held.review = "tolvex-migrate does not follow the FOR loop that sets " + source;
        return held;
    }
    const std::string modifiers = source.substr(2, source.size() - 3);
    if (loop->switches.find_first_of("fdr") != std::string::npos) {
        return Unknown(source, quoted);  // lines of a file or a command's output, or file names
    }
    const std::string origin = "the value of " + source + " (from the FOR loop on line " + std::to_string(loop->line) + ")";
    std::vector<std::string> items;
    std::string item;
    bool inQuotes = false;
    for (const char c : loop->set + " ") {
        if (!inQuotes && (c == ' ' || c == '\t' || c == ',' || c == ';' || c == '=')) {
            if (!item.empty()) {
                items.push_back(item);
            }
            item.clear();
            continue;
        }
        inQuotes = c == '"' ? !inQuotes : inQuotes;
        item += c;
    }
    for (const std::string& each : items) {
        if (loop->switches.find('l') != std::string::npos) {
            if (each.find_first_not_of("0123456789") != std::string::npos) {
                held.assumptions.insert(Assumption(source, quoted));
            }
            continue;
        }
        if (each.find_first_of("*?") != std::string::npos) {
            held.assumptions.insert(Assumption(source, quoted));  // file names
            continue;
        }
        if (each.find_first_of("%!") != std::string::npos) {
            // A set from a variable is split after it is expanded: the items are unknown here.
            Merge(held, Text(each, true, loop->line, depth + 1, origin));
            held.assumptions.insert(Assumption(source, quoted));
        } else {
            Merge(held, Known(source, each, modifiers, quoted, loop->line, depth, origin));
        }
        if (!held.review.empty()) {
            break;
        }
    }
    return held;
}

Held ValueCheck::Argument(const std::string& source, bool quoted, std::size_t line, int depth) const {
    const char digit = source.back();
    const std::string modifiers = source.substr(1, source.size() - 2);
    Held held;
    if (digit == '0') {
        // The script's own path: its folder is the user's.
        held = Unknown(source, quoted);
        const std::string parts = modifiers.empty() ? std::string() : modifiers.substr(1);
        held.endsInBackslash = parts.find('p') != std::string::npos && parts.find_first_of("nx") == std::string::npos;
        return held;
    }
    const std::string label = facts.LabelOf(line);
    const std::vector<const BatchCallSite*> sites = label.empty() ? std::vector<const BatchCallSite*>()
                                                                  : facts.CallSites(label);
    if (sites.empty()) {
        return Unknown(source, quoted);  // the script's own arguments
    }
    const auto index = static_cast<std::size_t>(digit - '1');
    for (const BatchCallSite* site : sites) {
        const std::string origin = "the value of " + source + " (from call :" + scripts::AsciiLowered(label) +
                                   " on line " + std::to_string(site->line) + ")";
        if (index >= site->arguments.size()) {
            held.review = origin + " is empty, so its word disappears";
            return held;
        }
        Merge(held, Known(source, site->arguments[index], modifiers, quoted, site->line, depth, origin));
        if (!held.review.empty()) {
            return held;
        }
    }
    return held;
}

// NOLINTEND(misc-no-recursion)

Held InQuotedFolder(Held held) {
    std::set<std::string> assumptions;
    for (const std::string& assumption : held.assumptions) {
        assumptions.insert(assumption[0] == '2' ? kInQuotedFolder + assumption.substr(1) : assumption);
    }
    held.assumptions = std::move(assumptions);
    return held;
}

// The references in a program word's folder (which tolvex-legacy names unquoted).
std::vector<std::string> FolderReferences(const std::string& folder) {
    std::vector<std::string> references;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        if (folder[i] != '%' && folder[i] != '!') {
            continue;
        }
        std::size_t end = folder.find(folder[i], i + 1);
        if (folder[i] == '%' && i + 1 < folder.size() && folder[i + 1] == '~') {
            end = folder.find_first_of("0123456789", i + 1);
        }
        if (end == std::string::npos) {
            break;
        }
        references.push_back(folder.substr(i, end - i + 1));
        i = end;
    }
    return references;
}

// What the program's folder (the text before its name) holds: into `held`, and into
// `spacedFolder` the clause naming a variable whose space is all that stands in the way.
void CheckFolder(const ValueCheck& check, const std::string& folder, std::size_t line, Held& held,
                 std::string& spacedFolder) {
    if (folder.find_first_not_of('"') == std::string::npos) {
        held.assumptions.insert(kOnPath);
        return;
    }
    // tolvex-legacy names its folder unquoted, so a value with a space there has always ended in
    // 9009. Where the script quotes the program, the new call starts tolvex.exe from that folder:
    // the space is then the one thing that changes, which the reason says.
    const bool quotedProgram = folder[0] == '"';
    for (const std::string& reference : FolderReferences(folder)) {
        Held value = check.Reference(reference, false, line, 0);
        if (quotedProgram && !value.review.empty()) {
            const Held inQuotes = check.Reference(reference, true, line, 0);
            if (inQuotes.review.empty()) {
                spacedFolder = "the program's folder comes from " + reference + ", which holds a space";
                value = InQuotedFolder(inQuotes);
            }
        }
        Merge(held, value);
    }
}

}  // namespace

ValueFindings CheckBatchValues(const ScriptCall& call, const std::string& programText, const BatchFacts& facts) {
    ValueFindings findings;
    if (facts.SystemDriveLine() != 0) {
        findings.review = "the script sets SYSTEMDRIVE on line " + std::to_string(facts.SystemDriveLine()) +
                          ", which tolvex-legacy read from the environment it started with";
        return findings;
    }
    const bool delayedMaybe = facts.DelayedLine() != 0 || !facts.DelayedOffBefore(call.line);
    const bool bang = std::any_of(call.words.begin(), call.words.end(),
                                  [](const std::string& word) { return word.find('!') != std::string::npos; });
    if (bang && !call.delayedExpansion && delayedMaybe) {
        findings.review = facts.DelayedLine() != 0
                              ? "a \"!\" in its arguments, and delayed expansion is switched on on line " +
                                    std::to_string(facts.DelayedLine()) + ", which may run before the call"
                              : "a \"!\" in its arguments, and the caller may have switched delayed expansion on";
        return findings;
    }
    const std::string redirected = facts.RedirectedRun(call.line);
    if (!redirected.empty()) {
        findings.review = redirected;
        return findings;
    }
    const ValueCheck check(facts, facts.DelayedLine() != 0);
    Held held;
    for (std::size_t index = 0; index < call.variables.size() && held.review.empty(); ++index) {
        const scripts::VariableReference& variable = call.variables[index];
        if (variable.wholeList) {
            continue;
        }
        const Held value = check.Reference(variable.source, variable.quoted, call.line, 0);
        Merge(held, value);
        const std::string placeholder = scripts::Placeholder(index);
        const bool endsWord = std::any_of(call.words.begin(), call.words.end(), [&](const std::string& word) {
            return word.size() >= placeholder.size() &&
                   word.compare(word.size() - placeholder.size(), placeholder.size(), placeholder) == 0;
        });
        if (held.review.empty() && variable.quoted && value.endsInBackslash && endsWord) {
            held.review = "the value of " + variable.source + " ends in a backslash, which escapes the double quote after it";
        }
    }
    // The folder is what stands before the name: "C:\\Tools\\", or a reference alone, as in
    // %~dp0old.exe, whose value ends in a backslash.
    const std::string folder = programText.substr(0, std::min(programText.size(), call.name.begin - call.program.begin));
    CheckFolder(check, folder, call.line, held, findings.spacedFolder);
    findings.review = held.review;
    findings.assumptions = Render(held.assumptions);
    return findings;
}

}  // namespace migrate
