#include <gtest/gtest.h>

#include "app/Platform.h"

namespace {

// The shell's wait status becomes the code a Windows launch would give: the exit status, or
// 128 plus the signal that killed the child. No tool run by the end-to-end tables is killed.
TEST(PlatformPosixTest, RunCommandLineDecodesTheWaitStatus) {
    EXPECT_EQ(platform::RunCommandLine("exit 3"), 3);
    EXPECT_EQ(platform::RunCommandLine("kill -9 $$"), 128 + 9);
}

}  // namespace
