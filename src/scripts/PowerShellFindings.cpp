#include "scripts/PowerShellFindings.h"

#include <utility>

#include "scripts/AsciiCase.h"
#include "scripts/PowerShellReasons.h"

namespace scripts {

void Review(ScriptCall& call, const std::string& why) {
    if (call.review.empty()) {
        call.review = why;
    }
}

void SetManual(ScriptCall& call, const std::string& why) {
    if (call.manual.empty()) {
        call.manual = why;
    }
}

void PowerShellFindings::Problem(std::size_t start, const char* reason, bool swallowed) {
    problems.push_back(reason);
    if (swallowed) {
        ReportMentions(start, reason);
    }
}

void PowerShellFindings::ReportMentions(std::size_t start, const char* reason) {
    NameMatch match;
    std::size_t from = start;
    while (names.FindMention(source, from, match)) {
        ScriptCall call;
        call.program = {match.nameBegin, match.fileEnd};
        call.name = {match.nameBegin, match.nameEnd};
        call.arguments = {match.fileEnd, match.fileEnd};
        call.manual = std::string(kInside) + reason;
        calls.push_back(std::move(call));
        from = match.fileEnd;
    }
}

void PowerShellFindings::MarkInside(std::size_t firstCall, const char* reason) {
    for (std::size_t i = firstCall; i < calls.size(); ++i) {
        SetManual(calls[i], std::string(kInside) + reason);
    }
}

void PowerShellFindings::AddIndirectCall(std::size_t begin, std::size_t end, const NameMatch& match,
                                         std::size_t offset, const std::string& reason) {
    ScriptCall call;
    call.program = {begin, end};
    call.name = {offset + match.nameBegin, offset + match.nameEnd};
    call.arguments = {end, end};
    call.review = reason;
    if (capture != nullptr) {
        Review(call, capture);
    }
    calls.push_back(std::move(call));
}

void PowerShellFindings::NoteNaming(std::string_view path) {
    NameMatch match;
    if (watchNaming && !sawNaming && names.IsProgramPath(path, match)) {
        sawNaming = true;
    }
}

std::string PowerShellFindings::VariableKey(std::string_view name) {
    std::string key;
    for (const char c : name) {
        key += AsciiLower(c);
    }
    for (const std::string_view scope : {"script:", "global:", "local:", "private:"}) {
        if (key.compare(0, scope.size(), scope) == 0) {
            return key.substr(scope.size());
        }
    }
    return key;
}

}  // namespace scripts
