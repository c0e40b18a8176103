#include "migrate/JsonReport.h"

#include "migrate/JsonValue.h"

namespace migrate {

std::string JsonReport(const std::vector<ScriptOutcome>& outcomes, const std::vector<std::string>& errors) {
    JsonValue calls = JsonValue::Array();
    JsonValue failures = JsonValue::Array();
    for (const std::string& error : errors) {
        failures.Append(error);
    }
    for (const ScriptOutcome& outcome : outcomes) {
        if (!outcome.error.empty()) {
            failures.Append(outcome.script.display + ": " + outcome.error);
        }
        if (!outcome.migration) {
            continue;
        }
        for (const Finding& finding : outcome.migration->Findings()) {
            const bool rewrite = finding.verdict == Verdict::kRewrite || !finding.newLines.empty();
            calls.Append(JsonValue::Object()
                             .Set("file", outcome.script.display)
                             .Set("line", JsonValue::Number(finding.line))
                             .Set("column", JsonValue::Number(finding.column))
                             .Set("class", VerdictName(finding.verdict))
                             .Set("why", finding.why)
                             .Set("old", finding.oldLines)
                             .Set("new", rewrite ? JsonValue(finding.newLines) : JsonValue()));
        }
    }
    const Tally tally = CountOutcomes(outcomes);
    return JsonValue::Object()
        .Set("calls", calls)
        .Set("errors", failures)
        .Set("summary", JsonValue::Object()
                            .Set("files", JsonValue::Number(tally.files))
                            .Set("calls", JsonValue::Number(tally.calls))
                            .Set("rewrite", JsonValue::Number(tally.rewrite))
                            .Set("review", JsonValue::Number(tally.review))
                            .Set("manual", JsonValue::Number(tally.manual)))
        .Dump();
}

}  // namespace migrate
