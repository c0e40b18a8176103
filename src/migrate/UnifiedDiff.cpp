#include "migrate/UnifiedDiff.h"

#include <algorithm>
#include <cstddef>

namespace migrate {
namespace {

constexpr std::size_t kContext = 3;

// The text's lines, each with its LF; the last one may have none.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

void AppendLine(std::string& diff, char mark, const std::string& line) {
    diff += mark;
    diff += line;
    if (line.empty() || line.back() != '\n') {
        diff += "\n\\ No newline at end of file\n";
    }
}

// One change as whole lines: where it starts, the old lines and the new.
struct LineChange {
    std::size_t first = 0;
    std::vector<std::string> before;
    std::vector<std::string> after;
};

}  // namespace

std::string UnifiedDiff(const std::string& name, const std::string& text, const std::vector<Change>& changes) {
    const std::vector<std::string> lines = SplitLines(text);
    std::vector<LineChange> lineChanges;
    for (const Change& change : changes) {
        std::size_t end = text.find('\n', change.end);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string tail = text.substr(change.end, end - change.end);
        lineChanges.push_back({change.firstLine - 1, SplitLines(text.substr(change.begin, end - change.begin)),
                               SplitLines(change.text + tail)});
    }
    if (lineChanges.empty()) {
        return std::string();
    }
    std::string diff = "--- a/" + name + "\n+++ b/" + name + "\n";
    std::ptrdiff_t shift = 0;  // new line number minus old, before the hunk
    for (std::size_t i = 0; i < lineChanges.size();) {
        // A hunk takes every change whose context touches the previous one's.
        std::size_t last = i;
        while (last + 1 < lineChanges.size() &&
               lineChanges[last + 1].first <= lineChanges[last].first + lineChanges[last].before.size() + 2 * kContext) {
            ++last;
        }
        const std::size_t start = lineChanges[i].first - std::min(lineChanges[i].first, kContext);
        const std::size_t stop = std::min(lines.size(), lineChanges[last].first + lineChanges[last].before.size() + kContext);
        std::string body;
        std::size_t oldCount = 0;
        std::size_t newCount = 0;
        std::size_t at = start;
        for (std::size_t c = i; c <= last; ++c) {
            for (; at < lineChanges[c].first; ++at, ++oldCount, ++newCount) {
                AppendLine(body, ' ', lines[at]);
            }
            for (const std::string& line : lineChanges[c].before) {
                AppendLine(body, '-', line);
            }
            for (const std::string& line : lineChanges[c].after) {
                AppendLine(body, '+', line);
            }
            oldCount += lineChanges[c].before.size();
            newCount += lineChanges[c].after.size();
            at += lineChanges[c].before.size();
        }
        for (; at < stop; ++at, ++oldCount, ++newCount) {
            AppendLine(body, ' ', lines[at]);
        }
        diff += "@@ -" + std::to_string(start + 1) + "," + std::to_string(oldCount) + " +" +
                std::to_string(static_cast<std::ptrdiff_t>(start + 1) + shift) + "," + std::to_string(newCount) +
                " @@\n" + body;
        shift += static_cast<std::ptrdiff_t>(newCount) - static_cast<std::ptrdiff_t>(oldCount);
        i = last + 1;
    }
    return diff;
}

}  // namespace migrate
