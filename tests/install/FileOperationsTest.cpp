#include "install/FileOperations.h"

#include "support/QtPrinters.h"
#include "support/ScratchHome.h"
#include "support/SmallFileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace marlox::install;
using namespace marlox::testing;

namespace {

using FileOperationsTest = ScratchHomeTest;

} // namespace

TEST_F(FileOperationsTest, CanonicalPathResolvesLinksAsFarAsThePathExistsAndKeepsTheRoot) {
    const QString real = QFileInfo(home.path()).canonicalFilePath() + "/real";
    QDir().mkpath(real);
    QFile::link(real, home.filePath("link"));
    for (const auto& [path, expected] : QList<std::pair<QString, QString>>{
             {"/", "/"},
             {"//", "/"},
             {"/..", "/"},
             {"/tmp/..", "/"},
             {home.filePath("link"), real},
             {home.filePath("link/not/yet/../there"), real + "/not/there"},
         }) {
        EXPECT_EQ(canonicalPath(path), expected) << path.toStdString();
    }
}

TEST_F(FileOperationsTest, ACopyIntoAFullFolderNamesWhereItWasCopyingAndLeavesNothingThere) {
    // GIVEN a file of the application's and a destination on a disk with no room left
    const QString source = home.filePath("bundle/Payloads/ColorCore");
    writeFile(source, QByteArray(64 * 1024, 'c'));
    const QString destination = home.filePath("full/Plugins/ColorCore");
    SmallFileSystem disk(home.filePath("full"));
    MARLOX_SKIP_WITHOUT(disk);
    ASSERT_TRUE(QDir().mkpath(home.filePath("full/Plugins")));
    disk.fill();

    // WHEN it is copied THEN the failure names the copy's destination and the system's reason,
    // and no part of the copy is left
    const InstallFailure failure = copyItem(source, destination);
    ASSERT_TRUE(failure);
    EXPECT_EQ(description(*failure),
              "Could not copy “" + source + "” to “" + destination + "”: No space left on device");
    EXPECT_FALSE(QFileInfo::exists(destination));
}
