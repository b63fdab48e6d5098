#include "base/FileSystem.h"

#include "support/QtPrinters.h"
#include "support/ScratchHome.h"
#include "support/SmallFileSystem.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace marlox::base;
using namespace marlox::testing;

namespace {

class WholeFileSaveTest : public ScratchHomeTest {
protected:
    QString folder = home.filePath("small");
    QString path = folder + "/records.json";
};

TEST_F(WholeFileSaveTest, OnAFullDiskASaveFailsAndLeavesTheOldFileWhole) {
    SmallFileSystem disk(folder, 256 * 1024);
    MARLOX_SKIP_WITHOUT(disk);
    const QByteArray old(3000, 'o');
    ASSERT_FALSE(saveWholeFile(path, old));
    // GIVEN the disk filled to the brim, or with less room than the new bytes take
    for (const qint64 left : {0, 4096}) {
        SCOPED_TRACE(left);
        disk.fill(left);

        // WHEN a save of more than that is made, small enough to sit in a write buffer
        const auto failure = saveWholeFile(path, QByteArray(left + 5000, 'n'));

        // THEN it fails in the system's words, and the old file and nothing else is there
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->reason, "No space left on device");
        EXPECT_EQ(readFile(path), old);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"records.json"});
        disk.makeRoom();
    }
    // AND with room made again the same save goes through
    EXPECT_FALSE(saveWholeFile(path, QByteArray(5000, 'n')));
    EXPECT_EQ(readFile(path), QByteArray(5000, 'n'));
}

TEST_F(WholeFileSaveTest, AStreamedSaveIsCommittedOnlyOnceItsBytesReachedTheFile) {
    SmallFileSystem disk(folder, 256 * 1024);
    MARLOX_SKIP_WITHOUT(disk);
    ASSERT_FALSE(saveWholeFile(path, "old"));
    disk.fill();

    // GIVEN bytes written into a save piece by piece, as a download or a picture is
    WholeFileSave file(path);
    ASSERT_FALSE(file.open());
    for (int piece = 0; piece < 4; ++piece) {
        file.device().write(QByteArray(1000, 'n'));
    }

    // WHEN it is committed THEN it fails and the old file stays
    const auto failure = file.commit();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->path, path);
    EXPECT_EQ(readFile(path), "old");
}

TEST_F(WholeFileSaveTest, ASaveReplacesTheFileALinkLeadsToAndKeepsItsPermissions) {
    // GIVEN a file only its owner may read or write, and a link to it in the records' place
    const QString target = home.filePath("elsewhere/records.json");
    writeFile(target, "old");
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::link(target, path));

    // WHEN the records are saved
    ASSERT_FALSE(saveWholeFile(path, "new"));

    // THEN the link stays and the file it leads to holds the new bytes, as private as before,
    // with nothing left beside either
    EXPECT_EQ(QFile::symLinkTarget(path), target);
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(QFile::permissions(target),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    EXPECT_EQ(QDir(home.filePath("elsewhere")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"records.json"});
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                     QDir::NoDotAndDotDot),
              QStringList{"records.json"});
}

} // namespace
