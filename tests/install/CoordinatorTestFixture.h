#pragma once

#include "InstallTestSupport.h"
#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogManifest.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/RemoteArtifactService.h"
#include "install/InstallEngine.h"
#include "install/InstallTargetAccessService.h"
#include "install/InstallationCoordinator.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/SystemTools.h"
#include "platform/UserDefaults.h"
#include "support/LoopbackHttpServer.h"
#include "support/ScratchHome.h"

#include <QMap>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace marlox::testing {

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
    ~HeldTool();

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
bool runMainLoopUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20));

// A scratch home with the settings, records and both folder services, a loopback server for
// downloads, and a coordinator whose engine runs the bundled tools.
class CoordinatorTest : public ScratchHomeTest {
protected:
    CoordinatorTest();
    ~CoordinatorTest() override;

    // Replaces the coordinator (and its remote-artifact service), e.g. to hand it other tools.
    void makeCoordinator(
        const install::InstallTools& engineTools = install::InstallTools::systemDefaults(),
        const QString& downloadArchiveTool = platform::dittoToolPath());
    // Runs the main loop until no package is in flight.
    bool settle();
    // Runs the main loop until a bulk run has published its progress and cleared it again.
    bool settleBulkRun();
    // The messages of the operations log, without their time stamps.
    QStringList logMessages() const;

    // A package that is downloaded from the loopback server as a zip holding
    // "Payloads/Glow/Glow.pluginkit"; the plug-in's version file holds the version.
    catalog::PackageManifest servedGlowPackage(const QString& version,
                                               std::optional<QString> sha256 = std::nullopt);
    // The hex SHA-256 of what the server answers for that version.
    QString servedGlowDigest(const QString& version) const;
    QString installFolder() const;
    QString templatesFolder() const;
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
    std::unique_ptr<catalog::RemoteArtifactService> remote;
    std::unique_ptr<install::InstallationCoordinator> coordinator;

    // Every status each package went through, in order.
    QMap<QString, QStringList> statusHistory;
    // Every value bulkInstallProgress took, in order.
    QList<std::optional<install::BulkInstallProgress>> progressHistory;

private:
    QMap<QString, QByteArray> m_servedZips;
};

} // namespace marlox::testing
