#include "install/InstallationCoordinator.h"

#include "InstallTestSupport.h"
#include "catalog/AppSettingsStore.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/OperationsLog.h"
#include "catalog/RemoteArtifactService.h"
#include "install/InstallTargetAccessService.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "support/LoopbackHttpServer.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <ostream>

namespace marlox::install {
void PrintTo(const BulkInstallProgress& progress, std::ostream* out) {
    *out << progress.current << '/' << progress.total << ' ' << progress.packageName.toStdString();
}
} // namespace marlox::install

using namespace marlox::install;
using namespace marlox::testing;
using namespace marlox::catalog;
using marlox::platform::SystemProcessRunner;
using marlox::platform::UserDefaults;

namespace {

// Packages of the built-in catalog, and the one the loopback server serves.
const QString countdownID = "studio.marlox.countdown-pro";
const QString timecodeID = "studio.marlox.timecode-burn";
const QString filmGradeID = "studio.marlox.film-grade";
const QString kineticTitlesID = "studio.marlox.kinetic-titles";
const QString glowID = "studio.marlox.glow";
const QString hostAlert =
    "Please close host apps before install/update/remove. Running: Final Cut Pro";
const QString anotherOperation =
    "Another install/remove operation is currently running. Please wait until it finishes.";

// Runs the main loop until the condition holds; false when it did not in time.
bool runMainLoopUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 20000);
}

// Lets queued work that a request may have scheduled run.
void runQueuedWork() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// The registry lines that name a path inside the folder.
QStringList registrationsInside(const QString& folder) {
    return registeredPluginLines().filter(folder + "/");
}

QString startedLine(const PackageManifest& package) {
    return "Install started: package=" + package.id + ", version=" + package.version +
           ", type=" + marlox::catalog::rawValue(package.type);
}

// Stands in for a system tool: its first call waits until the test releases it (ten seconds at
// most), then every call runs the real tool.
class HeldTool {
public:
    HeldTool(const QString& folder, const QString& realTool)
        : m_folder(folder), m_path(folder + "/" + QFileInfo(realTool).fileName()) {
        QDir().mkpath(m_folder);
        EXPECT_EQ(::mkfifo(QFile::encodeName(m_folder + "/release").constData(), 0600), 0);
        // The first call finds the pipe, waits for the test to close its end, and removes it, so
        // later calls run straight through. The wait is bounded: a caller that blocks the main
        // thread then finishes late instead of hanging the test.
        writeFile(m_path, QStringLiteral(R"sh(#!/bin/sh
if [ -p '%1/release' ]; then
  : > '%1/held'
  timeout 10 cat '%1/release' > /dev/null
  rm -f '%1/release'
fi
exec '%2' "$@"
)sh")
                              .arg(m_folder, realTool)
                              .toUtf8());
        QFile::setPermissions(m_path, QFile::permissions(m_path) | QFileDevice::ExeOwner);
    }
    ~HeldTool() { release(); }

    const QString& path() const { return m_path; }
    // Runs the main loop until the tool has been called and is waiting; false when it was not.
    bool waitUntilHeld() {
        return runMainLoopUntil([&] { return QFileInfo::exists(m_folder + "/held"); });
    }
    void release() {
        // Opening the pipe waits for its reader, so it is opened only once a call waits on it.
        if (m_released || !QFileInfo::exists(m_folder + "/held")) {
            return;
        }
        m_released = true;
        const int pipe = ::open(QFile::encodeName(m_folder + "/release").constData(), O_WRONLY);
        if (pipe >= 0) {
            ::close(pipe);
        }
    }

private:
    QString m_folder;
    QString m_path;
    bool m_released = false;
};

// A scratch home with the settings, records and both folder services, a loopback server for
// downloads, and a coordinator whose engine runs the bundled tools.
class CoordinatorTest : public ScratchHomeTest {
protected:
    CoordinatorTest() { makeCoordinator(); }
    ~CoordinatorTest() override { EXPECT_TRUE(settle()); }

    // Replaces the coordinator (and its remote-artifact service), e.g. to hand it other tools.
    void makeCoordinator(const InstallTools& engineTools = InstallTools::systemDefaults(),
                         const QString& downloadArchiveTool = marlox::platform::dittoToolPath()) {
        coordinator.reset();
        remote = std::make_unique<RemoteArtifactService>(
            std::make_shared<marlox::platform::NetworkHttpClient>(),
            std::make_shared<SystemProcessRunner>(), downloadArchiveTool);
        const HostApplicationGuard guard(processes);
        coordinator = std::make_unique<InstallationCoordinator>(
            store, installAccess, templatesAccess, *remote,
            InstallationCoordinatorDependencies{
                InstallEngine(guard, std::make_shared<SystemProcessRunner>(), engineTools), guard});
        const auto* published = coordinator.get();
        QObject::connect(published, &InstallationCoordinator::statusMessageByIDChanged, [=, this] {
            const auto& statuses = published->statusMessageByID();
            for (auto status = statuses.cbegin(); status != statuses.cend(); ++status) {
                QStringList& history = statusHistory[status.key()];
                if (history.isEmpty() || history.last() != status.value()) {
                    history.append(status.value());
                }
            }
        });
        QObject::connect(published, &InstallationCoordinator::bulkInstallProgressChanged,
                         [=, this] { progressHistory.append(published->bulkInstallProgress()); });
    }
    // The engine's pluginkit held on its first call.
    std::unique_ptr<HeldTool> holdRegistration() {
        auto held = std::make_unique<HeldTool>(home.filePath("held"),
                                               marlox::platform::pluginkitToolPath());
        InstallTools tools = InstallTools::systemDefaults();
        tools.pluginkit = held->path();
        makeCoordinator(tools);
        return held;
    }
    // Runs the main loop until no package is in flight.
    bool settle() {
        return runMainLoopUntil([&] { return coordinator->activePackageIDs().isEmpty(); });
    }
    bool installAndSettle(const PackageManifest& package) {
        coordinator->install(package);
        return settle();
    }
    // Runs the main loop until a bulk run has published its progress and cleared it again.
    bool settleBulkRun() {
        return runMainLoopUntil([&] {
            return !progressHistory.isEmpty() && !progressHistory.last() &&
                   coordinator->activePackageIDs().isEmpty();
        });
    }
    // The messages of the operations log since `seen` of them, without their time stamps.
    QStringList logMessages(qsizetype seen = 0) const {
        marlox::catalog::flushOperationsLog();
        QFile file(marlox::catalog::operationsLogFilePath());
        QStringList messages;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QString& line :
                 QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
                messages.append(line.mid(line.indexOf("] ") + 2));
            }
        }
        return messages.mid(seen);
    }
    // What the user could see on disk: the plug-in and template folders, the records, the
    // registry.
    QStringList diskState() const {
        return treeSnapshot(home.filePath("home/Applications")) +
               treeSnapshot(home.filePath("home/Movies")) +
               QStringList{
                   QString::fromUtf8(readFile(marlox::catalog::installedRecordsFileURL()))} +
               registeredPluginLines();
    }
    // A package downloaded from the loopback server as a zip holding
    // "Payloads/Glow/Glow.pluginkit", whose version file holds the version, with the archive's
    // digest in the catalog.
    PackageManifest servedGlowPackage(const QString& version) {
        const QString zipPath = home.filePath("served/glow-" + version + ".zip");
        const QString urlPath = "/" + QFileInfo(zipPath).fileName();
        if (!QFileInfo::exists(zipPath)) {
            const QString bundle =
                home.filePath("served/" + version + "/Payloads/Glow/Glow.pluginkit");
            makeBundle(bundle, "studio.marlox.glow.plugin", version);
            writeFile(bundle + "/Contents/Resources/version.txt", version.toUtf8());
            zipTree(home.filePath("served/" + version), zipPath);
            HttpAnswer answer;
            answer.body = readFile(zipPath);
            server.setAnswer(urlPath, answer);
        }
        PackageManifest package;
        package.id = glowID;
        package.name = "Glow";
        package.type = PackageType::filter;
        package.category = "Color & Grade";
        package.version = version;
        // The archive's single top-level folder is the payload root the path is looked up in.
        package.bundlePayloadPath = "Glow";
        package.downloadURL = server.url(urlPath).toString();
        package.sha256 = QString::fromLatin1(
            QCryptographicHash::hash(readFile(zipPath), QCryptographicHash::Sha256).toHex());
        return package;
    }
    // The saved record as "version type path [template paths]", its time left out.
    QString savedRecordLine(const QString& id) const {
        const auto record = savedRecord(id);
        return record
                   ? record->version + ' ' + rawValue(record->packageType) + ' ' +
                         record->installPath + " [" + record->templateInstallPaths.join(", ") + ']'
                   : "none";
    }
    QString installFolder() const { return marlox::catalog::installFolderPath(); }
    QString templatesFolder() const { return motionTemplatesFolderPath(); }
    std::optional<InstalledPackage> savedRecord(const QString& id) const {
        const auto records = marlox::catalog::decodeInstalledPackages(
            readFile(marlox::catalog::installedRecordsFileURL()));
        EXPECT_TRUE(records) << "installed.json cannot be read";
        for (const InstalledPackage& record : records ? *records : QList<InstalledPackage>{}) {
            if (record.id == id) {
                return record;
            }
        }
        return std::nullopt;
    }

    UserDefaults defaults{home.filePath("settings.conf")};
    NoLoginItem loginItem;
    AppSettingsStore settings{defaults, loginItem, home.filePath("Elsewhere/Marlox Studio.app")};
    RecordingWorkspace workspace;
    InstalledPackageStore store;
    InstallTargetAccessService installAccess{settings, workspace};
    MotionTemplatesAccessService templatesAccess{settings, workspace};
    std::shared_ptr<OwnChildProcessLister> processes = std::make_shared<OwnChildProcessLister>();
    LoopbackHttpServer server;
    // Every status each package went through, in order.
    QMap<QString, QStringList> statusHistory;
    // Every value bulkInstallProgress took, in order.
    QList<std::optional<BulkInstallProgress>> progressHistory;
    std::unique_ptr<RemoteArtifactService> remote;
    std::unique_ptr<InstallationCoordinator> coordinator;
};

using InstallRoadsTest = CoordinatorTest;
using CoordinatorGuardsTest = CoordinatorTest;

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
    EXPECT_EQ(savedRecordLine(countdownID), "2.3.0 generator " + installPath + " []");
    const auto record = store.record(countdownID);
    ASSERT_TRUE(record);
    EXPECT_EQ(savedRecord(countdownID), record);
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
    EXPECT_EQ(savedRecordLine(glowID), "1.0 filter " + installPath + " []");
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
    EXPECT_EQ(savedRecordLine(glowID), "1.1 filter " + installPath + " []");
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
    EXPECT_EQ(savedRecordLine(kineticTitlesID), "3.0.1 template  [" + placed + "]");
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
    EXPECT_EQ(savedRecordLine(countdownID), "none");
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
    EXPECT_EQ(savedRecordLine(package.id), package.version + " generator " + installPath + " [" +
                                               moved.templateInstallPaths.join(", ") + "]");
    for (const QString& placed : moved.templateInstallPaths) {
        EXPECT_TRUE(QFileInfo(placed).isDir()) << placed.toStdString();
    }
    EXPECT_EQ(logMessages().mid(seen),
              (QStringList{startedLine(package),
                           "Previous install removed during migration: package=" + package.id +
                               ", path=" + oldPath,
                           "Install succeeded: package=" + package.id + ", path=" + installPath}));
}

TEST_F(CoordinatorGuardsTest, FinalCutProRunningBlocksEveryOperationAndChangesNothing) {
    // GIVEN Timecode Burn-In installed
    ASSERT_TRUE(installAndSettle(builtInPackage(timecodeID)));
    const QStringList before = diskState();
    const qsizetype seen = logMessages().size();
    const QString letterboxID = "studio.marlox.letterbox";

    // WHEN an install passes its guards, and then a real process named Final Cut Pro starts
    coordinator->install(builtInPackage(countdownID));
    auto host = std::make_unique<RunningHost>("Final Cut Pro");
    ASSERT_TRUE(host->isRunning());
    ASSERT_TRUE(settle());
    // and then an install, a removal and a bulk reinstall are requested
    coordinator->install(builtInPackage(filmGradeID));
    coordinator->uninstall(timecodeID);
    coordinator->installAll({builtInPackage(letterboxID), builtInPackage(kineticTitlesID)});
    runQueuedWork();

    // THEN the engine's own check stopped the first, the guards the others, each as blocked; the
    // host is named for the overlay and the alert
    const auto& statuses = coordinator->statusMessageByID();
    EXPECT_EQ(statusHistory.value(countdownID), (QStringList{"Installing...", "Blocked"}));
    for (const QString& id : {filmGradeID, timecodeID, letterboxID}) {
        EXPECT_EQ(statuses.value(id), "Blocked") << id.toStdString();
    }
    EXPECT_FALSE(statuses.contains(kineticTitlesID));
    EXPECT_EQ(coordinator->blockingHostNames(), QStringList{"Final Cut Pro"});
    EXPECT_EQ(coordinator->presentedErrorMessage(), hostAlert);
    EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());
    EXPECT_TRUE(progressHistory.isEmpty());
    EXPECT_EQ(
        logMessages(seen),
        (QStringList{"Install started: package=" + countdownID + ", version=2.3.0, type=generator",
                     "Install blocked mid-operation for package=" + countdownID +
                         ": host app detected.",
                     "Install blocked for package=" + filmGradeID + ": host app is running.",
                     "Uninstall blocked for package=" + timecodeID + ": host app is running.",
                     "Bulk install blocked: host app is running."}));
    // and nothing on disk changed
    EXPECT_EQ(diskState(), before);

    // WHEN the host has quit and the install is asked again
    host.reset();
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));

    // THEN the host list is emptied and the install goes ahead
    EXPECT_TRUE(coordinator->blockingHostNames().isEmpty());
    EXPECT_EQ(statuses.value(countdownID), "Installed");
}

TEST_F(CoordinatorGuardsTest, FailedUpdateKeepsThePreviousRecordAndFiles) {
    // GIVEN Glow 1.0 installed from the server, and 1.1 served
    ASSERT_TRUE(installAndSettle(servedGlowPackage("1.0")));
    const auto previousRecord = store.record(glowID);
    ASSERT_TRUE(previousRecord);
    const QStringList before = diskState();
    const StubTool failingDitto(home.filePath("tools"), "ditto");
    failingDitto.fail("-x", 9, "ditto: archive is damaged");
    const PackageManifest update = servedGlowPackage("1.1");
    PackageManifest wrongDigest = update;
    wrongDigest.sha256 = QString(64, '0');
    struct Case {
        PackageManifest update;
        QString archiveTool;
        QString error;
    };
    for (const Case& test : {
             Case{wrongDigest, marlox::platform::dittoToolPath(),
                  "Downloaded artifact checksum mismatch. Expected " + *wrongDigest.sha256 +
                      ", got " + *update.sha256 + "."},
             Case{update, failingDitto.path(), "ditto: archive is damaged"},
         }) {
        SCOPED_TRACE(test.error.toStdString());
        makeCoordinator(InstallTools::systemDefaults(), test.archiveTool);
        statusHistory.clear();
        const qsizetype seen = logMessages().size();

        // WHEN the update to 1.1 fails
        ASSERT_TRUE(installAndSettle(test.update));

        // THEN it is reported as failed, by name, and nothing is left in flight
        EXPECT_EQ(statusHistory.value(glowID), (QStringList{"Installing...", "Failed"}));
        EXPECT_EQ(coordinator->presentedErrorMessage(), "Failed to install Glow: " + test.error);
        EXPECT_EQ(logMessages(seen),
                  (QStringList{"Install started: package=" + glowID + ", version=1.1, type=filter",
                               "Install failed: package=" + glowID + ", error=" + test.error}));
        EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());
        // and version 1.0 stays recorded and on disk as it was
        EXPECT_EQ(store.record(glowID), previousRecord);
        EXPECT_EQ(diskState(), before);
    }
}

TEST_F(CoordinatorGuardsTest, RemovalThatCannotPrepareTheInstallFolderFailsAndKeepsTheRecord) {
    // GIVEN Countdown Pro installed, then the Applications folder replaced by a file
    ASSERT_TRUE(installAndSettle(builtInPackage(countdownID)));
    const auto record = store.record(countdownID);
    const QString applications = home.filePath("home/Applications");
    ASSERT_TRUE(QDir().rename(applications, home.filePath("Applications-aside")));
    writeFile(applications, "not a folder");

    // WHEN it is removed
    coordinator->uninstall(countdownID);
    ASSERT_TRUE(settle());

    // THEN the removal fails, naming the package by its id, and the record stays
    const QString error = "The folder “" + installFolder() + "” could not be created.";
    EXPECT_EQ(statusHistory.value(countdownID),
              (QStringList{"Installing...", "Installed", "Removing...", "Failed"}));
    EXPECT_EQ(coordinator->presentedErrorMessage(),
              "Failed to remove package " + countdownID + ": " + error);
    EXPECT_EQ(logMessages().last(),
              "Uninstall failed: package=" + countdownID + ", error=" + error);
    EXPECT_EQ(store.record(countdownID), record);
    EXPECT_EQ(savedRecord(countdownID), record);
}

TEST_F(CoordinatorGuardsTest, SecondRequestWhileOneRunsIsRefusedAndARepeatedOneIgnored) {
    // GIVEN a record of Film Grade, and the registration of the engine held
    const auto held = holdRegistration();
    store.setInstalledByID(
        {{filmGradeID, {filmGradeID, "2.1.0", {}, {}, installFolder() + "/" + filmGradeID, {}}}});

    // WHEN Countdown Pro is requested, and in the same turn another install and a bulk reinstall
    coordinator->install(builtInPackage(countdownID));
    coordinator->install(builtInPackage(timecodeID));
    coordinator->installAll({builtInPackage(timecodeID)});

    // THEN what was accepted holds its place before its work began: both are refused at once
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(logMessages(), (QStringList{"Install blocked for package=" + timecodeID +
                                              ": another operation is active.",
                                          "Bulk install blocked: another operation is active."}));

    // WHEN, while it runs, the same package is asked again
    ASSERT_TRUE(held->waitUntilHeld());
    coordinator->setPresentedErrorMessage(std::nullopt);
    const qsizetype seen = logMessages().size();
    coordinator->install(builtInPackage(countdownID));

    // THEN nothing changes and nothing is logged
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{countdownID});
    EXPECT_EQ(statusHistory.value(countdownID), QStringList{"Installing..."});
    EXPECT_FALSE(coordinator->presentedErrorMessage());
    EXPECT_TRUE(logMessages(seen).isEmpty());

    // WHEN a removal is asked, THEN it is refused too, and no other status is ever set
    coordinator->uninstall(filmGradeID);
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(logMessages(seen), QStringList{"Uninstall blocked for package=" + filmGradeID +
                                             ": another operation is active."});
    EXPECT_EQ(coordinator->statusMessageByID().keys(), QStringList{countdownID});

    // WHEN the held install is let go, THEN it alone completes
    held->release();
    ASSERT_TRUE(settle());
    EXPECT_EQ(statusHistory.value(countdownID), (QStringList{"Installing...", "Installed"}));
    EXPECT_FALSE(QFileInfo::exists(installFolder() + "/" + timecodeID));
    EXPECT_TRUE(store.record(filmGradeID));
}

TEST_F(CoordinatorGuardsTest, RequestWhileABulkRunGoesOnIsRefusedEvenBetweenItsPackages) {
    // GIVEN a request made the moment the first package of a bulk run is done
    bool requested = false;
    QObject::connect(coordinator.get(), &InstallationCoordinator::activePackageIDsChanged, [&] {
        const auto& progress = coordinator->bulkInstallProgress();
        if (!requested && coordinator->activePackageIDs().isEmpty() && progress &&
            progress->current == 1) {
            requested = true;
            coordinator->install(builtInPackage(filmGradeID));
        }
    });

    // WHEN a bulk reinstall of two packages is asked, and an install in the same turn
    coordinator->installAll({builtInPackage(countdownID), builtInPackage(timecodeID)});
    coordinator->install(builtInPackage(filmGradeID));
    ASSERT_TRUE(settleBulkRun());

    // THEN both requests were refused and only the run's packages installed
    ASSERT_TRUE(requested);
    EXPECT_EQ(coordinator->presentedErrorMessage(), anotherOperation);
    EXPECT_EQ(logMessages().filter(filmGradeID),
              QStringList(2, "Install blocked for package=" + filmGradeID +
                                 ": another operation is active."));
    EXPECT_FALSE(coordinator->statusMessageByID().contains(filmGradeID));
    EXPECT_FALSE(QFileInfo::exists(installFolder() + "/" + filmGradeID));
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Installed");
    EXPECT_EQ(coordinator->statusMessageByID().value(timecodeID), "Installed");
}

TEST_F(CoordinatorGuardsTest, MainThreadKeepsHandlingEventsWhileTheEngineWorks) {
    // GIVEN an install whose registration tool waits until the test lets it go
    const auto held = holdRegistration();
    coordinator->install(builtInPackage(countdownID));
    ASSERT_TRUE(held->waitUntilHeld());

    // WHEN an event is posted to the main thread while the tool waits
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    ASSERT_TRUE(runMainLoopUntil([&] { return handled; }));

    // THEN it was handled while the install is still in flight
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Installing...");
    EXPECT_EQ(coordinator->activePackageIDs(), QSet<QString>{countdownID});
    EXPECT_FALSE(store.record(countdownID));

    // WHEN the tool is let go, THEN the install completes
    held->release();
    ASSERT_TRUE(settle());
    EXPECT_EQ(coordinator->statusMessageByID().value(countdownID), "Installed");
}

TEST_F(CoordinatorGuardsTest, RequestsWithNothingToDoChangeNothing) {
    // WHEN a removal without a record, a resume with nothing parked and a bulk run of template
    // packages only are asked
    coordinator->uninstall("studio.marlox.unknown");
    coordinator->resumePendingInstall();
    coordinator->installAll({builtInPackage(kineticTitlesID)});
    runQueuedWork();

    // THEN nothing is published, started or logged
    EXPECT_TRUE(coordinator->statusMessageByID().isEmpty());
    EXPECT_TRUE(coordinator->activePackageIDs().isEmpty());
    EXPECT_TRUE(progressHistory.isEmpty());
    EXPECT_FALSE(coordinator->presentedErrorMessage());
    EXPECT_TRUE(logMessages().isEmpty());
}
