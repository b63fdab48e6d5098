#include "platform/ExclusiveFileLock.h"

#include "support/ReadOnlyFolder.h"
#include "support/ScratchHome.h"
#include "support/SmallFileSystem.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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
    // Takes the lock, then sees a second taker refused as long as the first holds it.
    void expectHeldByOneTakerAtATime() const {
        const auto first = ExclusiveFileLock::take(path);
        ASSERT_TRUE(first) << first.error().description().toStdString();
        const auto second = ExclusiveFileLock::take(path);
        ASSERT_FALSE(second);
        EXPECT_TRUE(second.error().heldElsewhere) << second.error().description().toStdString();
    }

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

TEST_F(ExclusiveFileLockTest, TheLockFileItMakesIsReadableByEveryone) {
    // GIVEN no lock file yet, and the usual mask of new files' permissions
    const mode_t previousMask = ::umask(022);

    // WHEN the lock is taken
    const bool taken = bool(ExclusiveFileLock::take(path));
    ::umask(previousMask);

    // THEN its file may be read by any user, and written by its owner alone
    ASSERT_TRUE(taken);
    using enum QFileDevice::Permission;
    EXPECT_EQ(QFile::permissions(path),
              ReadOwner | WriteOwner | ReadUser | WriteUser | ReadGroup | ReadOther);
}

TEST_F(ExclusiveFileLockTest, AnotherUsersLockFileThatThisOneMayOnlyReadIsStillLocked) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can make what another user owns";
    }
    // GIVEN the lock file left by a run of another user, readable by all
    ASSERT_TRUE(ExclusiveFileLock::take(path));
    const uid_t nobody = 65534;
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), nobody, nobody), 0);
    const NoPermissionOverride heldToPermissions;
    ASSERT_FALSE(QFile(path).open(QIODevice::ReadWrite));

    // WHEN it is taken THEN it is held, by one taker at a time
    expectHeldByOneTakerAtATime();
}

TEST_F(ExclusiveFileLockTest, ALockFileOnAReadOnlyFileSystemIsStillLocked) {
    // GIVEN a lock file on a file system then mounted read-only
    ASSERT_TRUE(ExclusiveFileLock::take(path));
    SmallFileSystem disk(QFileInfo(path).path());
    MARLOX_SKIP_WITHOUT(disk);
    const auto notReadOnly = disk.makeReadOnly();
    ASSERT_FALSE(notReadOnly) << notReadOnly->toStdString();

    // WHEN it is taken THEN it is held, by one taker at a time
    expectHeldByOneTakerAtATime();
}

TEST_F(ExclusiveFileLockTest, AMissingLockFileOnAReadOnlyFileSystemFailsSayingItIsReadOnly) {
    // GIVEN a read-only file system without the lock file
    SmallFileSystem disk(QFileInfo(path).path());
    MARLOX_SKIP_WITHOUT(disk);
    const auto notReadOnly = disk.makeReadOnly();
    ASSERT_FALSE(notReadOnly) << notReadOnly->toStdString();

    // WHEN the lock is taken THEN that fails with why the file could not be made, not that it
    // is missing
    const auto taken = ExclusiveFileLock::take(path);
    ASSERT_FALSE(taken);
    EXPECT_FALSE(taken.error().heldElsewhere);
    EXPECT_EQ(taken.error().description(),
              "The lock file “" + path + "” could not be opened: Read-only file system.");
}

} // namespace
