#include "platform/ProcessRunner.h"

#include <gtest/gtest.h>

using namespace marlox::platform;

TEST(ProcessRunnerTest, KeepsOutputsApartAndReportsExitCodeCrashAndLaunchFailure) {
    SystemProcessRunner runner;
    const auto exited = runner.run("/bin/sh", {"-c", "printf out; printf err >&2; exit 3"});
    EXPECT_TRUE(exited.launched && !exited.crashed && !exited.succeeded());
    EXPECT_EQ(exited.exitCode, 3);
    EXPECT_EQ(exited.standardOutput + "|" + exited.standardError, "out|err");

    const auto crashed = runner.run("/bin/sh", {"-c", "kill -SEGV $$"});
    EXPECT_TRUE(crashed.launched && crashed.crashed && !crashed.succeeded());

    const auto missing = runner.run("/nonexistent/tool", {});
    EXPECT_FALSE(missing.launched || missing.succeeded());
    EXPECT_FALSE(missing.launchError.isEmpty());
}

TEST(ProcessRunnerTest, ReadsLargeOutputWithoutBlocking) {
    const auto result = SystemProcessRunner().run(
        "/bin/sh", {"-c", "head -c 3000000 /dev/zero; head -c 2000000 /dev/zero >&2"});
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(result.standardOutput.size(), 3000000);
    EXPECT_EQ(result.standardError.size(), 2000000);
}
