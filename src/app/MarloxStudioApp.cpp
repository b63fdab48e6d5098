#include "MarloxStudioApp.h"

#include "app/RootView.h"
#include "app/StartupTask.h"
#include "catalog/Environment.h"
#include "install/InstallJournal.h"
#include "platform/Bundle.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/DarkControlStyle.h"
#include "ui/kit/IconSupport.h"

#include <QApplication>

#include <functional>

namespace marlox::app {

void useApplicationAppearance() {
    ui::registerBundledFonts(catalog::resourceDirectoryURLs());
    ui::setUpIconBundles(catalog::candidateResourceBundles());
    ui::useAppFontAsDefault();
    ui::useDarkApplicationAppearance();
}

MarloxStudioApp::MarloxStudioApp(AppPlatform platform, QObject* parent)
    : QObject(parent), m_platform(std::move(platform)) {
    // The delegate decides when the last window ends the application, not Qt.
    QApplication::setQuitOnLastWindowClosed(false);
    // Before any view is built, so that the first window already draws with them.
    useApplicationAppearance();

    m_userDefaults = std::make_unique<platform::UserDefaults>(m_platform.userDefaultsFilePath);
    m_settingsStore = std::make_unique<catalog::AppSettingsStore>(
        *m_userDefaults, *m_platform.loginItem, m_platform.mainBundle.bundlePath());
    m_catalogService = std::make_unique<catalog::CatalogService>(
        m_platform.configuration, m_platform.mainBundle, m_platform.httpClient,
        std::make_unique<catalog::RemoteArtifactService>(
            m_platform.httpClient, m_platform.processRunner, m_platform.dittoPath),
        m_cacheWrites);
    m_appUpdateService = std::make_unique<screens::AppUpdateService>(
        m_platform.configuration, m_platform.mainBundle, *m_userDefaults, m_platform.httpClient,
        std::move(m_platform.updaterFactory));
    m_installTargetAccessService = std::make_unique<install::InstallTargetAccessService>(
        *m_settingsStore, *m_platform.workspace);
    m_motionTemplatesAccessService = std::make_unique<install::MotionTemplatesAccessService>(
        *m_settingsStore, *m_platform.workspace);
    // An install or removal that a crash cut short is finished or undone before the records
    // are read, so that they and the files agree. Only the copy that holds the lock on the
    // user's data gets here, so no operation of another copy is taken for one cut short.
    install::settleAtStartUp(m_platform.coordinatorDependencies.installEngine.registrar());
    m_installedStore = std::make_unique<catalog::InstalledPackageStore>();
    m_remoteArtifactService = std::make_unique<catalog::RemoteArtifactService>(
        m_platform.httpClient, m_platform.processRunner, m_platform.dittoPath);
    m_installationCoordinator = std::make_unique<install::InstallationCoordinator>(
        *m_installedStore, *m_installTargetAccessService, *m_motionTemplatesAccessService,
        *m_remoteArtifactService, std::move(m_platform.coordinatorDependencies));
    m_sidebarUIState = std::make_unique<SidebarUIState>();
    m_thumbnailCache = std::make_unique<ui::ThumbnailCache>(
        m_platform.httpClient, catalog::thumbnailCacheDirectory(), qGuiApp->devicePixelRatio(),
        std::bind_front(&catalog::CacheWrites::write, m_cacheWrites));
    m_cacheClearer = std::make_unique<screens::CacheClearer>(*m_thumbnailCache, m_cacheWrites);
    m_delegate.setSettingsStore(m_settingsStore.get());
}

MarloxStudioApp::~MarloxStudioApp() {
    // Quitting never waits on a server: the services wait for their transfers as they go, and
    // these end now.
    m_platform.httpClient->abortTransfers();
    // The windows show the services, so they go first.
    for (const auto& window : std::as_const(m_windows)) {
        delete window.data();
    }
}

RootView* MarloxStudioApp::openWindow() {
    auto* window = new RootView({
        .mainBundle = m_platform.mainBundle,
        .settingsStore = *m_settingsStore,
        .catalogService = *m_catalogService,
        .appUpdateService = *m_appUpdateService,
        .installTargetAccessService = *m_installTargetAccessService,
        .motionTemplatesAccessService = *m_motionTemplatesAccessService,
        .installedStore = *m_installedStore,
        .installationCoordinator = *m_installationCoordinator,
        .sidebarUIState = *m_sidebarUIState,
        .thumbnailCache = *m_thumbnailCache,
        .cacheClearer = *m_cacheClearer,
        .workspace = *m_platform.workspace,
        .mailComposer = *m_platform.mailComposer,
        .clipboard = *m_platform.clipboard,
        .fileChooser = *m_platform.fileChooser,
        .systemInformation = *m_platform.systemInformation,
        .applicationIcons = *m_platform.applicationIcons,
    });
    window->setAttribute(Qt::WA_DeleteOnClose);
    connect(window, &RootView::closed, this, [this, window] { windowClosed(window); });
    connect(window, &RootView::newWindowRequested, this, &MarloxStudioApp::openWindow);
    connect(window, &RootView::quitRequested, this, &MarloxStudioApp::terminationRequested);
    m_windows.append(window);
    window->show();
    // Every window runs the start-up task again; it ends with the window that started it.
    m_startupTask = runStartupTask(*m_catalogService, *m_appUpdateService, window);
    return window;
}

QList<RootView*> MarloxStudioApp::windows() const {
    QList<RootView*> open;
    for (const auto& window : m_windows) {
        if (window) {
            open.append(window);
        }
    }
    return open;
}

void MarloxStudioApp::windowClosed(RootView* window) {
    m_windows.removeIf(
        [window](const QPointer<RootView>& open) { return open == window || !open; });
    if (m_windows.isEmpty() && m_delegate.applicationShouldTerminateAfterLastWindowClosed()) {
        emit terminationRequested();
    }
}

} // namespace marlox::app
