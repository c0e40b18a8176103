#include "app/CommandDispatch.h"

#include "commands/AcquireCommand.h"
#include "commands/CompareUpdateCommand.h"
#include "commands/HiveBayCommand.h"

std::unique_ptr<CommandBase> CreateCommand(const std::string& keyword, const Parameters& parameters,
                                           const TranslationContext& context) {
    if (keyword == "acquire" || keyword == "ac") {
        return std::make_unique<AcquireCommand>(parameters, context);
    }
    // The translator always gets the full word: it tells the two commands apart by it.
    if (keyword == "compare" || keyword == "co") {
        return std::make_unique<CompareUpdateCommand>(parameters, context, "compare");
    }
    if (keyword == "update" || keyword == "up") {
        return std::make_unique<CompareUpdateCommand>(parameters, context, "update");
    }
    if (keyword == "hivebay" || keyword == "hb") {
        return std::make_unique<HiveBayCommand>(parameters, context);
    }
    return nullptr;
}
