#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace migrate {

// True when `text` holds one of `lowerNames` (lower-case ASCII, not empty) anywhere, ASCII
// letters compared without regard to case. The first look at every script, so it is fast: 16
// bytes at a time are tested for the name's first, last and rarest letter before any full
// comparison.
bool ContainsAnyName(std::string_view text, const std::vector<std::string>& lowerNames);

}  // namespace migrate
