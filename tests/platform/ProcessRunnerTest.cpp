#include "platform/ProcessRunner.h"

#include <gtest/gtest.h>

using namespace marlox::platform;

TEST(ProcessRunnerTest, KeepsLargeOutputsApartAndReportsExitCodeCrashAndLaunchFailure) {
    SystemProcessRunner runner;
    // Outputs larger than a pipe holds, so that reading one only after the other would block.
    const auto exited = runner.run(
        "/bin/sh", {"-c", "head -c 3000000 /dev/zero; printf out; head -c 2000000 /dev/zero >&2;"
                          "printf err >&2; exit 3"});
    EXPECT_TRUE(exited.launched && !exited.crashed && !exited.succeeded());
    EXPECT_EQ(exited.exitCode, 3);
    EXPECT_EQ(exited.standardOutput, QByteArray(3000000, '\0') + "out");
    EXPECT_EQ(exited.standardError, QByteArray(2000000, '\0') + "err");

    const auto crashed = runner.run("/bin/sh", {"-c", "kill -SEGV $$"});
    EXPECT_TRUE(crashed.launched && crashed.crashed && !crashed.succeeded());

    const auto missing = runner.run("/nonexistent/tool", {});
    EXPECT_FALSE(missing.launched || missing.succeeded() || missing.launchError.isEmpty());
}
