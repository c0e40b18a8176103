#include "migrate/MigrateMain.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/Launcher.h"
#include "app/LegacyTranslation.h"
#include "migrate/FileRewriter.h"
#include "migrate/JsonReport.h"
#include "migrate/OptionMap.h"
#include "migrate/SarifReport.h"
#include "migrate/ScriptRun.h"
#include "migrate/System.h"
#include "migrate/TextReport.h"
#include "migrate/UnifiedDiff.h"
#include "migrate/UsageLogReader.h"
#include "migrate/UsageReport.h"
#include "params/Parameters.h"
#include "scripts/AsciiCase.h"

namespace {

using migrate::ScriptOutcome;

constexpr int kNoCallLeft = 0;
constexpr int kCallsLeft = 1;
constexpr int kFailed = 2;

struct Options {
    std::vector<std::string> legacyNames;
    std::vector<std::string> paths;
    std::string format = "text";
    bool write = false;
    bool noBackup = false;
    bool strict = false;
};

// Lower case, without a folder and without ".exe": the form the readers compare with.
std::string NormalName(std::string name) {
    name = scripts::AsciiLowered(name.substr(name.find_last_of("/\\") + 1));
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) {
        name.resize(name.size() - 4);
    }
    return name;
}

std::vector<std::string> LegacyNames(const Options& options) {
    std::vector<std::string> names;
    for (const std::string& given : options.legacyNames) {
        names.push_back(NormalName(given));
    }
    return names.empty() ? std::vector<std::string>{"tolvex-legacy"} : names;
}

void ReportErrors(const std::vector<std::string>& errors, const std::vector<ScriptOutcome>& outcomes) {
    for (const std::string& error : errors) {
        std::cerr << "tolvex-migrate: " << error << '\n';
    }
    for (const ScriptOutcome& outcome : outcomes) {
        if (!outcome.error.empty()) {
            std::cerr << "tolvex-migrate: " << outcome.script.display << ": " << outcome.error << '\n';
        }
    }
}

bool AnyError(const std::vector<std::string>& errors, const std::vector<ScriptOutcome>& outcomes) {
    return !errors.empty() || std::any_of(outcomes.begin(), outcomes.end(),
                                          [](const ScriptOutcome& outcome) { return !outcome.error.empty(); });
}

// Writes the findings of the given verdicts in the text form.
void WriteFindings(std::ostream& out, const std::vector<ScriptOutcome>& outcomes, bool rewrites) {
    for (const ScriptOutcome& outcome : outcomes) {
        if (!outcome.migration) {
            continue;
        }
        for (const migrate::Finding& finding : outcome.migration->Findings()) {
            if (rewrites || finding.verdict != migrate::Verdict::kRewrite) {
                migrate::WriteTextFinding(out, outcome.script.display, finding);
            }
        }
    }
}

int Scan(const Options& options) {
    std::vector<std::string> errors;
    const auto outcomes = migrate::MigrateScripts(options.paths, errors, LegacyNames(options), options.strict);
    const migrate::Tally tally = migrate::CountOutcomes(outcomes);
    if (options.format == "json") {
        std::cout << migrate::JsonReport(outcomes, errors);
    } else if (options.format == "sarif") {
        std::cout << migrate::SarifReport(outcomes, errors, TOLVEX_VERSION);
    } else {
        WriteFindings(std::cout, outcomes, true);
        std::cout << migrate::SummaryLine(tally) << '\n';
    }
    std::cout.flush();
    ReportErrors(errors, outcomes);
    return AnyError(errors, outcomes) ? kFailed : tally.calls > 0 ? kCallsLeft : kNoCallLeft;
}

// Without --write: the diff on stdout, what is left for a person on stderr. With --write: each
// script rewritten in place, then what is left.
int Fix(const Options& options) {
    std::vector<std::string> errors;
    auto outcomes = migrate::MigrateScripts(options.paths, errors, LegacyNames(options), options.strict);
    const migrate::Tally tally = migrate::CountOutcomes(outcomes);
    if (!options.write) {
        migrate::UseBinaryStandardOutput();
        for (const ScriptOutcome& outcome : outcomes) {
            if (outcome.migration) {
                std::cout << migrate::UnifiedDiff(outcome.script.display, outcome.migration->Text(),
                                                  outcome.migration->Changes());
            }
        }
        std::cout.flush();
        WriteFindings(std::cerr, outcomes, false);
        std::cerr << migrate::SummaryLine(tally) << '\n';
        ReportErrors(errors, outcomes);
        return AnyError(errors, outcomes) ? kFailed : tally.calls > 0 ? kCallsLeft : kNoCallLeft;
    }
    for (ScriptOutcome& outcome : outcomes) {
        if (!outcome.migration || outcome.migration->Changes().empty()) {
            continue;
        }
        std::string backup;
        std::string error;
        if (migrate::RewriteFile(migrate::PathFromUtf8(outcome.script.path), outcome.migration->OriginalBytes(),
                                 outcome.migration->RewrittenBytes(), !options.noBackup, backup, error)) {
            // One line as each file is done, so that an interrupted run shows how far it came.
            std::cout << "rewrote " << outcome.script.display << (backup.empty() ? "" : " (backup " + backup + ")")
                      << '\n'
                      << std::flush;
        } else {
            outcome.error = error;
            outcome.migration.reset();
        }
    }
    WriteFindings(std::cout, outcomes, false);
    std::cout << migrate::SummaryLine(tally) << '\n';
    std::cout.flush();
    ReportErrors(errors, outcomes);
    const bool left = tally.review + tally.manual > 0;
    return AnyError(errors, outcomes) ? kFailed : left ? kCallsLeft : kNoCallLeft;
}

// What tolvex-legacy would print for these arguments, up to the launch, which it names without
// a folder.
int Explain(int count, char** words) {
    std::vector<const char*> arguments{"tolvex-legacy"};
    arguments.insert(arguments.end(), words, words + count);
    const Parameters parameters(static_cast<int>(arguments.size()), arguments.data());
    const std::optional<std::string> line =
        TranslateLegacyCommandLine(parameters, TranslationContext{std::cout, SystemDriveFromEnvironment()});
    if (!line) {
        std::cout.flush();
        return 1;
    }
    PrintTranslatedCommand(std::cout, std::string(kToolFileName) + " " + *line);
    return 0;
}

// Reads the usage logs and reports each distinct call; exit status 1 when any record was found.
int Usage(const Options& options) {
    migrate::UsageTally tally;
    migrate::UsageLogReader reader(tally);
    for (const std::string& path : options.paths) {
        reader.AddPath(path);
    }
    reader.Read();
    const auto calls = migrate::TranslateUsage(tally, SystemDriveFromEnvironment());
    std::cout << (options.format == "json" ? migrate::UsageJson(calls, tally, reader)
                                            : migrate::UsageText(calls, tally, reader));
    std::cout.flush();
    for (const std::string& error : reader.Errors()) {
        std::cerr << "tolvex-migrate: " << error << '\n';
    }
    return !reader.Errors().empty() ? kFailed : tally.Records() > 0 ? kCallsLeft : kNoCallLeft;
}

int Map(const std::string& format) {
    const auto commands = migrate::MapCommands();
    std::cout << (format == "markdown" ? migrate::MapMarkdown(commands) : migrate::MapJson(commands));
    std::cout.flush();
    return 0;
}

}  // namespace

int RunMigrateMain(int count, char** arguments) {
    // Everything after "explain" is the legacy command line, dashes included: no parser sees it.
    if (count >= 2 && std::string(arguments[1]) == "explain") {
        return Explain(count - 2, arguments + 2);
    }
    CLI::App app("Finds the calls of tolvex-legacy in batch and PowerShell scripts, and rewrites them to call "
                 "tolvex.exe directly.",
                 "tolvex-migrate");
    // On Windows CLI11 would read "/tmp/x.bat" as an option "/tmp": paths may start with "/".
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("tolvex-migrate ") + TOLVEX_VERSION);
    app.require_subcommand(1);
    Options options;
    std::string mapFormat = "markdown";
    const auto addCommon = [&options](CLI::App* command) {
        command->add_option("--legacy-name", options.legacyNames,
                            "A file name scripts call the legacy program by (with or without .exe, any case); "
                            "repeatable; default tolvex-legacy")
            ->allow_extra_args(false);
        command->add_flag("--strict", options.strict,
                          "Rewrite only calls proved exact from the file alone; leave for review those "
                          "exact only if values the running system holds are plain words");
        command->add_option("PATH", options.paths,
                            "Script and task files, and folders to search for *.bat, *.cmd, *.ps1, *.psm1, task "
                            "files, scripts.ini and psscripts.ini")
            ->required();
    };
    CLI::App* scan = app.add_subcommand("scan", "Report every call, and what becomes of it");
    addCommon(scan);
    scan->add_option("--format", options.format, "text (default), json or sarif")
        ->check(CLI::IsMember({"text", "json", "sarif"}));
    CLI::App* fix = app.add_subcommand("fix", "Show the rewrites as a diff, or make them with --write");
    addCommon(fix);
    CLI::Option* write = fix->add_flag("--write", options.write, "Rewrite the scripts in place");
    fix->add_flag("--no-backup", options.noBackup, "Keep no FILE.bak copy of a rewritten script")->needs(write);
    app.add_subcommand("explain", "Print what tolvex-legacy would print for LEGACY-ARGUMENT...; runs nothing");
    CLI::App* usage = app.add_subcommand("usage", "Report the calls tolvex-legacy recorded in its usage logs");
    usage->add_option("--format", options.format, "text (default) or json")->check(CLI::IsMember({"text", "json"}));
    usage->add_option("PATH", options.paths, "Usage logs, and folders to search for *.jsonl")->required();
    CLI::App* map = app.add_subcommand("map", "Print each legacy option and what it becomes");
    map->add_option("--format", mapFormat, "markdown (default) or json")->check(CLI::IsMember({"markdown", "json"}));
    // Names are UTF-8 inside the program, whatever code page the arguments came in.
    const std::vector<std::string> utf8 = migrate::Utf8Arguments(count, arguments);
    std::vector<const char*> words;
    words.reserve(utf8.size());
    for (const std::string& word : utf8) {
        words.push_back(word.c_str());
    }
    try {
        app.parse(static_cast<int>(words.size()), words.data());
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : kFailed;
    }
    if (std::any_of(options.legacyNames.begin(), options.legacyNames.end(),
                    [](const std::string& name) { return NormalName(name).empty(); })) {
        std::cerr << "tolvex-migrate: --legacy-name needs a file name\n";
        return kFailed;
    }
    if (scan->parsed()) {
        return Scan(options);
    }
    if (fix->parsed()) {
        return Fix(options);
    }
    if (usage->parsed()) {
        return Usage(options);
    }
    return Map(mapFormat);
}
