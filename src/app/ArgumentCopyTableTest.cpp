#include "app/ArgumentCopyTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/LegacyArguments.h"

namespace {

TEST(ArgumentCopyTableTest, CopiesEveryArgumentThenBlankingLeavesTheCopiesAlone) {
    std::vector<std::string> words = {"up", "", "--local=C:\\a b", "\"quoted\"", "\xE9\xFF",
                                      std::string(30000, 'x')};
    for (int i = 0; i < 1000; ++i) {
        words.push_back("-w" + std::to_string(i));
    }
    LegacyArguments arguments(words);
    const std::vector<std::string> typed = arguments.Texts();

    const ArgumentCopyTable copies(arguments.Count(), arguments.Vector());
    BlankArguments(arguments.Count(), arguments.Vector());

    for (int i = 0; i < arguments.Count(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        ASSERT_EQ(copies.Entries()[i], typed[index]) << "copy " << i;
        const std::string blanked = arguments.Vector()[i];
        const std::string expected = i == 0 ? typed[0] : std::string(typed[index].size(), ' ');
        ASSERT_EQ(blanked, expected) << "process argument " << i;
    }
}

}  // namespace
