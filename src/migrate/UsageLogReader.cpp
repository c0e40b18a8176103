#include "migrate/UsageLogReader.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "migrate/System.h"
#include <thread>

#include "migrate/UsageFileReader.h"
#include "scripts/AsciiCase.h"

namespace migrate {
namespace {

namespace fs = std::filesystem;

bool IsLog(const fs::path& path) {
    return scripts::AsciiLowered(path.extension().u8string()) == ".jsonl";
}

}  // namespace

void UsageLogReader::AddPath(const std::string& given) {
    std::error_code error;
    const fs::path path = PathFromUtf8(given);
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found) {
        items.push_back(Item{std::string(), given + ": no such file or folder"});
        return;
    }
    if (error) {
        items.push_back(Item{std::string(), given + ": " + error.message()});
        return;
    }
    if (status.type() == fs::file_type::regular) {
        items.push_back(Item{given, std::string()});
        return;
    }
    if (status.type() != fs::file_type::directory) {
        // A pipe would wait for a writer forever, a device never end: neither holds records.
        items.push_back(Item{std::string(), given + ": is neither a file nor a folder"});
        return;
    }
    std::vector<fs::path> logs;
    fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, error);
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error) && IsLog(it->path())) {
            logs.push_back(it->path());
        }
    }
    const std::string walkError = error ? given + ": " + error.message() : std::string();
    std::sort(logs.begin(), logs.end());
    if (!walkError.empty()) {
        items.push_back(Item{std::string(), walkError});
    }
    for (const fs::path& log : logs) {
        items.push_back(Item{log.u8string(), std::string()});
    }
}

void UsageLogReader::Read(unsigned threads) {
    if (threads == 0) {
        threads = std::min(std::thread::hardware_concurrency(), kMaxThreads);
    }
    threads = static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(threads, items.size())));
    // Thread t reads items t, t + threads, ...: a fixed share, so that two files read one after
    // the other land in different tallies whenever there are two threads, and their merge is
    // what every run on a multi-core machine tests.
    std::vector<std::string> itemErrors(items.size());
    std::vector<std::unique_ptr<UsageTally>> tallies;
    std::vector<std::unique_ptr<UsageFileReader>> readers;
    for (unsigned t = 0; t < threads; ++t) {
        tallies.push_back(std::make_unique<UsageTally>());
        readers.push_back(std::make_unique<UsageFileReader>(t == 0 ? tally : *tallies.back()));
    }
    const auto work = [&](unsigned t) {
        for (std::size_t i = t; i < items.size(); i += threads) {
            itemErrors[i] = items[i].path.empty() ? items[i].error : readers[t]->Read(items[i].path);
        }
    };
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < threads; ++t) {
        workers.emplace_back(work, t);
    }
    work(0);
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (unsigned t = 0; t < threads; ++t) {
        if (t > 0) {
            tally.Merge(*tallies[t]);
        }
        files += readers[t]->Files();
        skipped += readers[t]->Skipped();
    }
    for (std::string& error : itemErrors) {
        if (!error.empty()) {
            errors.push_back(std::move(error));
        }
    }
    items.clear();
}

}  // namespace migrate
