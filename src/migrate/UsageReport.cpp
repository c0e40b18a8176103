#include "migrate/UsageReport.h"

#include <algorithm>
#include <sstream>

#include "migrate/JsonValue.h"
#include "migrate/WordTranslation.h"

namespace migrate {
namespace {

constexpr std::size_t kComputersShown = 5;
constexpr std::size_t kCallersShown = 5;

// The words as a command line a reader can copy: a word with a space, a quote or nothing in it
// is put in double quotes.
std::string ShownWords(const std::vector<std::string>& words) {
    std::string shown;
    for (const std::string& word : words) {
        shown += shown.empty() ? "" : " ";
        if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) {
            shown += word;
            continue;
        }
        shown += '"';
        for (const char c : word) {
            shown += c == '"' ? "\\\"" : std::string(1, c);
        }
        shown += '"';
    }
    return shown;
}

// The messages on one line, each line end read as a space.
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        line += c == '\n' || c == '\r' ? ' ' : c;
    }
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

std::string Plural(std::size_t count, const char* word) {
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

std::string Summary(const std::vector<UsageCall>& calls, const UsageTally& tally, const UsageLogReader& reader) {
    const auto refused = static_cast<std::size_t>(
        std::count_if(calls.begin(), calls.end(), [](const UsageCall& call) { return call.line.empty(); }));
    return Plural(tally.Records(), "record") + " in " + Plural(reader.Files(), "file") + ": " +
           Plural(calls.size(), "distinct call") + " (" + std::to_string(refused) + " refused) from " +
           Plural(tally.Computers(), "computer") + ", " + Plural(reader.Skipped(), "line") + " skipped";
}

}  // namespace

std::vector<UsageCall> TranslateUsage(const UsageTally& tally, const std::string& systemDrive) {
    std::vector<UsageCall> calls;
    for (UsageTally::Group& group : tally.Groups()) {
        UsageCall call;
        const WordTranslation translation = TranslateWords(group.args, systemDrive);
        if (translation.line) {
            call.line = std::string("tolvex.exe ") + *translation.line;
        } else {
            call.refused = translation.messages;
        }
        call.group = std::move(group);
        calls.push_back(std::move(call));
    }
    return calls;
}

std::string UsageText(const std::vector<UsageCall>& calls, const UsageTally& tally, const UsageLogReader& reader) {
    std::ostringstream out;
    for (const UsageCall& call : calls) {
        const UsageTally::Group& group = call.group;
        out << (group.args.empty() ? std::string("(no words)") : ShownWords(group.args)) << '\n';
        out << "    runs: " << group.runs << " on " << Plural(group.computers.size(), "computer") << " (";
        for (std::size_t i = 0; i < std::min(group.computers.size(), kComputersShown); ++i) {
            out << (i > 0 ? ", " : "") << group.computers[i];
        }
        out << (group.computers.size() > kComputersShown ? ", ...)" : ")") << '\n';
        out << "    seen: " << group.firstSeen << " to " << group.lastSeen << '\n';
        for (std::size_t i = 0; i < std::min(group.callers.size(), kCallersShown); ++i) {
            const UsageTally::Caller& caller = group.callers[i];
            out << "    caller: " << (caller.image.empty() ? "(unknown)" : caller.image) << " ("
                << Plural(caller.runs, "run") << ")";
            out << (caller.commandLine.empty() ? "" : ": ") << OneLine(caller.commandLine) << '\n';
        }
        if (group.callers.size() > kCallersShown) {
            out << "    and " << Plural(group.callers.size() - kCallersShown, "more caller") << '\n';
        }
        if (call.line.empty()) {
            out << "    refused: " << OneLine(call.refused) << '\n';
        } else {
            out << "    becomes: " << call.line << '\n';
        }
    }
    out << Summary(calls, tally, reader) << '\n';
    return out.str();
}

std::string UsageJson(const std::vector<UsageCall>& calls, const UsageTally& tally, const UsageLogReader& reader) {
    JsonValue groups = JsonValue::Array();
    for (const UsageCall& call : calls) {
        const UsageTally::Group& group = call.group;
        JsonValue args = JsonValue::Array();
        for (const std::string& word : group.args) {
            args.Append(word);
        }
        JsonValue computers = JsonValue::Array();
        for (const std::string& computer : group.computers) {
            computers.Append(computer);
        }
        JsonValue callers = JsonValue::Array();
        for (const UsageTally::Caller& caller : group.callers) {
            callers.Append(JsonValue::Object()
                               .Set("image", caller.image.empty() ? JsonValue() : JsonValue(caller.image))
                               .Set("commandLine", caller.commandLine.empty() ? JsonValue() : JsonValue(caller.commandLine))
                               .Set("runs", JsonValue::Number(caller.runs)));
        }
        groups.Append(JsonValue::Object()
                          .Set("args", args)
                          .Set("runs", JsonValue::Number(group.runs))
                          .Set("computers", computers)
                          .Set("callers", callers)
                          .Set("firstSeen", group.firstSeen)
                          .Set("lastSeen", group.lastSeen)
                          .Set("line", call.line.empty() ? JsonValue() : JsonValue(call.line))
                          .Set("refused", call.line.empty() ? JsonValue(call.refused) : JsonValue()));
    }
    JsonValue errors = JsonValue::Array();
    for (const std::string& error : reader.Errors()) {
        errors.Append(error);
    }
    return JsonValue::Object()
        .Set("calls", groups)
        .Set("summary", JsonValue::Object()
                            .Set("records", JsonValue::Number(tally.Records()))
                            .Set("files", JsonValue::Number(reader.Files()))
                            .Set("calls", JsonValue::Number(calls.size()))
                            .Set("computers", JsonValue::Number(tally.Computers()))
                            .Set("skipped", JsonValue::Number(reader.Skipped())))
        .Set("errors", errors)
        .Dump();
}

}  // namespace migrate
