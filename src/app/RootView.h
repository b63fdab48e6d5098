#pragma once

#include "app/AppSection.h"
#include "app/DetailHeaderContent.h"
#include "app/PackageLists.h"
#include "catalog/CatalogManifest.h"
#include "ui/home/HomeDashboard.h"

#include <QList>
#include <QMainWindow>

#include <optional>

class QLabel;
class QToolButton;
class QVBoxLayout;

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
class ApplicationIcons;
class Bundle;
class Clipboard;
class FileChooser;
class MailComposer;
class SystemInformation;
class Workspace;
} // namespace marlox::platform

namespace marlox::screens {
class AppUpdateService;
class CacheClearer;
} // namespace marlox::screens

namespace marlox::ui {
class AppAlert;
class AppCountBadge;
class ThumbnailCache;
} // namespace marlox::ui

namespace marlox::app {

class DetailHeaderActions;
class ReinstallProgressRow;
class Sidebar;
class SidebarUIState;

// The services a main window shows and hands on to its screens; the application owns them.
struct RootViewServices {
    // The application's own bundle, whose name and version the window and screens show.
    const platform::Bundle& mainBundle;
    catalog::AppSettingsStore& settingsStore;
    catalog::CatalogService& catalogService;
    screens::AppUpdateService& appUpdateService;
    install::InstallTargetAccessService& installTargetAccessService;
    install::MotionTemplatesAccessService& motionTemplatesAccessService;
    catalog::InstalledPackageStore& installedStore;
    install::InstallationCoordinator& installationCoordinator;
    SidebarUIState& sidebarUIState;
    ui::ThumbnailCache& thumbnailCache;
    screens::CacheClearer& cacheClearer;
    platform::Workspace& workspace;
    platform::MailComposer& mailComposer;
    platform::Clipboard& clipboard;
    platform::FileChooser& fileChooser;
    const platform::SystemInformation& systemInformation;
    const platform::ApplicationIcons& applicationIcons;
};

// The bar at the top of the detail pane for the sections that do not draw their own top: the
// section's title, and the actions that concern all packages at its trailing end. In Installed
// the title carries the count of records and a row under it the progress of a bulk reinstall.
class DetailHeader final : public QWidget {
    Q_OBJECT

public:
    explicit DetailHeader(QWidget* parent = nullptr);

    void showSection(AppSection section);
    void showContent(const DetailHeaderContent& content, bool showAllDetails);
    DetailHeaderActions* actions() const { return m_headerActions; }
    ReinstallProgressRow* progressRow() const { return m_progressRow; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* m_title = nullptr;
    ui::AppCountBadge* m_installedCount = nullptr;
    DetailHeaderActions* m_headerActions = nullptr;
    ReinstallProgressRow* m_progressRow = nullptr;
};

// The main window: the sidebar beside the detail pane, which shows the selected section's
// screen, built afresh each time another section is selected; the toolbar button that collapses
// the sidebar; and the "Operation Failed" alert over the coordinator's errors. Its own state is
// the selected and the hovered section; everything else it reads from the services.
class RootView final : public QMainWindow {
    Q_OBJECT

public:
    explicit RootView(RootViewServices services, QWidget* parent = nullptr);
    ~RootView() override;

    AppSection selectedSection() const { return m_selectedSection; }
    std::optional<AppSection> hoveredSection() const { return m_hoveredSection; }
    // Builds a new section's screen afresh; the section already shown keeps its screen.
    void selectSection(AppSection section);
    // The Home screen's navigation: one of the six raw values selects that section; any other
    // text changes nothing.
    void navigate(const QString& rawSection);

    // Derived anew on every use from the catalog and the installed records.
    QList<catalog::PackageManifest> packagesWithUpdates() const;
    QList<catalog::PackageManifest> reinstallCandidates() const;

    Sidebar* sidebar() const { return m_sidebar; }
    DetailHeader* detailHeader() const { return m_detailHeader; }
    // The screen the detail pane shows now.
    QWidget* detailScreen() const { return m_detailScreen; }
    // The "Operation Failed" alert while it shows.
    ui::AppAlert* operationAlert() const { return m_operationAlert; }

signals:
    void selectedSectionChanged();
    // "New Window" (Ctrl+N): the application opens another window over the same services.
    void newWindowRequested();
    // "Quit" (Ctrl+Q): an explicit quit ends the application whatever the setting says.
    void quitRequested();
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* makeMainLayer();
    void makeToolBar();
    void connectServices();
    const PackageListCounts& packageCounts();
    void refreshSidebar();
    void refreshSidebarToggle();
    void refreshDetailHeader();
    void rowHoverExited(AppSection section);
    void showDetailScreen();
    QWidget* makeScreen(AppSection section);
    void refreshLayers();
    void presentOperationAlert(const QString& message);
    void closeOperationAlert();

    RootViewServices m_services;
    AppSection m_selectedSection = AppSection::home;
    std::optional<AppSection> m_hoveredSection;
    QToolButton* m_sidebarToggle = nullptr;
    Sidebar* m_sidebar = nullptr;
    QVBoxLayout* m_detailLayout = nullptr;
    DetailHeader* m_detailHeader = nullptr;
    QWidget* m_detailScreen = nullptr;
    ui::AppAlert* m_operationAlert = nullptr;
    // What the sidebar, the header and the Home screens show of the catalog and the records,
    // worked out once per change of either.
    PackageListCountsCache m_packageCounts;
    ui::HomeSummaryCache m_homeSummary;
};

} // namespace marlox::app
