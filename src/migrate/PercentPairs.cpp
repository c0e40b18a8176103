#include "migrate/PercentPairs.h"

#include <algorithm>
#include <cctype>

namespace migrate {
namespace {

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The end of the % reference that starts at `at`, or `at` itself when cmd.exe finds no partner.
std::size_t ReferenceEnd(std::string_view line, std::size_t at) {
    if (at + 1 >= line.size()) {
        return at;
    }
    const char next = line[at + 1];
    if (next == '%' || next == '*' || IsDigit(next)) {
        return at + 2;
    }
    if (next == '~') {
        std::size_t end = at + 2;
        while (end < line.size() && (std::isalpha(static_cast<unsigned char>(line[end])) != 0 ||
                                     line[end] == '$' || line[end] == ':')) {
            ++end;
        }
        return end < line.size() && IsDigit(line[end]) ? end + 1 : at;
    }
    const std::size_t close = line.find('%', at + 1);
    return close == std::string_view::npos ? at : close + 1;
}

bool Crosses(std::size_t begin, std::size_t end, const Edit& edit) {
    const bool inside = begin >= edit.begin && end <= edit.end;
    const bool outside = end <= edit.begin || begin >= edit.end;
    return !inside && !outside;
}

}  // namespace

bool PercentPairsStay(std::string_view text, const std::vector<Edit>& edits) {
    if (edits.empty()) {
        return true;
    }
    std::size_t start = text.rfind('\n', edits.front().begin == 0 ? 0 : edits.front().begin - 1);
    start = start == std::string_view::npos || edits.front().begin == 0 ? 0 : start + 1;
    std::size_t stop = text.find('\n', edits.back().end);
    stop = stop == std::string_view::npos ? text.size() : stop;
    for (std::size_t at = text.find('%', start); at < stop; at = text.find('%', at)) {
        const std::size_t lineEnd = std::min(stop, text.find('\n', at));
        const std::size_t end = ReferenceEnd(text.substr(0, lineEnd), at);
        for (const Edit& edit : edits) {
            if (end > at && Crosses(at, end, edit)) {
                return false;
            }
        }
        // A lone % after the new text still finds no partner: only one before it, or in the text
        // the rewrite takes away (which may be what another call on the line pairs with), may.
        if (end == at && at < edits.back().end) {
            return false;
        }
        at = end > at ? end : at + 1;
    }
    return true;
}

}  // namespace migrate
