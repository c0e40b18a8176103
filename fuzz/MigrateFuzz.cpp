// libFuzzer target: the script readers and the rewriter, on any file.
//
// The first byte chooses the reader (even: batch, odd: PowerShell); the rest is the file. Besides
// what the sanitizers catch, it checks what must hold for every file: a file with nothing to
// rewrite comes back byte for byte, and rewriting a rewritten file changes nothing more.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "migrate/ScriptMigration.h"

namespace {

const std::vector<std::string> kLegacyNames = {"old"};

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant violated: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks how the rest is read: batch file, PowerShell, or task file (with bit 3,
    // a Group Policy script list), strict or not.
    constexpr migrate::ScriptKind kKinds[] = {migrate::ScriptKind::kBatch, migrate::ScriptKind::kPowerShell,
                                              migrate::ScriptKind::kTask};
    migrate::ScriptKind kind = kKinds[data[0] % 3];
    kind = kind == migrate::ScriptKind::kTask && (data[0] & 8) != 0 ? migrate::ScriptKind::kPolicyScripts : kind;
    const bool strict = (data[0] & 4) != 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const migrate::ScriptMigration once(bytes, kind, kLegacyNames, std::string(), strict);
    if (!once.Problem().empty()) {
        return 0;
    }
    const std::string rewritten = once.RewrittenBytes();
    if (once.Changes().empty()) {
        Require(rewritten == bytes, "a file with nothing to rewrite keeps every byte");
        return 0;
    }
    const migrate::ScriptMigration twice(rewritten, kind, kLegacyNames, std::string(), strict);
    Require(twice.Problem().empty(), "a rewritten file can be read again");
    Require(twice.Changes().empty(), "a rewritten file needs no second rewrite");
    for (const migrate::Finding& finding : once.Findings()) {
        Require(finding.verdict != migrate::Verdict::kRewrite || !finding.newLines.empty(), "a rewrite has new lines");
    }
    return 0;
}
