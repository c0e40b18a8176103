#include "migrate/UsageTally.h"

#include <algorithm>
#include <iterator>
#include <tuple>

namespace migrate {
namespace {

// The words as one key, each prefixed by its length, so that no two lists share a key.
void AppendWord(std::string& key, std::string_view word) {
    const auto size = static_cast<std::uint32_t>(word.size());
    key.append(reinterpret_cast<const char*>(&size), sizeof size);  // NOLINT(cppcoreguidelines-pro-type-reinterpret-cast)
    key.append(word);
}

std::vector<std::string> WordsOfKey(const std::string& key) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at + sizeof(std::uint32_t) <= key.size();) {
        std::uint32_t size = 0;
        key.copy(reinterpret_cast<char*>(&size), sizeof size, at);  // NOLINT(cppcoreguidelines-pro-type-reinterpret-cast)
        at += sizeof size;
        words.push_back(key.substr(at, size));
        at += size;
    }
    return words;
}

}  // namespace

std::uint32_t UsageTally::Intern(std::unordered_map<std::string, std::uint32_t>& ids,
                                 std::vector<std::string>& names, const std::string& text) {
    const auto found = ids.find(text);
    if (found != ids.end()) {
        return found->second;
    }
    const auto id = static_cast<std::uint32_t>(names.size());
    ids.emplace(text, id);
    names.push_back(text);
    return id;
}

void UsageTally::Add(const UsageLineParser::Fields& record) {
    ++records;
    key.clear();
    for (const std::string_view word : record.args) {
        AppendWord(key, word);
    }
    auto found = groups.find(key);
    if (found == groups.end()) {
        found = groups.emplace(key, Counts{}).first;
    }
    Counts& counts = found->second;
    ++counts.runs;
    if (counts.runs == 1 || record.time < counts.firstSeen) {
        counts.firstSeen.assign(record.time);
    }
    if (record.time > counts.lastSeen) {
        counts.lastSeen.assign(record.time);
    }
    // A log file holds one computer's records: the last one is nearly always the same.
    if (computerNames.empty() || record.computer != computerNames[lastComputer]) {
        key.assign(record.computer);
        lastComputer = Intern(computerIds, computerNames, key);
    }
    const std::uint32_t computer = lastComputer;
    const auto place = std::lower_bound(counts.computers.begin(), counts.computers.end(), computer);
    if (place == counts.computers.end() || *place != computer) {
        counts.computers.insert(place, computer);
    }
    key.assign(record.image);
    key += '\0';
    key.append(record.commandLine);
    ++counts.callers[Intern(callerIds, callerNames, key)];
}

void UsageTally::Merge(const UsageTally& other) {
    records += other.records;
    std::vector<std::uint32_t> computerIdOf;
    computerIdOf.reserve(other.computerNames.size());
    for (const std::string& name : other.computerNames) {
        computerIdOf.push_back(Intern(computerIds, computerNames, name));
    }
    std::vector<std::uint32_t> callerIdOf;
    callerIdOf.reserve(other.callerNames.size());
    for (const std::string& name : other.callerNames) {
        callerIdOf.push_back(Intern(callerIds, callerNames, name));
    }
    std::vector<std::uint32_t> theirComputers;
    std::vector<std::uint32_t> both;
    for (const auto& [words, theirs] : other.groups) {
        const auto [found, added] = groups.try_emplace(words);
        Counts& ours = found->second;
        if (added || theirs.firstSeen < ours.firstSeen) {
            ours.firstSeen = theirs.firstSeen;
        }
        if (theirs.lastSeen > ours.lastSeen) {
            ours.lastSeen = theirs.lastSeen;
        }
        ours.runs += theirs.runs;
        theirComputers.clear();
        for (const std::uint32_t id : theirs.computers) {
            theirComputers.push_back(computerIdOf[id]);
        }
        std::sort(theirComputers.begin(), theirComputers.end());
        both.clear();
        std::set_union(ours.computers.begin(), ours.computers.end(), theirComputers.begin(), theirComputers.end(),
                       std::back_inserter(both));
        ours.computers.swap(both);
        for (const auto& [id, runs] : theirs.callers) {
            ours.callers[callerIdOf[id]] += runs;
        }
    }
}

std::vector<UsageTally::Group> UsageTally::Groups() const {
    std::vector<Group> result;
    result.reserve(groups.size());
    for (const auto& [words, counts] : groups) {
        Group group;
        group.args = WordsOfKey(words);
        group.runs = counts.runs;
        group.firstSeen = counts.firstSeen;
        group.lastSeen = counts.lastSeen;
        for (const std::uint32_t id : counts.computers) {
            group.computers.push_back(computerNames[id]);
        }
        std::sort(group.computers.begin(), group.computers.end());
        for (const auto& [id, runs] : counts.callers) {
            const std::string& name = callerNames[id];
            const std::size_t cut = name.find('\0');
            group.callers.push_back(Caller{name.substr(0, cut), name.substr(cut + 1), runs});
        }
        std::sort(group.callers.begin(), group.callers.end(), [](const Caller& a, const Caller& b) {
            return std::tie(b.runs, a.image, a.commandLine) < std::tie(a.runs, b.image, b.commandLine);
        });
        result.push_back(std::move(group));
    }
    std::sort(result.begin(), result.end(), [](const Group& a, const Group& b) {
        return std::tie(b.runs, a.args) < std::tie(a.runs, b.args);
    });
    return result;
}

}  // namespace migrate
