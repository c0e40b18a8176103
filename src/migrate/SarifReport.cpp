#include "migrate/SarifReport.h"

#include <array>
#include <utility>
#include <cctype>
#include <cstddef>

#include "migrate/JsonValue.h"

namespace migrate {
namespace {

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
std::pair<std::size_t, std::size_t> Position(const std::string& text, std::size_t offset) {
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
    return {line, column};
}

JsonValue Region(const std::string& text, std::size_t begin, std::size_t end) {
    const auto [startLine, startColumn] = Position(text, begin);
    JsonValue region = JsonValue::Object()
                           .Set("startLine", JsonValue::Number(startLine))
                           .Set("startColumn", JsonValue::Number(startColumn));
    if (end != begin) {
        const auto [endLine, endColumn] = Position(text, end);
        region.Set("endLine", JsonValue::Number(endLine)).Set("endColumn", JsonValue::Number(endColumn));
    }
    return region;
}

JsonValue Text(const std::string& text) {
    return JsonValue::Object().Set("text", text);
}

JsonValue ArtifactLocation(const std::string& uri) {
    return JsonValue::Object().Set("uri", uri);
}

JsonValue Fix(const Finding& finding, const std::string& text, const std::string& uri) {
    JsonValue replacements = JsonValue::Array();
    for (const Edit& edit : finding.edits) {
        replacements.Append(JsonValue::Object()
                                .Set("deletedRegion", Region(text, edit.begin, edit.end))
                                .Set("insertedContent", Text(edit.text)));
    }
    return JsonValue::Object()
        .Set("description", Text("Call tolvex.exe directly"))
        .Set("artifactChanges", JsonValue::Array().Append(JsonValue::Object()
                                                              .Set("artifactLocation", ArtifactLocation(uri))
                                                              .Set("replacements", replacements)));
}

JsonValue Result(const ScriptOutcome& outcome, const Finding& finding) {
    const auto rule = static_cast<std::size_t>(finding.verdict);
    const std::string& text = outcome.migration->Text();
    const std::string uri = FileUri(outcome.script.display);
    // The finding's own column, counted in code points.
    std::size_t lineStart = 0;
    for (std::size_t line = 1; line < finding.line; ++line) {
        lineStart = text.find('\n', lineStart) + 1;
    }
    const std::size_t at = lineStart + finding.column - 1;
    JsonValue result = JsonValue::Object()
                           .Set("ruleId", kRules[rule].id)
                           .Set("ruleIndex", JsonValue::Number(rule))
                           .Set("level", kRules[rule].level)
                           .Set("message", Text(std::string(kRules[rule].id) + ": " + finding.why))
                           .Set("locations", JsonValue::Array().Append(JsonValue::Object().Set(
                                                 "physicalLocation", JsonValue::Object()
                                                                         .Set("artifactLocation", ArtifactLocation(uri))
                                                                         .Set("region", Region(text, at, at)))));
    if (finding.verdict == Verdict::kRewrite) {
        result.Set("fixes", JsonValue::Array().Append(Fix(finding, text, uri)));
    }
    return result;
}

}  // namespace

std::string SarifReport(const std::vector<ScriptOutcome>& outcomes, const std::vector<std::string>& errors,
                        const std::string& version) {
    JsonValue rules = JsonValue::Array();
    for (const Rule& rule : kRules) {
        rules.Append(JsonValue::Object()
                         .Set("id", rule.id)
                         .Set("name", rule.name)
                         .Set("shortDescription", Text(rule.description))
                         .Set("fullDescription", Text(rule.description))
                         .Set("defaultConfiguration", JsonValue::Object().Set("level", rule.level))
                         .Set("help", Text(rule.description)));
    }
    JsonValue results = JsonValue::Array();
    JsonValue notifications = JsonValue::Array();
    bool failed = !errors.empty();
    for (const std::string& error : errors) {
        notifications.Append(JsonValue::Object().Set("level", "error").Set("message", Text(error)));
    }
    for (const ScriptOutcome& outcome : outcomes) {
        if (!outcome.error.empty()) {
            failed = true;
            notifications.Append(JsonValue::Object()
                                     .Set("level", "error")
                                     .Set("message", Text(outcome.script.display + ": " + outcome.error)));
        }
        if (outcome.migration) {
            for (const Finding& finding : outcome.migration->Findings()) {
                results.Append(Result(outcome, finding));
            }
        }
    }
    const JsonValue driver = JsonValue::Object()
                                 .Set("name", "tolvex-migrate")
                                 .Set("version", version)
                                 .Set("semanticVersion", version)
                                 .Set("rules", rules);
    const JsonValue invocation = JsonValue::Object()
                                     .Set("executionSuccessful", JsonValue::Boolean(!failed))
                                     .Set("toolExecutionNotifications", notifications);
    const JsonValue run = JsonValue::Object()
                              .Set("tool", JsonValue::Object().Set("driver", driver))
                              .Set("invocations", JsonValue::Array().Append(invocation))
                              .Set("columnKind", "unicodeCodePoints")
                              .Set("results", results);
    return JsonValue::Object()
        .Set("$schema", "https://json.schemastore.org/sarif-2.1.0.json")
        .Set("version", "2.1.0")
        .Set("runs", JsonValue::Array().Append(run))
        .Dump();
}

}  // namespace migrate
