#pragma once

#include <array>
#include <memory>
#include <string>

#include "framework/CommandBase.h"
#include "params/Parameters.h"

// A legacy command's keyword and its abbreviation.
struct KeywordPair {
    const char* keyword;
    const char* abbreviation;
};

constexpr KeywordPair kAcquire{"acquire", "ac"};
constexpr KeywordPair kCompare{"compare", "co"};
constexpr KeywordPair kUpdate{"update", "up"};
constexpr KeywordPair kHiveBay{"hivebay", "hb"};
// Every legacy command, in the order CreateCommand tries them.
constexpr std::array<KeywordPair, 4> kKeywordPairs{{kAcquire, kCompare, kUpdate, kHiveBay}};

// The translator for a legacy command keyword, bound to `parameters` and `context`; null when
// the keyword is not one of the eight the old tool knew. Keywords match exactly, case included.
std::unique_ptr<CommandBase> CreateCommand(const std::string& keyword, const Parameters& parameters,
                                           const TranslationContext& context);
