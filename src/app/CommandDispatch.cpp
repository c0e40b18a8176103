#include "app/CommandDispatch.h"

#include "commands/AcquireCommand.h"
#include "commands/CompareUpdateCommand.h"
#include "commands/HiveBayCommand.h"

namespace {

bool Matches(const std::string& keyword, const KeywordPair& pair) {
    return keyword == pair.keyword || keyword == pair.abbreviation;
}

}  // namespace

std::unique_ptr<CommandBase> CreateCommand(const std::string& keyword, const Parameters& parameters,
                                           const TranslationContext& context) {
    if (Matches(keyword, kAcquire)) {
        return std::make_unique<AcquireCommand>(parameters, context);
    }
    // The translator always gets the full word: it tells the two commands apart by it.
    if (Matches(keyword, kCompare)) {
        return std::make_unique<CompareUpdateCommand>(parameters, context, kCompare.keyword);
    }
    if (Matches(keyword, kUpdate)) {
        return std::make_unique<CompareUpdateCommand>(parameters, context, kUpdate.keyword);
    }
    if (Matches(keyword, kHiveBay)) {
        return std::make_unique<HiveBayCommand>(parameters, context);
    }
    return nullptr;
}
