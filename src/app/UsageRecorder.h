#pragma once

#include <optional>
#include <string>
#include <thread>

#include "app/UsageRecord.h"

// The usage record of one run: when TOLVEX_LEGACY_USAGE_LOG is set, a line saying who called
// with which words and what came of it is appended to the file it names, or to
// <computer name>.jsonl in the folder it names (an existing one, or a name ending in a
// separator). When it is not set nothing at all happens. Nothing is ever printed, and a record
// that cannot be written is dropped: the run's output and exit status stay what they are.
class UsageRecorder {
public:
    // Reads the setting and, when it is on, the time the run started, and starts looking up
    // the caller (the account name alone takes milliseconds under some systems) on a thread of
    // its own, so that the lookup runs while the run translates and waits for tolvex.exe.
    UsageRecorder();
    ~UsageRecorder();
    UsageRecorder(const UsageRecorder&) = delete;
    UsageRecorder& operator=(const UsageRecorder&) = delete;
    UsageRecorder(UsageRecorder&&) = delete;
    UsageRecorder& operator=(UsageRecorder&&) = delete;

    // Writes the record of a run given its `count` arguments as typed (entry 0 the program name,
    // not recorded), the drive the output directory lay on and the exit status. Call it once, at
    // the very end.
    void Finish(int count, const char* const* arguments, const std::string& systemDrive, int status) noexcept;

private:
    // Fills in who called, from where: the part of the record the words do not give.
    void LookUpCaller() noexcept;
    void WaitForCaller() noexcept;

    std::optional<std::string> target;
    UsageRecord caller;
    bool callerKnown = false;
    std::thread lookup;
};

// Where a record goes for the setting `setting` on computer `computer`.
std::string UsageLogFile(const std::string& setting, const std::string& computer);
