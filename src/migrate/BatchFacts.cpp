#include "migrate/BatchFacts.h"

#include <algorithm>
#include <iterator>

#include "migrate/BatchAssignments.h"
#include "scripts/AsciiCase.h"

namespace migrate {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// cmd.exe's separators between the arguments of "call :label" and between the items of a FOR set.
bool IsSeparator(char c) {
    return IsBlank(c) || c == ',' || c == ';' || c == '=';
}

std::string_view SkipBlanks(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    return text.substr(at);
}

// The text after its first word; double quotes keep blanks inside a word ("C:\a b").
std::string_view SkipWord(std::string_view text) {
    bool quoted = false;
    std::size_t at = 0;
    while (at < text.size() && (quoted || !IsBlank(text[at]))) {
        quoted = text[at] == '"' ? !quoted : quoted;
        ++at;
    }
    return text.substr(at);
}

// Whether `text` starts with FOR's keyword "in", which a blank or the set's "(" ends.
bool StartsWithIn(std::string_view text) {
    return scripts::AsciiLowered(text.substr(0, 2)) == "in" &&
           (text.size() == 2 || IsBlank(text[2]) || text[2] == '(');
}

// Whether a keyword may start at `at`: the line's start, or after a blank or one of "(@&|".
// Asked of every character of every line: plain comparisons, no search.
bool AtCommandWord(std::string_view line, std::size_t at) {
    if (at == 0) {
        return true;
    }
    const char before = line[at - 1];
    return IsBlank(before) || before == '(' || before == '@' || before == '&' || before == '|';
}

// Whether `text` holds `word` at `at`.
bool HoldsAt(std::string_view text, std::size_t at, std::string_view word) {
    return text.size() >= at + word.size() && text.compare(at, word.size(), word) == 0;
}

// Unquoted "(" minus ")" before `at`.
int OpenParentheses(std::string_view line, std::size_t at) {
    int depth = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < at; ++i) {
        quoted = line[i] == '"' ? !quoted : quoted;
        depth += !quoted && line[i] == '(' ? 1 : 0;
        depth -= !quoted && line[i] == ')' && depth > 0 ? 1 : 0;
    }
    return depth;
}

// The name "set /p NAME=" or "set /a NAME=..." sets (`rest` starts at the "/"), noting how in
// `assignment`; empty for another switch.
std::string_view RunTimeName(std::string_view rest, BatchAssignment& assignment) {
    const char option = rest.size() > 1 ? scripts::AsciiLower(rest[1]) : '\0';
    if (option != 'p' && option != 'a') {
        return {};
    }
    assignment.madeAtRunTime = option == 'p' ? "set /p, which reads it when the script runs"
                                             : "set /a, which computes it when the script runs";
    rest = SkipBlanks(rest.substr(2));
    rest.remove_prefix(!rest.empty() && rest[0] == '"' ? 1 : 0);
    return rest.substr(0, rest.find('='));
}

std::vector<std::string> SplitItems(std::string_view text) {
    std::vector<std::string> items;
    bool quoted = false;
    std::string item;
    for (const char c : text) {
        if (!quoted && IsSeparator(c)) {
            if (!item.empty()) {
                items.push_back(item);
            }
            item.clear();
            continue;
        }
        quoted = c == '"' ? !quoted : quoted;
        item += c;
    }
    if (!item.empty()) {
        items.push_back(item);
    }
    return items;
}

}  // namespace

BatchFacts::BatchFacts(std::string_view text) {
    // The whole text in lower case, once: each line is a view of it.
    std::string lowerText(text.size(), '\0');
    std::transform(text.begin(), text.end(), lowerText.begin(), scripts::AsciiLower);
    ReadDelayed(lowerText);
    std::size_t number = 1;
    for (std::size_t start = 0; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        ReadLine(line, std::string_view(lowerText).substr(start, line.size()), number);
        start = end + 1;
    }
}

void BatchFacts::ReadDelayed(std::string_view lower) {
    // Neither switch holds a line end, so a search of the whole text finds the first line of each.
    std::size_t on = lower.find("/v:on");
    std::size_t off = std::string_view::npos;
    constexpr std::string_view kDelayed("delayedexpansion");
    for (std::size_t at = lower.find(kDelayed); at != std::string_view::npos; at = lower.find(kDelayed, at + 1)) {
        if (at >= 6 && lower.compare(at - 6, 6, "enable") == 0) {
            on = std::min(on, at);
        }
        if (off == std::string_view::npos && at >= 7 && lower.compare(at - 7, 7, "disable") == 0) {
            off = at;
        }
        if (off != std::string_view::npos && on <= at) {
            break;
        }
    }
    const auto lineOf = [lower](std::size_t at) {
        return at == std::string_view::npos
                   ? std::size_t{0}
                   : 1 + static_cast<std::size_t>(std::count(lower.begin(), lower.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    };
    delayedLine = lineOf(on);
    delayedOffLine = lineOf(off);
}

void BatchFacts::ReadLine(std::string_view line, std::string_view lower, std::size_t number) {
    const std::size_t first = lower.find_first_not_of(" \t@");
    if (first == std::string_view::npos) {
        return;
    }
    if (lower[first] == ':' && lower.compare(first, 2, "::") != 0) {
        const std::size_t nameEnd = lower.find_first_of(" \t:+&|<>", first + 1);
        labels.emplace_back(number, scripts::AsciiUppered(line.substr(first + 1, nameEnd - first - 1)));
        return;
    }
    for (const std::string_view ending : {"goto :eof", "goto eof", "exit"}) {
        if (HoldsAt(lower, first, ending)) {
            returns.push_back(number);
            break;
        }
    }
    ReadCommandWords(line, lower, number);
}

void BatchFacts::ReadCommandWords(std::string_view line, std::string_view lower, std::size_t number) {
    // Most lines hold none of the three words: one search for each passes them over quicker
    // than a look at every letter.
    if (lower.find("set") == std::string_view::npos && lower.find("call") == std::string_view::npos &&
        lower.find("for") == std::string_view::npos) {
        return;
    }
    for (std::size_t at = 0; at + 3 < lower.size(); ++at) {
        // Only "set", "call" and "for" are looked for: most places are passed over on their letter.
        const char letter = lower[at];
        if ((letter != 's' && letter != 'c' && letter != 'f') || !AtCommandWord(lower, at)) {
            continue;
        }
        const char next = lower[at + 3];  // the loop stops three short of the end
        if (HoldsAt(lower, at, "set") && (IsBlank(next) || next == '"' || next == '/')) {
            ReadSet(line.substr(at + 3), number, OpenParentheses(line, at) > 0);
        } else if (HoldsAt(lower, at, "call") && at + 4 < lower.size() && IsBlank(lower[at + 4])) {
            const std::string_view rest = SkipBlanks(line.substr(at + 4));
            if (!rest.empty() && rest[0] == ':') {
                ReadCall(rest, number);
            }
        } else if (HoldsAt(lower, at, "for") && IsBlank(next)) {
            ReadFor(line.substr(at + 3), number);
        }
    }
}

void BatchFacts::ReadSet(std::string_view rest, std::size_t number, bool inParentheses) {
    rest = SkipBlanks(rest);
    BatchAssignment assignment;
    assignment.line = number;
    std::string_view name;
    if (!rest.empty() && rest[0] == '/') {
        name = RunTimeName(rest, assignment);
    } else if (!rest.empty() && rest[0] == '"') {
        const std::string_view command = rest.substr(0, CommandEnd(rest, "&|"));
        // The name and value lie between the first and the last double quote.
        const std::size_t close = command.rfind('"');
        const std::size_t equals = command.substr(0, close).find('=');
        if (equals == std::string_view::npos) {
            return;
        }
        name = command.substr(1, equals - 1);
        assignment.value = std::string(command.substr(equals + 1, close - equals - 1));
    } else {
        const std::size_t equals = rest.find('=');
        if (equals == std::string_view::npos) {
            return;
        }
        name = rest.substr(0, equals);
        const std::string_view value = rest.substr(equals + 1);
        assignment.value = std::string(value.substr(0, CommandEnd(value, inParentheses ? "&|<>)" : "&|<>")));
    }
    if (name.empty() || name.find_first_of("%!") != std::string_view::npos) {
        return;
    }
    const std::string upper = scripts::AsciiUppered(name);
    if (upper == "SYSTEMDRIVE" && systemDriveLine == 0) {
        systemDriveLine = number;
    }
    assignments[upper].push_back(assignment);
}

void BatchFacts::ReadCall(std::string_view rest, std::size_t number) {
    const std::size_t labelEnd = std::min(rest.find_first_of(" \t&|<>,;="), rest.size());
    const std::string label = scripts::AsciiUppered(rest.substr(1, labelEnd - 1));
    const std::string_view tail = rest.substr(labelEnd);
    const std::string_view command = tail.substr(0, CommandEnd(tail, "&|"));
    BatchCallSite site;
    site.line = number;
    std::size_t argumentsEnd = CommandEnd(command, "<>");
    if (argumentsEnd < command.size() && command[argumentsEnd] == '>') {
        // "2>": only the errors go elsewhere; the output still reaches the console.
        // The label's name ends at a separator, so the text before a "2>" is never empty.
        const bool errors = argumentsEnd > 1 && command[argumentsEnd - 1] == '2' &&
                            IsSeparator(command[argumentsEnd - 2]);
        argumentsEnd -= errors ? 1 : 0;
        if (!errors) {
            site.redirection = std::string(command.substr(argumentsEnd));
        }
    }
    const std::size_t pipe = command.size();
    if (pipe < tail.size() && tail[pipe] == '|' && (pipe + 1 >= tail.size() || tail[pipe + 1] != '|')) {
        site.redirection = "|" + std::string(tail.substr(pipe + 1, tail.find_first_of("&|", pipe + 1) - pipe - 1));
    }
    site.arguments = SplitItems(command.substr(0, argumentsEnd));
    callSites.emplace(label, site);
}

void BatchFacts::ReadFor(std::string_view line, std::size_t number) {
    BatchForLoop loop;
    loop.line = number;
    std::string_view rest = SkipBlanks(line);
    while (rest.size() > 1 && rest[0] == '/') {
        const char option = scripts::AsciiLower(rest[1]);
        loop.switches += option;
        rest = SkipBlanks(rest.substr(2));
        if (option == 'f' && !rest.empty() && rest[0] == '"') {
            rest = SkipBlanks(rest.substr(std::min(rest.find('"', 1), rest.size() - 1) + 1));
        }
    }
    // FOR /R's folder to start from, when there is one, stands before the variable: the word
    // after it is then not "in".
    if (loop.switches.find('r') != std::string::npos && !StartsWithIn(SkipBlanks(SkipWord(rest)))) {
        rest = SkipBlanks(SkipWord(rest));
    }
    if (rest.size() < 3 || rest[0] != '%' || rest[1] != '%') {
        return;
    }
    loop.letter = rest[2];
    rest = SkipBlanks(rest.substr(3));
    if (!StartsWithIn(rest)) {
        return;
    }
    rest = SkipBlanks(rest.substr(2));
    if (rest.empty() || rest[0] != '(') {
        return;
    }
    rest.remove_prefix(1);
    loop.set = std::string(rest.substr(0, CommandEnd(rest, ")")));
    loops.push_back(loop);
}

const std::vector<BatchAssignment>* BatchFacts::Assignments(const std::string& name) const {
    const auto found = assignments.find(name);
    return found == assignments.end() ? nullptr : &found->second;
}

std::size_t BatchFacts::SystemDriveLine() const {
    return systemDriveLine;
}

std::size_t BatchFacts::DelayedLine() const {
    return delayedLine;
}

bool BatchFacts::DelayedOffBefore(std::size_t line) const {
    return delayedOffLine != 0 && delayedOffLine < line;
}

const BatchForLoop* BatchFacts::LoopFor(char letter, std::size_t line) const {
    const BatchForLoop* found = nullptr;
    for (const BatchForLoop& loop : loops) {
        const bool tokens = loop.switches.find('f') != std::string::npos;
        const bool declares = letter == loop.letter || (tokens && letter > loop.letter && letter < loop.letter + 31);
        if (loop.line <= line && declares) {
            found = &loop;
        }
    }
    return found;
}

std::string BatchFacts::LabelOf(std::size_t line) const {
    std::string label;
    for (const auto& [at, name] : labels) {
        if (at < line) {
            label = name;
        }
    }
    return label;
}

std::vector<const BatchCallSite*> BatchFacts::CallSites(const std::string& label) const {
    std::vector<const BatchCallSite*> sites;
    const auto range = callSites.equal_range(label);
    for (auto it = range.first; it != range.second; ++it) {
        sites.push_back(&it->second);
    }
    return sites;
}

std::string BatchFacts::RedirectedRun(std::size_t line) const {
    // The labels run with their output redirected, and why; a label they call runs so too.
    std::map<std::string, std::string> redirected;
    for (const auto& [label, site] : callSites) {
        if (!site.redirection.empty() && redirected.count(label) == 0) {
            redirected.emplace(label, "it runs in :" + scripts::AsciiLowered(label) + ", called with its output redirected on line " +
                                          std::to_string(site.line) + " (" + site.redirection + ")");
        }
    }
    std::vector<std::string> pending;
    pending.reserve(redirected.size());
    std::transform(redirected.begin(), redirected.end(), std::back_inserter(pending),
                   [](const auto& entry) { return entry.first; });
    std::string found;
    while (!pending.empty()) {
        const std::string label = pending.back();
        pending.pop_back();
        const auto start = std::find_if(labels.begin(), labels.end(), [&](const auto& l) { return l.second == label; });
        if (start == labels.end()) {
            continue;
        }
        const auto stop = std::upper_bound(returns.begin(), returns.end(), start->first);
        const std::size_t last = stop == returns.end() ? static_cast<std::size_t>(-1) : *stop;
        if (line > start->first && line <= last && found.empty()) {
            found = redirected[label];
        }
        for (const auto& [callee, site] : callSites) {
            if (site.line > start->first && site.line <= last && redirected.count(callee) == 0) {
                redirected.emplace(callee, redirected[label]);
                pending.push_back(callee);
            }
        }
    }
    return found;
}

}  // namespace migrate
