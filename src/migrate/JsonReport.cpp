#include "migrate/JsonReport.h"

#include <nlohmann/json.hpp>

namespace migrate {

std::string JsonReport(const std::vector<ScriptOutcome>& outcomes, const std::vector<std::string>& errors) {
    nlohmann::ordered_json calls = nlohmann::ordered_json::array();
    nlohmann::ordered_json failures = nlohmann::ordered_json::array();
    for (const std::string& error : errors) {
        failures.push_back(error);
    }
    for (const ScriptOutcome& outcome : outcomes) {
        if (!outcome.error.empty()) {
            failures.push_back(outcome.script.display + ": " + outcome.error);
        }
        if (!outcome.migration) {
            continue;
        }
        for (const Finding& finding : outcome.migration->Findings()) {
            const bool rewrite = finding.verdict == Verdict::kRewrite;
            calls.push_back({{"file", outcome.script.display},
                             {"line", finding.line},
                             {"column", finding.column},
                             {"class", VerdictName(finding.verdict)},
                             {"why", finding.why},
                             {"old", finding.oldLines},
                             {"new", rewrite ? nlohmann::ordered_json(finding.newLines) : nlohmann::ordered_json()}});
        }
    }
    const Tally tally = CountOutcomes(outcomes);
    const nlohmann::ordered_json document = {
        {"calls", calls},
        {"errors", failures},
        {"summary",
         {{"files", tally.files},
          {"calls", tally.calls},
          {"rewrite", tally.rewrite},
          {"review", tally.review},
          {"manual", tally.manual}}}};
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace migrate
