#include "app/Launcher.h"

#include <gtest/gtest.h>

#include <string>

#include "app/Platform.h"
#include "support/ConsoleCapture.h"
#include "support/ScopedEnvironment.h"

namespace {

TEST(LauncherTest, DirectoryPartKeepsTheLastSeparator) {
    static const struct {
        std::string fileName;
        std::string directory;
    } cases[] = {
        {"C:\\Tools\\tolvex-legacy.exe", "C:\\Tools\\"},
        {"C:\\My Tools\\sub\\x.exe", "C:\\My Tools\\sub\\"},
        {"x.exe", "x.exe"},  // no separator: the whole name
        {"\\x.exe", "\\"},
        {"", ""},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(DirectoryPart(row.fileName, '\\'), row.directory) << row.fileName;
    }
}

TEST(LauncherTest, ModuleDirectoryEndsWithTheSeparator) {
    const std::string directory = GetModuleDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), platform::DirectorySeparator());
}

// The stand-in tool is built beside the test program, so the real launch path runs here.
TEST(LauncherTest, RunTranslatedCommandPrintsTheLineAndPassesTheCodeOn) {
    const ScopedEnvironment exitCode("TOLVEX_STANDIN_EXIT", std::string("3"));
    const ConsoleCapture console;
    const int returned = RunTranslatedCommand("update scan");
    EXPECT_EQ(returned, 3);
    EXPECT_EQ(console.Text(), "The translated command is: \n" + GetModuleDirectory() +
                                  "tolvex.exe update scan\nThe tolvx return code is: 3\n");
}

}  // namespace
