#include "scripts/ScriptCall.h"

namespace scripts {

std::string Placeholder(std::size_t index) {
    return kPlaceholderStart + std::to_string(index) + kPlaceholderEnd;
}

}  // namespace scripts
