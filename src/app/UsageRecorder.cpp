#include "app/UsageRecorder.h"

#include <sstream>
#include <vector>

#include "app/LegacyTranslation.h"
#include "app/PasswordMask.h"
#include "app/UsageRecord.h"
#include "app/UsageSystem.h"
#include "params/Parameters.h"

namespace {

// The translation of the masked words, run again where nobody sees it: it gives the line and
// the refusal as the run printed them, with the passwords masked there too. Masking keeps
// every word's kind (option or value, empty or not), so it refuses or translates as the run did.
void TranslateMasked(const std::vector<std::string>& masked, const std::string& systemDrive, UsageRecord& record) {
    std::vector<const char*> arguments{"tolvex-legacy"};
    for (const std::string& word : masked) {
        arguments.push_back(word.c_str());
    }
    const Parameters parameters(static_cast<int>(arguments.size()), arguments.data());
    std::ostringstream console;
    const std::optional<std::string> line =
        TranslateLegacyCommandLine(parameters, TranslationContext{console, systemDrive});
    if (line) {
        record.line = usage::ArgumentToUtf8(*line);
    } else {
        record.refused = usage::ArgumentToUtf8(console.str());
    }
}

}  // namespace

std::string UsageLogFile(const std::string& setting, const std::string& computer) {
    if (usage::IsPathSeparator(setting.back())) {
        return setting + computer + ".jsonl";
    }
    if (usage::IsDirectory(setting)) {
        return setting + usage::PathSeparator() + computer + ".jsonl";
    }
    return setting;
}

UsageRecorder::UsageRecorder() : target(usage::LogSetting()) {
    if (!target) {
        return;
    }
    try {
        caller.time = usage::UtcTime();
        lookup = std::thread([this] { LookUpCaller(); });
    } catch (...) {
        // No thread to be had: Finish looks the caller up itself.
    }
}

UsageRecorder::~UsageRecorder() {
    WaitForCaller();
}

void UsageRecorder::LookUpCaller() noexcept {
    try {
        caller.computer = usage::ComputerName();
        caller.user = usage::UserName();
        caller.pid = usage::ProcessId();
        caller.cwd = usage::CurrentDirectory();
        caller.parent = usage::Parent();
        callerKnown = true;
    } catch (...) {
        // Out of memory: Finish looks once more, and drops the record when that fails too.
    }
}

void UsageRecorder::WaitForCaller() noexcept {
    if (lookup.joinable()) {
        try {
            lookup.join();
        } catch (...) {
            // join fails only for a thread that cannot be joined, and this one can.
        }
    }
}

void UsageRecorder::Finish(int count, const char* const* arguments, const std::string& systemDrive,
                           int status) noexcept {
    if (!target || count < 1) {
        return;
    }
    WaitForCaller();
    if (!callerKnown && !caller.time.empty()) {
        LookUpCaller();
    }
    if (!callerKnown) {
        return;
    }
    try {
        UsageRecord record = caller;
        std::vector<std::string> hidden;
        const std::vector<std::string> masked =
            MaskPasswords(std::vector<std::string>(arguments + 1, arguments + count), hidden);
        for (const std::string& word : masked) {
            record.args.push_back(usage::ArgumentToUtf8(word));
        }
        for (std::string& value : hidden) {
            value = usage::ArgumentToUtf8(value);
        }
        // The caller's command line usually holds this very call, passwords and all.
        if (record.parent.commandLine) {
            record.parent.commandLine = MaskPasswordsInText(*record.parent.commandLine, hidden);
        }
        TranslateMasked(masked, systemDrive, record);
        record.status = status;
        usage::AppendLine(UsageLogFile(*target, record.computer), record.ToJsonLine());
    } catch (...) {
        // Out of memory while recording: the run itself is done, and its result stands.
    }
}
