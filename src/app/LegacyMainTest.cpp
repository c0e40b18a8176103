#include "app/LegacyMain.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ConsoleCapture.h"
#include "support/LegacyArguments.h"

namespace {

// No command line shows this: Windows keeps its own copy of the command line, and the program's
// argument texts are its own memory. The program name stays; everything after it is blanked
// before it is even checked.
TEST(LegacyMainTest, BlanksTheProcessArgumentsBeforeAnyCheck) {
    LegacyArguments arguments({"hb", "--mm-password=secret", "stray"});
    const ConsoleCapture console;
    EXPECT_EQ(RunLegacyMain(arguments.Count(), arguments.Vector()), 1);
    EXPECT_EQ(std::string(arguments.Vector()[0]), "tolvex-legacy");
    EXPECT_EQ(std::string(arguments.Vector()[1]), "  ");
    EXPECT_EQ(std::string(arguments.Vector()[2]), std::string(20, ' '));
    EXPECT_EQ(std::string(arguments.Vector()[3]), "     ");
}

}  // namespace
