#include "screens/settings/Maintenance.h"

#include "catalog/Environment.h"
#include "support/FileSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace marlox::catalog;
using namespace marlox::screens;
using namespace marlox::testing;

namespace {

class ClearCacheTest : public ScratchHomeTest {};

TEST_F(ClearCacheTest, EmptiesTheCacheAndLeavesFreshSupportFolders) {
    // GIVEN a cache with content and a log beside it
    writeFile(cacheDirectory() + "/RemoteArtifacts/glow/1.0/payload.zip", "zip");
    writeFile(cacheDirectory() + "/remote-manifest.json", "{}");
    writeFile(logsDirectory() + "/operations.log", "line\n");

    // WHEN the cache is cleared
    clearCache();

    // THEN an empty Cache and the Logs folder with its log stand in the support folder
    EXPECT_EQ(treeOf(applicationSupportDirectory()),
              (QStringList{"Cache", "Logs", "Logs/operations.log"}));
}

TEST_F(ClearCacheTest, RemovesALinkedCacheNeverWhatItPointsTo) {
    // GIVEN a Cache that is a link to a folder elsewhere
    const QString elsewhere = home.filePath("elsewhere");
    writeFile(elsewhere + "/keep.txt", "keep");
    ASSERT_TRUE(QDir().mkpath(applicationSupportDirectory()));
    ASSERT_TRUE(QFile::link(elsewhere, cacheDirectory()));

    // WHEN the cache is cleared
    clearCache();

    // THEN the link gave way to a real, empty folder and the linked folder is whole
    EXPECT_FALSE(QFileInfo(cacheDirectory()).isSymLink());
    EXPECT_TRUE(QFileInfo(cacheDirectory()).isDir());
    EXPECT_EQ(treeOf(cacheDirectory()), QStringList());
    EXPECT_EQ(treeOf(elsewhere), QStringList{"keep.txt"});
}

} // namespace
