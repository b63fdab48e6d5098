#pragma once

#include "catalog/AppSettingsStore.h"
#include "catalog/Environment.h"
#include "catalog/InstallLocations.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/RemoteArtifactService.h"
#include "install/InstallEngine.h"
#include "install/InstallTargetAccessService.h"
#include "install/InstallationCoordinator.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/LoginItem.h"
#include "platform/ProcessRunner.h"
#include "platform/SystemTools.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "support/LoopbackHttpServer.h"
#include "support/QtPrinters.h"
#include "support/ScratchHome.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <map>
#include <ostream>

namespace marlox::install {
inline void PrintTo(const InstallResult& result, std::ostream* out) {
    *out << result.installPath.toStdString() << " + ["
         << result.templateInstallPaths.join(", ").toStdString() << ']';
}
} // namespace marlox::install

namespace marlox::testing {

// Remembers the folders it was asked to show.
class RecordingWorkspace final : public platform::Workspace {
public:
    void openFolder(const QString& path) override { openedFolders.append(path); }
    QStringList openedFolders;
};

// A login item that can never be registered.
class NoLoginItem final : public platform::LoginItem {
public:
    platform::LoginItemStatus status() const override {
        return platform::LoginItemStatus::notRegistered;
    }
    std::optional<platform::LoginItemError> registerItem() override {
        return platform::LoginItemError{"no"};
    }
    std::optional<platform::LoginItemError> unregisterItem() override { return std::nullopt; }
};

// Running applications by bundle identifier, as the test sets them.
class FakeProcessLister final : public platform::ProcessLister {
public:
    std::map<QString, QList<platform::RunningApplication>> byIdentifier;

    QList<platform::RunningApplication> runningApplications(const QString& bundleIdentifier,
                                                            const QString&) const override {
        const auto found = byIdentifier.find(bundleIdentifier);
        return found == byIdentifier.end() ? QList<platform::RunningApplication>{} : found->second;
    }
};

// The system's process list narrowed to the children of this test process: the test binaries
// run side by side, and a host one of them starts must not block the others.
class OwnChildProcessLister final : public platform::ProcessLister {
public:
    QList<platform::RunningApplication>
    runningApplications(const QString& bundleIdentifier,
                        const QString& executableName) const override;

private:
    platform::SystemProcessLister m_system;
};

// A real process with the given executable name (a copy of sleep) while it lives.
class RunningHost {
public:
    explicit RunningHost(const QString& executableName);
    ~RunningHost();

    RunningHost(const RunningHost&) = delete;
    RunningHost& operator=(const RunningHost&) = delete;

    bool isRunning() const { return m_process.state() == QProcess::Running; }

private:
    QTemporaryDir m_folder;
    QProcess m_process;
};

// The packages of the catalog the built bundle carries.
QList<catalog::PackageManifest> builtInPackages();
catalog::PackageManifest builtInPackage(const QString& id);

// What the bundled plug-in registry lists, one line per registered plug-in.
QStringList registeredPluginLines();

// Writes a bundle with the macOS layout: Contents/Info.plist (with the identifier when one is
// given), an executable in Contents/MacOS and a resource.
void makeBundle(const QString& path, const QString& identifier, const QString& version = "1.0");

// Writes a zip archive of the folder's tree, keeping each file's executable bit.
void zipTree(const QString& root, const QString& zipPath);
// Writes a zip archive of these files.
void writeZip(const QString& path, const QMap<QString, QByteArray>& entries);

// Path, kind, permissions, link target and contents of every item below the root, one line each,
// hidden items included; two trees with the same snapshot hold the same bytes.
QStringList treeSnapshot(const QString& root);

// A shell script standing in for a system tool. It records every call and answers according to
// what the test set for the call's first argument.
class StubTool {
public:
    StubTool(const QString& folder, const QString& name);

    const QString& path() const { return m_path; }
    // Standard output for calls whose first argument is `option`.
    void reply(const QString& option, const QByteArray& output) const {
        writeFile(m_folder + "/reply" + option, output);
    }
    // Exit status and standard error for calls whose first argument is `option`.
    void fail(const QString& option, int exitCode, const QByteArray& errorOutput = {}) const {
        writeFile(m_folder + "/exit" + option, QByteArray::number(exitCode));
        writeFile(m_folder + "/stderr" + option, errorOutput);
    }
    // Every call so far, in order, its arguments joined by spaces.
    QStringList calls() const;
    // The calls whose first argument is `option`.
    QStringList callsWith(const QString& option) const {
        return calls().filter(QRegularExpression("^" + option + ' '));
    }

private:
    QString m_folder;
    QString m_path;
};

// A scratch home with stub registry tools, the archive tool, a payload folder and an engine.
class EngineTest : public ScratchHomeTest {
protected:
    install::InstallEngine engine() const {
        return {install::HostApplicationGuard(processes),
                std::make_shared<platform::SystemProcessRunner>(),
                {ditto, pluginkit.path(), lsregister.path()}};
    }
    catalog::PackageManifest
    package(const QString& id, const QString& payloadPath,
            catalog::PackageType type = catalog::PackageType::generator) const {
        catalog::PackageManifest package;
        package.id = id;
        package.name = "Package " + id;
        package.type = type;
        package.category = "Blur";
        package.version = "1.0.0";
        package.bundlePayloadPath = payloadPath;
        return package;
    }
    install::InstallResultOr<install::InstallResult>
    install(const catalog::PackageManifest& package,
            const std::optional<catalog::InstalledPackage>& previous = std::nullopt,
            const std::optional<QString>& templatesRoot = std::nullopt) const {
        return engine().install(package, installRoot, templatesRoot, previous, payloadRoot);
    }
    // Fails the test with the error's text when the install failed.
    install::InstallResult
    installed(const catalog::PackageManifest& package,
              const std::optional<catalog::InstalledPackage>& previous = std::nullopt,
              const std::optional<QString>& templatesRoot = std::nullopt) const {
        const auto result = install(package, previous, templatesRoot);
        EXPECT_TRUE(result) << (result ? "" : install::describe(result.error()).toStdString());
        return result ? *result : install::InstallResult{};
    }
    catalog::InstalledPackage recordOf(const catalog::PackageManifest& package,
                                       const install::InstallResult& result) const {
        return {package.id,   package.version,    {},
                package.type, result.installPath, result.templateInstallPaths};
    }
    // Items in the support folder's Cache whose names start with one of the work-folder prefixes.
    QStringList leftoverWorkFolders() const {
        return QDir(catalog::cacheDirectory())
            .entryList({"payload-stage-*", "payload-expand-*", "backup-*", "template-expand-*"},
                       QDir::AllEntries | QDir::Hidden);
    }

    StubTool pluginkit{home.filePath("tools"), "pluginkit"};
    StubTool lsregister{home.filePath("tools"), "lsregister"};
    QString ditto = platform::dittoToolPath();
    std::shared_ptr<FakeProcessLister> processes = std::make_shared<FakeProcessLister>();
    QString payloadRoot = home.filePath("payload");
    QString installRoot = home.filePath("home/Applications/Marlox Studio Plugins");
    QString templatesRoot = home.filePath("home/Movies/Motion Templates.localized");
};

// Packages of the built-in catalog, and the one the loopback server serves.
inline const QString countdownID = "studio.marlox.countdown-pro";
inline const QString timecodeID = "studio.marlox.timecode-burn";
inline const QString filmGradeID = "studio.marlox.film-grade";
inline const QString kineticTitlesID = "studio.marlox.kinetic-titles";
inline const QString glowID = "studio.marlox.glow";

// Stands in for a system tool: its first call waits until the test releases it (ten seconds at
// most), then every call runs the real tool.
class HeldTool {
public:
    HeldTool(const QString& folder, const QString& realTool);
    ~HeldTool() { release(); }

    HeldTool(const HeldTool&) = delete;
    HeldTool& operator=(const HeldTool&) = delete;

    const QString& path() const { return m_path; }
    // Runs the main loop until the tool has been called and is waiting; false when it was not.
    bool waitUntilHeld();
    void release();

private:
    QString m_folder;
    QString m_path;
    bool m_released = false;
};

// Runs the main loop until the condition holds; false when it did not in time.
inline bool runMainLoopUntil(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 20000);
}

// A scratch home with the settings, records and both folder services, a loopback server for
// downloads, and a coordinator whose engine runs the bundled tools.
class CoordinatorTest : public ScratchHomeTest {
protected:
    CoordinatorTest() { makeCoordinator(); }
    ~CoordinatorTest() override { EXPECT_TRUE(settle()); }

    // Replaces the coordinator (and its remote-artifact service), e.g. to hand it other tools.
    void makeCoordinator(
        const install::InstallTools& engineTools = install::InstallTools::systemDefaults(),
        const QString& downloadArchiveTool = platform::dittoToolPath());
    // Runs the main loop until no package is in flight.
    bool settle() {
        return runMainLoopUntil([&] { return coordinator->activePackageIDs().isEmpty(); });
    }
    bool installAndSettle(const catalog::PackageManifest& package) {
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
    // The messages of the operations log, without their time stamps.
    QStringList logMessages() const;
    // What the user could see on disk: the plug-in and template folders, the records, the
    // registry.
    QStringList diskState() const {
        return treeSnapshot(home.filePath("home/Applications")) +
               treeSnapshot(home.filePath("home/Movies")) +
               QStringList{QString::fromUtf8(readFile(catalog::installedRecordsFileURL()))} +
               registeredPluginLines();
    }

    // A package downloaded from the loopback server as a zip holding
    // "Payloads/Glow/Glow.pluginkit", whose version file holds the version, with the archive's
    // digest in the catalog.
    catalog::PackageManifest servedGlowPackage(const QString& version);
    QString installFolder() const { return catalog::installFolderPath(); }
    QString templatesFolder() const { return install::motionTemplatesFolderPath(); }
    std::optional<catalog::InstalledPackage> savedRecord(const QString& id) const;

    platform::UserDefaults defaults{home.filePath("settings.conf")};
    NoLoginItem loginItem;
    catalog::AppSettingsStore settings{defaults, loginItem,
                                       home.filePath("Elsewhere/Marlox Studio.app")};
    RecordingWorkspace workspace;
    catalog::InstalledPackageStore store;
    install::InstallTargetAccessService installAccess{settings, workspace};
    install::MotionTemplatesAccessService templatesAccess{settings, workspace};
    std::shared_ptr<OwnChildProcessLister> processes = std::make_shared<OwnChildProcessLister>();
    LoopbackHttpServer server;
    // Every status each package went through, in order.
    QMap<QString, QStringList> statusHistory;
    // Every value bulkInstallProgress took, in order.
    QList<std::optional<install::BulkInstallProgress>> progressHistory;
    std::unique_ptr<catalog::RemoteArtifactService> remote;
    std::unique_ptr<install::InstallationCoordinator> coordinator;
};

} // namespace marlox::testing
