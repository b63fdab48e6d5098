#include "platform/ExclusiveFileLock.h"

#include "support/ScratchHome.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <thread>

using namespace marlox;
using namespace marlox::platform;
using namespace marlox::testing;

namespace {

using TakenLock = std::optional<Result<ExclusiveFileLock, FileLockError>>;

class ExclusiveFileLockTest : public ScratchHomeTest {
protected:
    const QString path = home.filePath("data/Studio/.lock");
};

TEST_F(ExclusiveFileLockTest, IsHeldByOneHolderAtATimeUntilItGoes) {
    // GIVEN the lock taken, in a folder made for it
    TakenLock first(ExclusiveFileLock::take(path));
    ASSERT_TRUE(*first) << first->error().description().toStdString();

    // WHEN it is taken again THEN that is refused as held elsewhere, until the first holder goes
    const auto second = ExclusiveFileLock::take(path);
    ASSERT_FALSE(second);
    EXPECT_TRUE(second.error().heldElsewhere);
    first.reset();
    EXPECT_TRUE(ExclusiveFileLock::take(path));
}

TEST_F(ExclusiveFileLockTest, AProgramStartedWhileItIsHeldDoesNotKeepIt) {
    // GIVEN the lock held while a program started meanwhile runs on
    TakenLock held(ExclusiveFileLock::take(path));
    QProcess program;
    program.start("sleep", {"60"});
    ASSERT_TRUE(*held && program.waitForStarted());

    // WHEN the holder goes THEN the lock is free, the program still running
    held.reset();
    EXPECT_TRUE(ExclusiveFileLock::take(path));
    program.kill();
    program.waitForFinished();
}

TEST_F(ExclusiveFileLockTest, AWaitingTakerGetsTheLockOnceItIsLetGoWithinItsPatience) {
    using namespace std::chrono_literals;
    // GIVEN the lock held, and let go of a moment later
    auto held = std::make_shared<TakenLock>(ExclusiveFileLock::take(path));
    ASSERT_TRUE(**held);
    EXPECT_TRUE(ExclusiveFileLock::take(path, 50ms).error().heldElsewhere);
    std::thread letGo([held] {
        std::this_thread::sleep_for(200ms);
        held->reset();
    });

    // WHEN another taker waits for it THEN it gets it
    EXPECT_TRUE(ExclusiveFileLock::take(path, 10s));
    letGo.join();
}

} // namespace
