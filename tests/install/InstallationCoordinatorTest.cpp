#include "install/InstallationCoordinator.h"

#include "InstallTestSupport.h"
#include "catalog/Environment.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <ostream>

namespace marlox::install {
void PrintTo(const BulkInstallProgress& progress, std::ostream* out) {
    *out << progress.current << '/' << progress.total << ' ' << progress.packageName.toStdString();
}
} // namespace marlox::install

using namespace marlox::install;
using namespace marlox::testing;
using marlox::catalog::InstalledPackage;
using marlox::catalog::PackageManifest;
using marlox::catalog::PackageType;

namespace {

// The registry lines that name a path inside the folder.
QStringList registrationsInside(const QString& folder) {
    return registeredPluginLines().filter(folder + "/");
}

QString startedLine(const PackageManifest& package) {
    return "Install started: package=" + package.id + ", version=" + package.version +
           ", type=" + marlox::catalog::rawValue(package.type);
}

using InstallRoadsTest = CoordinatorTest;

} // namespace

TEST_F(InstallRoadsTest, InstallsBuiltInFolderPayloadRegistersItAndRecordsIt) {
    // GIVEN Countdown Pro, whose payload is a folder in the bundle holding its plug-in
    const QString startedAt = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);

    // WHEN it is installed
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));

    // THEN the payload folder became the package's install folder, its plug-in is registered
    const QString installPath = installFolder() + "/" + countdownID;
    EXPECT_EQ(statusHistory.value(countdownID), (QStringList{"Installing...", "Installed"}));
    EXPECT_TRUE(QFileInfo(installPath + "/CountdownPro.pluginkit/Contents/Info.plist").isFile());
    const QStringList registered = registrationsInside(installPath);
    ASSERT_EQ(registered.size(), 1) << registeredPluginLines().join('\n').toStdString();
    EXPECT_TRUE(registered.first().startsWith('+'));

    // and the record is kept and saved, stamped with the time in ISO 8601 UTC
    const auto record = store.record(countdownID);
    ASSERT_TRUE(record);
    EXPECT_EQ(savedRecord(countdownID), record);
    EXPECT_EQ(*record, (InstalledPackage{countdownID,
                                         "2.3.0",
                                         record->installedAtISO8601,
                                         PackageType::generator,
                                         installPath,
                                         {}}));
    EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$)")
                    .match(record->installedAtISO8601)
                    .hasMatch())
        << record->installedAtISO8601.toStdString();
    EXPECT_GE(record->installedAtISO8601, startedAt);
    EXPECT_LE(record->installedAtISO8601, QDateTime::currentDateTimeUtc().toString(Qt::ISODate));

    // and the log tells the start and the success, in that order
    EXPECT_EQ(
        logMessages(),
        (QStringList{"Install started: package=" + countdownID + ", version=2.3.0, type=generator",
                     "Install succeeded: package=" + countdownID + ", path=" + installPath}));
    EXPECT_FALSE(coordinator->presentedErrorMessage());
}

TEST_F(InstallRoadsTest, InstallsRemoteZipAfterCheckingItsDigest) {
    // GIVEN a package served as a zip, with the archive's digest (in capitals) in the catalog
    PackageManifest package = servedGlowPackage("1.0");
    package.sha256 = package.sha256->toUpper();

    // WHEN it is installed
    ASSERT_TRUE(installAndSettle(package));

    // THEN the archive was downloaded once and its plug-in installed, registered and recorded
    const QString installPath = installFolder() + "/" + glowID;
    EXPECT_EQ(statusHistory.value(glowID), (QStringList{"Installing...", "Installed"}));
    EXPECT_EQ(server.requestCount("/glow-1.0.zip"), 1);
    EXPECT_EQ(readFile(installPath + "/Glow.pluginkit/Contents/Resources/version.txt"), "1.0");
    EXPECT_EQ(registrationsInside(installPath).size(), 1);
    EXPECT_TRUE(QFileInfo::exists(marlox::catalog::remoteArtifactsDirectory() + "/" + glowID +
                                  "/1.0/payload.zip"));
    const auto record = savedRecord(glowID);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->version, "1.0");
    EXPECT_EQ(record->installPath, installPath);
}

TEST_F(InstallRoadsTest, UpdateReplacesTheInstalledFolderInPlace) {
    // GIVEN version 1.0 installed from the server, with a file added to its folder since
    ASSERT_TRUE(installAndSettle(servedGlowPackage("1.0")));
    const QString installPath = installFolder() + "/" + glowID;
    writeFile(installPath + "/stray.txt", "left over");

    // WHEN version 1.1 is installed over it
    ASSERT_TRUE(installAndSettle(servedGlowPackage("1.1")));

    // THEN the folder holds 1.1 and nothing of 1.0, registered once at the same path
    EXPECT_EQ(statusHistory.value(glowID),
              (QStringList{"Installing...", "Installed", "Installing...", "Installed"}));
    EXPECT_EQ(readFile(installPath + "/Glow.pluginkit/Contents/Resources/version.txt"), "1.1");
    EXPECT_FALSE(QFileInfo::exists(installPath + "/stray.txt"));
    EXPECT_EQ(registeredPluginLines().filter("Glow.pluginkit").size(), 1);
    const auto record = savedRecord(glowID);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->version, "1.1");
    EXPECT_EQ(record->installPath, installPath);
    // Nothing moved, so nothing was migrated.
    EXPECT_TRUE(logMessages().filter("Previous install removed").isEmpty());
}

TEST_F(InstallRoadsTest, InstallsTemplatesPackageIntoMotionTemplates) {
    // GIVEN Kinetic Titles, which carries only Motion Templates
    const PackageManifest package = builtInPackage(kineticTitlesID);

    // WHEN it is installed
    ASSERT_TRUE(installAndSettle(package));

    // THEN its templates are placed and recorded, and it has no install folder
    const QString placed = templatesFolder() + "/Titles/Marlox Studio/KineticTitles";
    EXPECT_EQ(statusHistory.value(kineticTitlesID), (QStringList{"Installing...", "Installed"}));
    EXPECT_TRUE(QFileInfo(placed).isDir());
    EXPECT_FALSE(QFileInfo::exists(installFolder() + "/" + kineticTitlesID));
    const auto record = savedRecord(kineticTitlesID);
    ASSERT_TRUE(record);
    EXPECT_EQ(*record, (InstalledPackage{kineticTitlesID,
                                         "3.0.1",
                                         record->installedAtISO8601,
                                         PackageType::template_,
                                         "",
                                         {placed}}));
    EXPECT_EQ(logMessages(),
              (QStringList{"Install started: package=" + kineticTitlesID +
                               ", version=3.0.1, type=template",
                           "Install succeeded: package=" + kineticTitlesID + ", path="}));
}

TEST_F(InstallRoadsTest, RemovesAnInstalledPackageAndItsRecord) {
    // GIVEN Countdown Pro installed
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));
    const QString installPath = installFolder() + "/" + countdownID;
    ASSERT_TRUE(QFileInfo(installPath).isDir());

    // WHEN it is removed
    coordinator->uninstall(countdownID);

    // THEN it is in flight at once, and afterwards gone from disk, the registry and the records
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{countdownID});
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Removing...");
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Removed");
    EXPECT_FALSE(QFileInfo::exists(installPath));
    EXPECT_TRUE(registrationsInside(installPath).isEmpty());
    EXPECT_FALSE(store.record(countdownID));
    EXPECT_FALSE(savedRecord(countdownID));
    EXPECT_EQ(logMessages().mid(2),
              (QStringList{"Uninstall started: package=" + countdownID + ", path=" + installPath,
                           "Uninstall succeeded: package=" + countdownID}));
}

TEST_F(InstallRoadsTest, BulkReinstallPublishesProgressAndSkipsTemplatePackages) {
    // GIVEN three plug-in packages and a template package
    const QList<PackageManifest> plugins = {builtInPackage(countdownID), builtInPackage(timecodeID),
                                            builtInPackage(filmGradeID)};

    // WHEN all are reinstalled
    coordinator->installAll(
        {plugins.at(0), builtInPackage(kineticTitlesID), plugins.at(1), plugins.at(2)});
    ASSERT_TRUE(settleBulkRun());

    // THEN progress counts the three plug-in packages by name, then clears
    using Progress = std::optional<BulkInstallProgress>;
    EXPECT_EQ(progressHistory,
              (QList<Progress>{BulkInstallProgress{1, 3, "Countdown Pro"},
                               BulkInstallProgress{2, 3, "Timecode Burn-In"},
                               BulkInstallProgress{3, 3, "Film Grade"}, std::nullopt}));
    // and each of them is installed, one after the other, while the template package is untouched
    QStringList expectedLog;
    for (const PackageManifest& package : plugins) {
        EXPECT_EQ(statusHistory.value(package.id), (QStringList{"Installing...", "Installed"}));
        EXPECT_TRUE(savedRecord(package.id)) << package.id.toStdString();
        expectedLog << startedLine(package)
                    << "Install succeeded: package=" + package.id + ", path=" + installFolder() +
                           "/" + package.id;
    }
    EXPECT_EQ(logMessages(), expectedLog);
    EXPECT_FALSE(coordinator->statusMessageByID().contains(kineticTitlesID));
    EXPECT_FALSE(store.record(kineticTitlesID));
}

TEST_F(InstallRoadsTest, ParkedInstallResumesOnceTemplatesAccessIsGranted) {
    // GIVEN a Motion Templates folder that cannot be prepared: a file stands in its place
    ASSERT_TRUE(QDir(templatesFolder()).removeRecursively());
    writeFile(templatesFolder(), "not a folder");
    const PackageManifest package = builtInPackage(kineticTitlesID);

    // WHEN a plug-in package without templates is requested, THEN it installs without waiting
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));
    EXPECT_EQ(statusHistory.value(countdownID), (QStringList{"Installing...", "Installed"}));
    EXPECT_FALSE(coordinator->pendingPermissionPackage());
    EXPECT_EQ(templatesAccess.accessState(), FolderAccessState::needsAccess);
    const qsizetype seen = logMessages().size();

    // WHEN the templates package is requested
    coordinator->install(package);

    // THEN it is parked, waiting for the templates folder, and nothing starts
    EXPECT_EQ(coordinator->statusMessageByID().value(kineticTitlesID), "Waiting for Access");
    EXPECT_EQ(coordinator->pendingPermissionPackage(), package);
    EXPECT_TRUE(coordinator->pendingPermissionNeedsTemplatesAccess());
    EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());
    EXPECT_EQ(logMessages().mid(seen), QStringList{"Install paused for package=" + kineticTitlesID +
                                                   ": awaiting sandbox folder approval."});

    // WHEN it is resumed while the folder still cannot be made, THEN it stays parked
    coordinator->resumePendingInstall();
    EXPECT_EQ(coordinator->pendingPermissionPackage(), package);
    EXPECT_EQ(coordinator->statusMessageByID().value(kineticTitlesID), "Waiting for Access");
    EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());

    // WHEN the folder is prepared from the overlay and the install resumed
    ASSERT_TRUE(QFile::remove(templatesFolder()));
    ASSERT_FALSE(templatesAccess.revealTemplatesFolder());
    coordinator->resumePendingInstall();

    // THEN nothing is parked any more and the templates are installed
    EXPECT_FALSE(coordinator->pendingPermissionPackage());
    EXPECT_FALSE(coordinator->pendingPermissionNeedsTemplatesAccess());
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{kineticTitlesID});
    ASSERT_TRUE(settle());
    EXPECT_EQ(statusHistory.value(kineticTitlesID),
              (QStringList{"Waiting for Access", "Installing...", "Installed"}));
    EXPECT_TRUE(QFileInfo(templatesFolder() + "/Titles/Marlox Studio/KineticTitles").isDir());
    EXPECT_TRUE(savedRecord(kineticTitlesID));
}

TEST_F(InstallRoadsTest, ReinstallAfterTheFolderMovedRemovesTheOldOneAndKeepsTheNewTemplates) {
    // GIVEN Frame Kit, a plug-in with templates, recorded at a folder it has since moved from
    const PackageManifest package = builtInPackage("studio.marlox.frame-kit");
    ASSERT_TRUE(installAndSettle(package));
    const QString installPath = installFolder() + "/" + package.id;
    const QString oldPath =
        marlox::catalog::applicationSupportDirectory() + "/Plugins/" + package.id;
    ASSERT_TRUE(QDir().mkpath(QFileInfo(oldPath).path()));
    ASSERT_TRUE(QDir().rename(installPath, oldPath));
    InstalledPackage moved = *store.record(package.id);
    moved.installPath = oldPath;
    store.setInstalledByID({{package.id, moved}});
    const qsizetype seen = logMessages().size();

    // WHEN it is reinstalled
    ASSERT_TRUE(installAndSettle(package));

    // THEN the old folder is gone, the new one recorded, and the templates just placed are kept
    EXPECT_EQ(coordinator->statusMessageByID().value(package.id), "Installed");
    EXPECT_FALSE(QFileInfo::exists(oldPath));
    EXPECT_TRUE(QFileInfo(installPath).isDir());
    const auto record = savedRecord(package.id);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->installPath, installPath);
    EXPECT_EQ(record->templateInstallPaths, moved.templateInstallPaths);
    for (const QString& placed : record->templateInstallPaths) {
        EXPECT_TRUE(QFileInfo(placed).isDir()) << placed.toStdString();
    }
    EXPECT_EQ(logMessages().mid(seen),
              (QStringList{startedLine(package),
                           "Previous install removed during migration: package=" + package.id +
                               ", path=" + oldPath,
                           "Install succeeded: package=" + package.id + ", path=" + installPath}));
}
