#include "EngineTestFixture.h"
#include "catalog/OperationsLog.h"
#include "install/InstallEngine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace marlox::install;
using namespace marlox::testing;

namespace {

class UninstallTest : public EngineTest {
protected:
    marlox::catalog::InstalledPackage installedPlugin(const QString& id) {
        makeBundle(payloadRoot + "/" + id + "/" + id + ".pluginkit", "studio.marlox." + id);
        const auto manifest = package(id, id);
        return recordOf(manifest, installed(manifest));
    }
    marlox::catalog::InstalledPackage recordAt(const QString& installPath,
                                               const QStringList& templatePaths = {}) {
        marlox::catalog::InstalledPackage record;
        record.id = "blur";
        record.version = "1.0";
        record.installPath = installPath;
        record.templateInstallPaths = templatePaths;
        return record;
    }
};

} // namespace

TEST_F(UninstallTest, UnregistersRemovesAndPrunesTheSharedFolderButNeverApplications) {
    // GIVEN one installed package, and the shared folder holding nothing else but a hidden file
    const auto record = installedPlugin("blur");
    writeFile(installRoot + "/.DS_Store", "finder");

    // WHEN it is uninstalled
    const InstallFailure failure = engine().uninstall(record);

    // THEN its plug-in is unregistered, and the emptied shared folder is gone, Applications not
    ASSERT_FALSE(failure) << describe(*failure).toStdString();
    EXPECT_EQ(pluginkit.callsWith("-r").last(),
              (QStringList{"-r", record.installPath + "/blur.pluginkit"}));
    EXPECT_FALSE(QFileInfo::exists(installRoot));
    EXPECT_TRUE(QFileInfo(home.filePath("home/Applications")).isDir());
}

TEST_F(UninstallTest, KeepsTheSharedFolderWhileOtherPackagesRemain) {
    const auto blur = installedPlugin("blur");
    installedPlugin("glow");

    ASSERT_FALSE(engine().uninstall(blur));

    EXPECT_FALSE(QFileInfo::exists(blur.installPath));
    EXPECT_TRUE(QFileInfo(installRoot + "/glow/glow.pluginkit").isDir());
}

TEST_F(UninstallTest, RunningHostStopsTheRemovalBeforeAnyFileChanges) {
    const auto record = installedPlugin("blur");
    hostRuns("com.apple.motionapp");

    const InstallFailure failure = engine().uninstall(record);

    ASSERT_TRUE(failure);
    EXPECT_EQ(describe(*failure), "Close host apps before continuing. Running: Apple Motion");
    EXPECT_TRUE(QFileInfo(record.installPath).isDir());
}

TEST_F(UninstallTest, RecordsPointingOutsideEveryRootDeleteNothing) {
    // GIVEN folders that a damaged records file could name
    writeFile(home.filePath("home/Applications/Other App/data.txt"), "another application");
    writeFile(home.filePath("home/Documents/work.txt"), "the user's work");
    writeFile(installRoot + "/glow/glow.txt", "another package");
    const auto userFolders = [&] {
        return treeSnapshot(home.filePath("home/Applications")) +
               treeSnapshot(home.filePath("home/Documents"));
    };
    const QStringList before = userFolders();
    for (const QString& path :
         {QString(), QString("relative/blur"), installRoot, installRoot + "/../Other App",
          home.filePath("home/Applications/Other App"), home.filePath("home/Documents"),
          home.filePath("home")}) {
        // WHEN a record with that install path or template path is removed
        EXPECT_FALSE(engine().uninstall(recordAt(path))) << path.toStdString();
        EXPECT_FALSE(engine().uninstall(recordAt(QString(), {path}))) << path.toStdString();
    }
    // THEN nothing is gone, and what was refused is logged
    EXPECT_EQ(userFolders(), before);
    marlox::catalog::flushOperationsLog();
    EXPECT_TRUE(readFile(marlox::catalog::operationsLogFilePath())
                    .contains("Removal skipped a recorded path outside the install folders: " +
                              home.filePath("home/Documents").toUtf8()));
}

TEST_F(UninstallTest, RecordWhoseFolderIsGoneStillRemovesItsTemplates) {
    const QString templateItem = templatesRoot + "/Titles/Marlox Studio/Kinetic";
    writeFile(templateItem + "/Slide.moti", "template");

    ASSERT_FALSE(engine().uninstall(recordAt(installRoot + "/blur", {templateItem})));

    EXPECT_FALSE(QFileInfo::exists(templateItem));
    EXPECT_FALSE(QFileInfo::exists(templatesRoot + "/Titles"));
    EXPECT_TRUE(QFileInfo(templatesRoot).isDir());
}

TEST(PruneEmptyDirectoriesTest, RemovesEmptyFoldersUpToButNeverPastTheStopFolder) {
    ScratchHome home;
    const QString stop = home.filePath("stop");
    QDir().mkpath(stop + "/a/b/c");
    QDir().mkpath(home.filePath("outside/empty/deeper"));
    writeFile(stop + "/keep.txt", "keeps the stop folder busy, not that it matters");

    // A start outside the stop folder prunes nothing, though everything there is empty.
    EXPECT_FALSE(InstallEngine::pruneEmptyDirectories(home.filePath("outside/empty/deeper"), stop));
    EXPECT_TRUE(QFileInfo(home.filePath("outside/empty/deeper")).isDir());

    // A start inside climbs to the stop folder and no further.
    writeFile(stop + "/a/.hidden", "hidden entries do not keep a folder");
    EXPECT_FALSE(InstallEngine::pruneEmptyDirectories(stop + "/a/b/c", stop));
    EXPECT_FALSE(QFileInfo::exists(stop + "/a"));
    EXPECT_TRUE(QFileInfo(stop).isDir());

    // The stop folder itself is never removed, even empty.
    QFile::remove(stop + "/keep.txt");
    QDir().mkpath(stop + "/x");
    EXPECT_FALSE(InstallEngine::pruneEmptyDirectories(stop + "/x", stop));
    EXPECT_TRUE(QFileInfo(stop).isDir());
    EXPECT_FALSE(QFileInfo::exists(stop + "/x"));
}
