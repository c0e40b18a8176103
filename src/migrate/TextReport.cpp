#include "migrate/TextReport.h"

#include <cstddef>

namespace migrate {
namespace {

void WriteIndented(std::ostream& out, const std::string& lines) {
    std::size_t start = 0;
    while (start <= lines.size()) {
        std::size_t end = lines.find('\n', start);
        end = end == std::string::npos ? lines.size() : end;
        const std::size_t cut = end > start && lines[end - 1] == '\r' ? end - 1 : end;
        out << "    " << lines.substr(start, cut - start) << '\n';
        start = end + 1;
    }
}

}  // namespace

void WriteTextFinding(std::ostream& out, const std::string& file, const Finding& finding) {
    out << file << ':' << finding.line << ':' << finding.column << ": " << VerdictName(finding.verdict) << ": "
        << finding.why << '\n';
    WriteIndented(out, finding.oldLines);
    // A rewrite's new lines; a task's new action, which is set through the Task Scheduler.
    if (!finding.newLines.empty()) {
        WriteIndented(out, finding.newLines);
    }
}

}  // namespace migrate
