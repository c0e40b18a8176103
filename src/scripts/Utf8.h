#pragma once

#include <string>

namespace scripts {

// Appends the UTF-8 bytes of the code point `code` (at most 0x10FFFF; a lone surrogate is written
// as its three bytes, as a UTF-16 file that holds one keeps it).
void AppendUtf8(std::string& out, char32_t code);

}  // namespace scripts
