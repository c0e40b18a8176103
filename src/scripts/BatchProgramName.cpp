#include "scripts/BatchProgramName.h"

#include "scripts/AsciiCase.h"

#include <algorithm>
#include <utility>

namespace scripts {

namespace {

constexpr std::string_view kExe = ".exe";

// The name inside a plain "%NAME%" or "!NAME!" reference, or "" for any other form.
std::string_view ReferenceName(std::string_view source, char delimiter) {
    if (source.size() < 3 || source.front() != delimiter || source.back() != delimiter) {
        return {};
    }
    const std::string_view name = source.substr(1, source.size() - 2);
    return name.find_first_of(":%!") == std::string_view::npos ? name : std::string_view();
}

}  // namespace

BatchProgramName::BatchProgramName(std::vector<std::string> legacyNames) : names(std::move(legacyNames)) {}

void BatchProgramName::CollectFileName(const BatchUnit* units, std::size_t count) {
    fileName.clear();
    nameUnits.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const BatchUnit& unit = units[i];
        if (unit.kind == BatchUnit::Kind::kVariable || unit.c == '\\' || unit.c == '/' || unit.c == ':') {
            fileName.clear();
            nameUnits.clear();
        } else if (unit.c != '"' || unit.escaped) {
            fileName += unit.c;
            nameUnits.push_back(i);
        }
    }
    while (!fileName.empty() && (fileName.back() == ' ' || fileName.back() == '\t')) {
        fileName.pop_back();
        nameUnits.pop_back();
    }
}

std::size_t BatchProgramName::LegacyLength() const {
    const std::string_view file = fileName;
    const bool hasExe = file.size() > kExe.size() && EqualsIgnoringCase(file.substr(file.size() - kExe.size()), kExe);
    for (const std::string& name : names) {
        if (EqualsIgnoringCase(file, name)) {
            return file.size();
        }
        if (hasExe && EqualsIgnoringCase(file.substr(0, file.size() - kExe.size()), name)) {
            return file.size() - kExe.size();
        }
    }
    return 0;
}

bool BatchProgramName::IsTracked(std::string_view variable) const {
    return std::any_of(tracked.begin(), tracked.end(),
                       [variable](const std::string& name) { return EqualsIgnoringCase(name, variable); });
}

ProgramMatch BatchProgramName::Match(const std::vector<BatchUnit>& word, std::string_view text, bool delayed) {
    ProgramMatch match;
    CollectFileName(word.data(), word.size());
    const std::size_t length = LegacyLength();
    if (length > 0) {
        match.kind = ProgramMatch::Kind::kName;
        match.name.begin = word[nameUnits.front()].begin;
        match.name.end = word[nameUnits[length - 1]].end;
        match.nameInPieces = match.name.end - match.name.begin != length;
        return match;
    }
    // A variable standing alone (quotes aside): "%TOOL%", or "!TOOL!" under delayed expansion.
    std::size_t first = word.size();
    std::size_t last = 0;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i].c != '"' || word[i].kind != BatchUnit::Kind::kChar || word[i].escaped) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (first == word.size()) {
        return match;
    }
    const ByteRange reference{word[first].begin, word[last].end};
    const std::string_view source = text.substr(reference.begin, reference.end - reference.begin);
    std::string_view name;
    if (first == last && word[first].kind == BatchUnit::Kind::kVariable && source.size() >= 3 && source[0] == '%' &&
        source[1] == '%' && loopLetters[static_cast<unsigned char>(source.back())] > 0) {
        match.kind = ProgramMatch::Kind::kVariable;  // %%t, %%~t or %%~ft of a loop over the program
        match.name = reference;
        return match;
    }
    if (first == last && word[first].kind == BatchUnit::Kind::kVariable) {
        name = ReferenceName(source, '%');
    } else if (delayed) {
        name = ReferenceName(source, '!');
    }
    if (!name.empty() && IsTracked(name)) {
        match.kind = ProgramMatch::Kind::kVariable;
        match.name = reference;
    }
    return match;
}

void BatchProgramName::NoteLoopLetter(char letter, int change) {
    loopLetters[static_cast<unsigned char>(letter)] += change;
    loopsNaming += change;
}

void BatchProgramName::NoteAssignment(std::string_view name, const BatchUnit* value, std::size_t count) {
    CollectFileName(value, count);
    const bool legacy = LegacyLength() > 0;
    const auto known = std::find_if(tracked.begin(), tracked.end(),
                                    [name](const std::string& tracked) { return EqualsIgnoringCase(tracked, name); });
    if (legacy && known == tracked.end()) {
        tracked.push_back(AsciiUppered(name));
    } else if (!legacy && known != tracked.end()) {
        tracked.erase(known);
    }
}

}  // namespace scripts
