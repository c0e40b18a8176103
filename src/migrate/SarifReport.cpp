#include "migrate/SarifReport.h"

#include <array>
#include <cctype>
#include <cstddef>
#include <nlohmann/json.hpp>

namespace migrate {
namespace {

using Json = nlohmann::ordered_json;

struct Rule {
    const char* id;
    const char* name;
    const char* level;
    const char* description;
};

// In the order of Verdict.
constexpr std::array<Rule, 3> kRules{{
    {"rewrite", "LegacyCallRewritable", "warning",
     "A call of the legacy update program that can be rewritten to call tolvex.exe directly, with the same "
     "arguments reaching it."},
    {"review", "LegacyCallNeedsReview", "warning",
     "A call of the legacy update program whose rewrite depends on something only a person can check."},
    {"manual", "LegacyCallRefused", "error",
     "A call of the legacy update program that cannot work as written, or cannot be read."},
}};

// A relative reference for a relative path, a file: URI for an absolute one; "/" separators,
// and every byte outside the unreserved set percent-encoded.
std::string FileUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = !path.empty() && path[0] == '/' ? "file://" : "";
    if (path.size() > 1 && path[1] == ':') {
        uri = "file:///";
    }
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || std::string("-._~/:").find(c) != std::string::npos) {
            uri += c;
        } else if (c == '\\') {
            uri += '/';
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

// Line and code-point column (both from 1) of a byte offset into `text`.
Json Position(const std::string& text, std::size_t offset, const char* lineKey, const char* columnKey) {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return Json{{lineKey, line}, {columnKey, column}};
}

Json Region(const std::string& text, std::size_t begin, std::size_t end) {
    Json region = Position(text, begin, "startLine", "startColumn");
    region.update(Position(text, end, "endLine", "endColumn"));
    return region;
}

Json Result(const ScriptOutcome& outcome, const Finding& finding) {
    const auto rule = static_cast<std::size_t>(finding.verdict);
    const std::string& text = outcome.migration->Text();
    const std::string uri = FileUri(outcome.script.display);
    // The finding's own column, counted in code points.
    std::size_t lineStart = 0;
    for (std::size_t line = 1; line < finding.line; ++line) {
        lineStart = text.find('\n', lineStart) + 1;
    }
    Json region = Position(text, lineStart + finding.column - 1, "startLine", "startColumn");
    Json result = {{"ruleId", kRules[rule].id},
                   {"ruleIndex", rule},
                   {"level", kRules[rule].level},
                   {"message", {{"text", std::string(kRules[rule].id) + ": " + finding.why}}},
                   {"locations", Json::array({{{"physicalLocation",
                                                {{"artifactLocation", {{"uri", uri}}}, {"region", region}}}}})}};
    if (finding.verdict == Verdict::kRewrite) {
        Json replacements = Json::array();
        for (const Edit& edit : finding.edits) {
            replacements.push_back(
                {{"deletedRegion", Region(text, edit.begin, edit.end)}, {"insertedContent", {{"text", edit.text}}}});
        }
        result["fixes"] = Json::array(
            {{{"description", {{"text", "Call tolvex.exe directly"}}},
              {"artifactChanges", Json::array({{{"artifactLocation", {{"uri", uri}}}, {"replacements", replacements}}})}}});
    }
    return result;
}

}  // namespace

std::string SarifReport(const std::vector<ScriptOutcome>& outcomes, const std::vector<std::string>& errors,
                        const std::string& version) {
    Json rules = Json::array();
    for (const Rule& rule : kRules) {
        rules.push_back({{"id", rule.id},
                         {"name", rule.name},
                         {"shortDescription", {{"text", rule.description}}},
                         {"fullDescription", {{"text", rule.description}}},
                         {"defaultConfiguration", {{"level", rule.level}}},
                         {"help", {{"text", rule.description}}}});
    }
    Json results = Json::array();
    Json notifications = Json::array();
    for (const std::string& error : errors) {
        notifications.push_back({{"level", "error"}, {"message", {{"text", error}}}});
    }
    for (const ScriptOutcome& outcome : outcomes) {
        if (!outcome.error.empty()) {
            notifications.push_back(
                {{"level", "error"}, {"message", {{"text", outcome.script.display + ": " + outcome.error}}}});
        }
        if (outcome.migration) {
            for (const Finding& finding : outcome.migration->Findings()) {
                results.push_back(Result(outcome, finding));
            }
        }
    }
    const Json log = {
        {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
        {"version", "2.1.0"},
        {"runs", Json::array({{{"tool",
                                {{"driver",
                                  {{"name", "tolvex-migrate"},
                                   {"version", version},
                                   {"semanticVersion", version},
                                   {"rules", rules}}}}},
                               {"invocations", Json::array({{{"executionSuccessful", notifications.empty()},
                                                             {"toolExecutionNotifications", notifications}}})},
                               {"columnKind", "unicodeCodePoints"},
                               {"results", results}}})}};
    return log.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace migrate
