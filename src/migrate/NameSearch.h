#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace migrate {

// True when `text` holds one of `lowerNames` (lower-case ASCII, not empty) anywhere, ASCII
// letters compared without regard to case. The first look at every script, so it is fast: 32
// bytes at a time (16 without the wide instructions) are tested for the name's first, last and
// rarest letter before any full comparison.
bool ContainsAnyName(std::string_view text, const std::vector<std::string>& lowerNames);

// Whether a script file's raw bytes need the script reader at all: they hold one of
// `lowerNames`, or a byte the reader refuses (NUL, 0x01, 0x02), or they begin as UTF-16 or
// UTF-32 might. Most files need not: they are passed over in this one look at their bytes.
bool NeedsReading(std::string_view bytes, const std::vector<std::string>& lowerNames);

// Whether PowerShell text holds one of `lowerNames` once its backticks are read away, as
// PowerShell reads o`ld as old: false at once for text without a backtick.
bool NamedThroughBackticks(std::string_view text, const std::vector<std::string>& lowerNames);

// Whether a script's text may call one of `lowerNames`: it holds one, or, in PowerShell, holds one
// once its backticks are read away.
bool MayNameProgram(std::string_view text, bool powerShell, const std::vector<std::string>& lowerNames);

}  // namespace migrate
