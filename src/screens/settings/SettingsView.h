#pragma once

#include "platform/Bundle.h"
#include "screens/settings/SettingsContent.h"
#include "screens/shared/ScreenLayout.h"

#include <QString>

#include <optional>

class QCheckBox;
class QLabel;

namespace marlox::catalog {
class AppSettingsStore;
class CatalogService;
class InstalledPackageStore;
} // namespace marlox::catalog

namespace marlox::install {
class InstallationCoordinator;
class InstallTargetAccessService;
class MotionTemplatesAccessService;
} // namespace marlox::install

namespace marlox::platform {
class Workspace;
}

namespace marlox::ui {
class ActivitySpinner;
class AppAlert;
class AppPillButton;
class AppPillLabel;
} // namespace marlox::ui

namespace marlox::screens {

class AppUpdateService;
class CacheClearer;

// The Settings screen: general information, launch at login and quit on close, the application
// and plug-in update checks, the two install folders and the maintenance actions, as titled cards
// in one scrolling column. It keeps only the plug-in check of this visit and the message of its
// own "Operation Failed" alert; everything else it reads from the services on every change.
class SettingsView final : public SectionScreen {
    Q_OBJECT

public:
    // The coordinator is read only to hold "Clear Cache" back while an operation runs, and the
    // cache clearer clears; the workspace opens the support and log folders; the version and
    // name shown are the bundle's.
    SettingsView(const platform::Bundle& mainBundle, catalog::AppSettingsStore& settingsStore,
                 catalog::CatalogService& catalogService, AppUpdateService& appUpdateService,
                 install::InstallTargetAccessService& installTargetAccessService,
                 install::MotionTemplatesAccessService& motionTemplatesAccessService,
                 catalog::InstalledPackageStore& installedStore,
                 install::InstallationCoordinator& installationCoordinator,
                 CacheClearer& cacheClearer, platform::Workspace& workspace,
                 QWidget* parent = nullptr);

    // What the screen shows now.
    const SettingsContent& content() const { return m_content; }
    const PluginCheckState& pluginCheck() const { return m_pluginCheck; }
    // The error of a folder button while its alert is up.
    const std::optional<QString>& presentedErrorMessage() const { return m_presentedErrorMessage; }

protected:
    // Each time the screen is shown, both folders are looked at again.
    void showEvent(QShowEvent* event) override;

private:
    void buildCards();
    void connectServices();
    SettingsInputs inputs() const;
    void refresh();

    void checkPluginUpdates();
    void openInstallFolder();
    void openTemplatesFolder();
    void clearCacheWhenIdle();
    void presentError(const QString& message);

    const platform::Bundle m_mainBundle;
    catalog::AppSettingsStore& m_settingsStore;
    catalog::CatalogService& m_catalogService;
    AppUpdateService& m_appUpdateService;
    install::InstallTargetAccessService& m_installTargetAccessService;
    install::MotionTemplatesAccessService& m_motionTemplatesAccessService;
    catalog::InstalledPackageStore& m_installedStore;
    install::InstallationCoordinator& m_installationCoordinator;
    CacheClearer& m_cacheClearer;
    platform::Workspace& m_workspace;

    PluginCheckState m_pluginCheck;
    std::optional<QString> m_presentedErrorMessage;
    SettingsContent m_content;

    QLabel* m_appVersion = nullptr;
    QLabel* m_catalogError = nullptr;
    QCheckBox* m_launchAtLogin = nullptr;
    QLabel* m_launchAtLoginDescription = nullptr;
    QCheckBox* m_quitOnClose = nullptr;
    QLabel* m_launchAtLoginAvailability = nullptr;
    QLabel* m_launchAtLoginError = nullptr;
    QWidget* m_availableVersionRow = nullptr;
    QLabel* m_availableVersion = nullptr;
    QLabel* m_appUpdateError = nullptr;
    ui::AppPillButton* m_checkPluginUpdates = nullptr;
    ui::ActivitySpinner* m_checkProgress = nullptr;
    QLabel* m_availableUpdates = nullptr;
    QWidget* m_lastCheckedRow = nullptr;
    QLabel* m_lastChecked = nullptr;
    QLabel* m_lastCheckMessage = nullptr;
    ui::AppPillLabel* m_installFolderStatus = nullptr;
    QLabel* m_installFolderPath = nullptr;
    QLabel* m_installFolderNote = nullptr;
    ui::AppPillLabel* m_templatesFolderStatus = nullptr;
    QLabel* m_templatesFolderPath = nullptr;
    QLabel* m_templatesFolderNote = nullptr;
    ui::AppPillButton* m_clearCache = nullptr;
    // Made on the first folder error and kept for later ones.
    ui::AppAlert* m_alert = nullptr;
};

} // namespace marlox::screens
