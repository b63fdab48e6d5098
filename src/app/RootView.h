#pragma once

#include "app/AppSection.h"

#include <QMainWindow>

#include <optional>

class QMessageBox;

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

namespace marlox::app {

class SidebarUIState;

// The services a main window shows and hands on to its screens; the application owns them.
struct RootViewServices {
    catalog::AppSettingsStore& settingsStore;
    catalog::CatalogService& catalogService;
    install::InstallTargetAccessService& installTargetAccessService;
    install::MotionTemplatesAccessService& motionTemplatesAccessService;
    catalog::InstalledPackageStore& installedStore;
    install::InstallationCoordinator& installationCoordinator;
    SidebarUIState& sidebarUIState;
    platform::Workspace& workspace;
};

// The main window: the sidebar beside the detail pane, which shows the selected section's screen.
class RootView final : public QMainWindow {
    Q_OBJECT

public:
    explicit RootView(RootViewServices services, QWidget* parent = nullptr);
    ~RootView() override;

    AppSection selectedSection() const { return m_selectedSection; }
    // Builds the section's screen afresh, also when it is already shown.
    void selectSection(AppSection section);
    // The Home screen's navigation: one of the six raw values selects that section; any other
    // text changes nothing.
    void navigate(const QString& rawSection);

    // The screen the detail pane shows now.
    QWidget* detailScreen() const { return m_detailScreen; }
    // The "Operation Failed" alert while it shows.
    QMessageBox* operationAlert() const { return m_operationAlert; }

signals:
    void selectedSectionChanged();
    // "New Window" (Ctrl+N): the application opens another window over the same services.
    void newWindowRequested();
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showDetailScreen();
    QWidget* makeScreen(AppSection section);
    void refreshLayers();
    void presentOperationAlert(const QString& message);
    void closeOperationAlert();

    RootViewServices m_services;
    AppSection m_selectedSection = AppSection::home;
    std::optional<AppSection> m_hoveredSection;
    QWidget* m_detailPane = nullptr;
    QWidget* m_detailScreen = nullptr;
    QMessageBox* m_operationAlert = nullptr;
};

} // namespace marlox::app
