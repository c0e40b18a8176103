#include "migrate/ScriptMigration.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <string_view>

#include "migrate/BatchAssignments.h"
#include "migrate/BatchFacts.h"
#include "migrate/BatchValues.h"
#include "migrate/NameSearch.h"
#include "migrate/PercentPairs.h"
#include "migrate/TaskMigration.h"
#include "scripts/AsciiCase.h"
#include "scripts/BatchReader.h"
#include "scripts/PowerShellReader.h"

namespace migrate {
namespace {

// cmd.exe reads at most this many characters of a line; a longer one is not a command it runs.
constexpr std::size_t kBatchLineLimit = 8191;
// PowerShell has no such limit; past this, a line is data, not a script a person wrote.
constexpr std::size_t kPowerShellLineLimit = std::size_t{256} * 1024;

const std::string kEmpty;
constexpr std::string_view kUtf8Mark("\xEF\xBB\xBF", 3);

// Calls found in a text that had `shift` more bytes at its start, placed back into the text.
void ShiftBack(std::vector<scripts::ScriptCall>& calls, std::size_t shift) {
    calls.erase(std::remove_if(calls.begin(), calls.end(),
                               [shift](const scripts::ScriptCall& call) { return call.program.begin < shift; }),
                calls.end());
    for (scripts::ScriptCall& call : calls) {
        for (scripts::ByteRange* range : {&call.program, &call.name, &call.arguments}) {
            range->begin -= shift;
            range->end -= shift;
        }
        call.column -= call.line == 1 ? shift : 0;
    }
}

std::size_t LineStart(const std::string& text, std::size_t at) {
    const std::size_t newline = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
    return newline == std::string::npos ? 0 : newline + 1;
}

// The end of the line holding the byte before `at` (or `at` itself), line end excluded.
std::size_t LineEnd(const std::string& text, std::size_t at) {
    std::size_t end = text.find('\n', at == 0 ? 0 : at - 1);
    end = end == std::string::npos ? text.size() : end;
    return end > 0 && text[end - 1] == '\r' ? end - 1 : end;
}

std::string ApplyEdits(const std::string& text, std::size_t begin, std::size_t end, const std::vector<Edit>& edits) {
    std::string result;
    std::size_t at = begin;
    for (const Edit& edit : edits) {
        result.append(text, at, edit.begin - at);
        result += edit.text;
        at = edit.end;
    }
    return result.append(text, at, end - at);
}

// A clause naming the first line longer than `limit`, or nothing.
std::string LongLine(const std::string& text, std::size_t limit, const char* reader) {
    std::size_t start = 0;
    for (std::size_t line = 1; start <= text.size(); ++line) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        const std::size_t length = end - start - (end > start && text[end - 1] == '\r' ? 1 : 0);
        if (length > limit) {
            return "line " + std::to_string(line) + " has " + std::to_string(length) + " bytes, more than the " +
                   std::to_string(limit) + " " + reader + " reads";
        }
        start = end + 1;
    }
    return std::string();
}

// The variable that starts at text[at] ("$name", "$env:Name", "${any name}", "$(...)" as far as
// its closing parenthesis), or nothing where the "$" starts none.
std::string PowerShellVariableAt(const std::string& text, std::size_t at) {
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    std::size_t end = std::string::npos;
    if (next == '{') {
        end = text.find('}', at);
    } else if (next == '(') {
        end = text.find(')', at);
    } else if (std::isalnum(static_cast<unsigned char>(next)) != 0 || next == '_') {
        end = at + 1;
        while (end + 1 < text.size() && (std::isalnum(static_cast<unsigned char>(text[end + 1])) != 0 ||
                                         text[end + 1] == '_' || text[end + 1] == ':')) {
            ++end;
        }
    }
    return end == std::string::npos ? std::string() : text.substr(at, end - at + 1);
}

// What must hold, for a PowerShell call, of what only the running system knows.
ValueFindings PowerShellAssumptions(const scripts::ScriptCall& call, const std::string& programText) {
    ValueFindings findings;
    for (const scripts::VariableReference& variable : call.variables) {
        findings.assumptions.push_back(variable.source + " holds one word that does not begin with a dash");
    }
    if (programText.find_first_of("\\/:") == std::string::npos) {
        findings.assumptions.emplace_back(
            "the first tolvex.exe in the current folder or on PATH is the one beside tolvex-legacy");
    }
    // tolvex-legacy names its folder unquoted in the line cmd.exe runs; the new call's folder is
    // PowerShell's own string. A variable there must hold nothing cmd.exe would split or act on,
    // unless it holds a space on every Windows: then the old call always ended in 9009.
    const std::string folder = programText.substr(0, std::min(programText.size(), call.name.begin - call.program.begin));
    if (!folder.empty() && folder[0] == '\'') {
        return findings;  // nothing expands in single quotes
    }
    for (std::size_t at = folder.find('$'); at != std::string::npos; at = folder.find('$', at + 1)) {
        const std::string variable = PowerShellVariableAt(folder, at);
        if (variable.empty()) {
            continue;
        }
        const std::string name = scripts::AsciiUppered(variable);
        const std::size_t env = name.find("ENV:");
        if (env != std::string::npos && SetWithSpaceByWindows(name.substr(env + 4, name.find('}') - env - 4))) {
            findings.spacedFolder = "the program's folder comes from " + variable + ", which holds a space";
        } else {
            findings.assumptions.push_back(variable + " holds no space, & | < > ^ or double quote");
        }
    }
    return findings;
}

// Every line of `text` fits what cmd.exe reads.
bool LinesFit(const std::string& text) {
    return LongLine(text, kBatchLineLimit, "cmd.exe").empty();
}

}  // namespace

void ScriptMigration::Qualify(CallOutcome& outcome, const ValueFindings& findings) const {
    std::string assumptions;
    for (const std::string& assumption : findings.assumptions) {
        assumptions += (assumptions.empty() ? "" : ", and ") + assumption;
    }
    if (findings.review.empty() && outcome.verdict == Verdict::kRewrite && !findings.spacedFolder.empty()) {
        outcome.why = SpacedFolderReason(findings.spacedFolder);
    }
    if (!findings.review.empty()) {
        outcome.verdict = Verdict::kReview;
        outcome.why = findings.review;
    } else if (!assumptions.empty() && strict) {
        outcome.verdict = Verdict::kReview;
        outcome.why = "with --strict: exact only if " + assumptions;
    } else if (!assumptions.empty()) {
        outcome.why += "; exact if " + assumptions;
    }
}

ScriptMigration::ScriptMigration(std::string bytes, ScriptKind kind, const std::vector<std::string>& legacyNames,
                                 const std::string& taskName, bool strict)
    : strict(strict) {
    script = scripts::ScriptText::Decode(std::move(bytes), problem);
    if (!script) {
        return;
    }
    // Most scripts never name the legacy program: look no further than that.
    if (!MayNameProgram(script->Text(), kind == ScriptKind::kPowerShell, legacyNames)) {
        return;
    }
    // A task file or a Group Policy script list is never rewritten: its findings are all there is.
    if (kind == ScriptKind::kPolicyScripts) {
        FindPolicyScriptCalls(script->Text(), legacyNames, findings);
        return;
    }
    if (kind == ScriptKind::kTask) {
        if (!FindTaskCalls(script->Text(), taskName, legacyNames, findings, problem)) {
            script.reset();
        }
        return;
    }
    const bool batch = kind == ScriptKind::kBatch;
    problem = batch ? LongLine(script->Text(), kBatchLineLimit, "cmd.exe")
                    : LongLine(script->Text(), kPowerShellLineLimit, "this tool");
    if (!problem.empty()) {
        script.reset();
        return;
    }
    FindAndTranslate(batch, legacyNames);
    translated = true;
}

const std::string& ScriptMigration::Problem() const {
    return problem;
}

const std::vector<Finding>& ScriptMigration::Findings() const {
    return findings;
}

const std::string& ScriptMigration::Text() const {
    return script ? script->Text() : kEmpty;
}

const std::vector<Change>& ScriptMigration::Changes() const {
    if (!changes) {
        changes = script && translated ? CollectChanges() : std::vector<Change>();
    }
    return *changes;
}

std::string ScriptMigration::RewrittenBytes() const {
    if (!script) {
        return std::string();
    }
    std::string rewritten;
    std::size_t at = 0;
    for (const Change& change : Changes()) {
        rewritten.append(script->Text(), at, change.begin - at);
        rewritten += change.text;
        at = change.end;
    }
    rewritten.append(script->Text(), at, std::string::npos);
    return script->Encode(rewritten);
}

std::string ScriptMigration::OriginalBytes() const {
    return script ? script->Encode(script->Text()) : std::string();
}

void ScriptMigration::FindAndTranslate(bool batch, const std::vector<std::string>& legacyNames) {
    const std::string& text = script->Text();
    std::vector<scripts::ScriptCall> calls;
    if (!batch) {
        calls = scripts::FindPowerShellCalls(text, legacyNames);
    } else if (script->Encoding() == scripts::ScriptEncoding::kUtf8Bom) {
        // cmd.exe knows no byte-order mark: it reads one as the start of the first command.
        calls = scripts::FindBatchCalls(std::string(kUtf8Mark) + text, legacyNames);
        ShiftBack(calls, kUtf8Mark.size());
    } else {
        calls = scripts::FindBatchCalls(text, legacyNames);
    }
    const std::map<std::string, std::size_t> spacedVariables =
        batch ? VariablesWithSpaces(text) : std::map<std::string, std::size_t>();
    const std::optional<BatchFacts> facts = batch ? std::optional<BatchFacts>(BatchFacts(text)) : std::nullopt;
    for (const scripts::ScriptCall& call : calls) {
        const std::string programText = text.substr(call.program.begin, call.program.end - call.program.begin);
        CallOutcome outcome = TranslateCall(call, batch ? Dialect::kBatch : Dialect::kPowerShell, programText,
                                            spacedVariables);
        if (outcome.verdict == Verdict::kRewrite) {
            Qualify(outcome, facts ? CheckBatchValues(call, programText, *facts) : PowerShellAssumptions(call, programText));
        }
        Finding finding;
        finding.line = call.line;
        finding.column = call.column;
        finding.verdict = outcome.verdict;
        finding.why = outcome.why;
        const std::size_t begin = LineStart(text, call.program.begin);
        const std::size_t end = LineEnd(text, std::max(call.arguments.end, call.program.end));
        finding.oldLines = text.substr(begin, end - begin);
        if (outcome.verdict == Verdict::kRewrite) {
            finding.edits = {{call.name.begin, call.name.end, outcome.name},
                             {call.arguments.begin, call.arguments.end, outcome.arguments}};
            if (batch && !PercentPairsStay(text, finding.edits)) {
                finding.verdict = Verdict::kReview;
                finding.why = "a % sign elsewhere on its line would pair with one of the new call's";
                finding.edits.clear();
            } else {
                finding.newLines = ApplyEdits(text, begin, end, finding.edits);
            }
            if (batch && !LinesFit(finding.newLines)) {
                finding.verdict = Verdict::kReview;
                finding.why = "the rewritten line would be longer than the " + std::to_string(kBatchLineLimit) +
                              " characters cmd.exe reads";
                finding.edits.clear();
                finding.newLines.clear();
            }
        }
        findings.push_back(finding);
    }
    if (batch) {
        LeaveLongLines();
    }
}

void ScriptMigration::LeaveLongLines() {
    // Calls that share a line each fit alone; together they may not.
    const std::string& text = script->Text();
    std::map<std::size_t, std::vector<Finding*>> byLine;
    for (Finding& finding : findings) {
        if (finding.verdict == Verdict::kRewrite) {
            byLine[LineStart(text, finding.edits.front().begin)].push_back(&finding);
        }
    }
    for (const auto& [start, shared] : byLine) {
        std::vector<Edit> edits;
        for (const Finding* finding : shared) {
            edits.insert(edits.end(), finding->edits.begin(), finding->edits.end());
        }
        std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
        if (shared.size() < 2 || LinesFit(ApplyEdits(text, start, LineEnd(text, edits.back().end), edits))) {
            continue;
        }
        for (Finding* finding : shared) {
            finding->verdict = Verdict::kReview;
            finding->why = "the rewritten line would be longer than the " + std::to_string(kBatchLineLimit) +
                           " characters cmd.exe reads";
            finding->edits.clear();
            finding->newLines.clear();
        }
    }
}

std::vector<Change> ScriptMigration::CollectChanges() const {
    std::vector<Change> result;
    const std::string& text = script->Text();
    std::vector<Edit> edits;
    for (const Finding& finding : findings) {
        edits.insert(edits.end(), finding.edits.begin(), finding.edits.end());
    }
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
    // Calls that share a line make one change of that line.
    std::size_t line = 1;
    std::size_t counted = 0;
    for (std::size_t i = 0; i < edits.size();) {
        Change change;
        change.begin = LineStart(text, edits[i].begin);
        change.end = LineEnd(text, edits[i].end);
        std::size_t last = i + 1;
        while (last < edits.size() && LineStart(text, edits[last].begin) <= change.end) {
            change.end = std::max(change.end, LineEnd(text, edits[last].end));
            ++last;
        }
        line += static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(counted),
                                                    text.begin() + static_cast<std::ptrdiff_t>(change.begin), '\n'));
        counted = change.begin;
        change.firstLine = line;
        change.text = ApplyEdits(text, change.begin, change.end,
                                 std::vector<Edit>(edits.begin() + static_cast<std::ptrdiff_t>(i),
                                                   edits.begin() + static_cast<std::ptrdiff_t>(last)));
        result.push_back(change);
        i = last;
    }
    return result;
}

}  // namespace migrate
