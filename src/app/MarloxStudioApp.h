#pragma once

#include "app/AppPlatform.h"
#include "app/SidebarUIState.h"
#include "app/StudioApplicationDelegate.h"
#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/InstalledPackageStore.h"
#include "catalog/RemoteArtifactService.h"
#include "install/InstallTargetAccessService.h"
#include "install/InstallationCoordinator.h"
#include "install/MotionTemplatesAccessService.h"
#include "platform/UserDefaults.h"
#include "screens/appupdate/AppUpdateService.h"
#include "screens/settings/CacheClearer.h"
#include "ui/kit/ThumbnailCache.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

namespace marlox::app {

class RootView;

// The application's fonts, icons and dark look, for every window made after.
void useApplicationAppearance();

// The owner of every service for the life of the process and of the main windows. It makes the
// services in the order in which each needs the ones before it; every window receives them.
// Each window runs the start-up task: the catalog reload, then a silent update check.
class MarloxStudioApp final : public QObject {
    Q_OBJECT

public:
    explicit MarloxStudioApp(AppPlatform platform, QObject* parent = nullptr);
    ~MarloxStudioApp() override;

    MarloxStudioApp(const MarloxStudioApp&) = delete;
    MarloxStudioApp& operator=(const MarloxStudioApp&) = delete;

    const StudioApplicationDelegate& delegate() const { return m_delegate; }
    platform::UserDefaults& userDefaults() { return *m_userDefaults; }
    catalog::AppSettingsStore& settingsStore() { return *m_settingsStore; }
    catalog::CatalogService& catalogService() { return *m_catalogService; }
    screens::AppUpdateService& appUpdateService() { return *m_appUpdateService; }
    install::InstallTargetAccessService& installTargetAccessService() {
        return *m_installTargetAccessService;
    }
    install::MotionTemplatesAccessService& motionTemplatesAccessService() {
        return *m_motionTemplatesAccessService;
    }
    catalog::InstalledPackageStore& installedStore() { return *m_installedStore; }
    install::InstallationCoordinator& installationCoordinator() {
        return *m_installationCoordinator;
    }
    SidebarUIState& sidebarUIState() { return *m_sidebarUIState; }
    ui::ThumbnailCache& thumbnailCache() { return *m_thumbnailCache; }
    screens::CacheClearer& cacheClearer() { return *m_cacheClearer; }

    // Shows a new main window on Home and runs the start-up task for it. The window deletes
    // itself when closed.
    RootView* openWindow();
    QList<RootView*> windows() const;
    // The running start-up task of the newest window; finished when there is none.
    QFuture<void> startupTask() const { return m_startupTask; }

signals:
    // The application ends: the user quit, or the last window has closed and the delegate
    // answered that it should.
    void terminationRequested();

private:
    void windowClosed(RootView* window);

    StudioApplicationDelegate m_delegate;
    AppPlatform m_platform;
    // Shared by what writes into the Cache folder and what clears it.
    const std::shared_ptr<catalog::CacheWrites> m_cacheWrites =
        std::make_shared<catalog::CacheWrites>();
    std::unique_ptr<platform::UserDefaults> m_userDefaults;
    std::unique_ptr<catalog::AppSettingsStore> m_settingsStore;
    std::unique_ptr<catalog::CatalogService> m_catalogService;
    std::unique_ptr<screens::AppUpdateService> m_appUpdateService;
    std::unique_ptr<install::InstallTargetAccessService> m_installTargetAccessService;
    std::unique_ptr<install::MotionTemplatesAccessService> m_motionTemplatesAccessService;
    std::unique_ptr<catalog::InstalledPackageStore> m_installedStore;
    // The coordinator's own; the catalog service holds another on the same cache folder.
    std::unique_ptr<catalog::RemoteArtifactService> m_remoteArtifactService;
    std::unique_ptr<install::InstallationCoordinator> m_installationCoordinator;
    std::unique_ptr<SidebarUIState> m_sidebarUIState;
    // Made once; every view that shows thumbnails is handed this one.
    std::unique_ptr<ui::ThumbnailCache> m_thumbnailCache;
    std::unique_ptr<screens::CacheClearer> m_cacheClearer;

    QList<QPointer<RootView>> m_windows;
    QFuture<void> m_startupTask;
};

} // namespace marlox::app
