#include "platform/ProcessRunner.h"

#include <gtest/gtest.h>

using marlox::platform::SystemProcessRunner;

TEST(ProcessRunnerTest, KeepsStandardOutputAndErrorApartWithTheExitCode) {
    SystemProcessRunner runner;
    const auto result = runner.run("/bin/sh", {"-c", "printf out; printf err >&2; exit 3"});
    EXPECT_TRUE(result.launched);
    EXPECT_FALSE(result.crashed);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.standardOutput, QByteArray("out"));
    EXPECT_EQ(result.standardError, QByteArray("err"));
    EXPECT_FALSE(result.succeeded());
}

TEST(ProcessRunnerTest, ReadsLargeOutputWithoutBlocking) {
    SystemProcessRunner runner;
    const auto result =
        runner.run("/bin/sh", {"-c", "head -c 3000000 /dev/zero; head -c 2000000 /dev/zero >&2"});
    EXPECT_TRUE(result.succeeded());
    EXPECT_EQ(result.standardOutput.size(), 3000000);
    EXPECT_EQ(result.standardError.size(), 2000000);
}

TEST(ProcessRunnerTest, ReportsAProgramThatCannotStart) {
    SystemProcessRunner runner;
    const auto result = runner.run("/nonexistent/tool", {"-x"});
    EXPECT_FALSE(result.launched);
    EXPECT_FALSE(result.launchError.isEmpty());
    EXPECT_FALSE(result.succeeded());
}

TEST(ProcessRunnerTest, ReportsACrash) {
    SystemProcessRunner runner;
    const auto result = runner.run("/bin/sh", {"-c", "kill -SEGV $$"});
    EXPECT_TRUE(result.launched);
    EXPECT_TRUE(result.crashed);
    EXPECT_FALSE(result.succeeded());
}
