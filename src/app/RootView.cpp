#include "RootView.h"

#include "app/DetailHeaderActions.h"
#include "app/FolderAccessOverlay.h"
#include "app/HostApplicationOverlay.h"
#include "app/PackageLists.h"
#include "app/Sidebar.h"
#include "app/SidebarUIState.h"
#include "app/WindowLayers.h"
#include "catalog/AppSettingsStore.h"
#include "catalog/CatalogService.h"
#include "catalog/Environment.h"
#include "catalog/InstalledPackageStore.h"
#include "install/InstallationCoordinator.h"
#include "platform/UserDefaults.h"
#include "screens/appupdate/AppUpdateService.h"
#include "screens/settings/SettingsView.h"
#include "screens/support/SupportView.h"
#include "screens/updates/UpdatesView.h"
#include "ui/home/HomeView.h"
#include "ui/installed/InstalledRows.h"
#include "ui/installed/InstalledView.h"
#include "ui/kit/AppAlert.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/plugins/LibraryView.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace marlox::app {
namespace {

constexpr QSize minimumWindowSize(1100, 700);
constexpr int toolbarSymbolSize = 18;

// Layers that each fill the whole widget, stacked in the order they were added: the split view
// first, then the screens' sheets (ui::SheetLayer) and the blocking overlays above it.
class LayerStack final : public QWidget {
public:
    using QWidget::QWidget;

    void addLayer(QWidget* layer) {
        layer->setParent(this);
        layer->setGeometry(rect());
        layer->raise();
    }

protected:
    void resizeEvent(QResizeEvent*) override {
        for (auto* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            child->setGeometry(rect());
        }
    }
};

// The symbol drawn by the vector library, sharp on the window's screen.
QIcon symbolIcon(const QString& name, qreal devicePixelRatio) {
    const int side = qRound(toolbarSymbolSize * devicePixelRatio);
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    ui::drawSymbol(painter, QRectF(0, 0, toolbarSymbolSize, toolbarSymbolSize), name,
                   ui::AppPalette::textSecondary());
    return QIcon(pixmap);
}

} // namespace

DetailHeader::DetailHeader(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("detailHeader"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 14, 20, 14);
    layout->setSpacing(8);
    auto* row = new QHBoxLayout;
    auto* titleGroup = new QHBoxLayout;
    titleGroup->setSpacing(10);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("detailHeaderTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFont(ui::appFont(33, QFont::DemiBold));
    titleGroup->addWidget(m_title, 0, Qt::AlignVCenter);
    m_installedCount = new ui::AppCountBadge({}, ui::AppPillTone::success, this);
    m_installedCount->setObjectName(QStringLiteral("installedCountBadge"));
    titleGroup->addWidget(m_installedCount, 0, Qt::AlignVCenter);
    row->addLayout(titleGroup);
    row->addStretch(1);
    auto* actionsHolder = new QVBoxLayout;
    actionsHolder->setContentsMargins(0, 0, 0, 0);
    m_headerActions = new DetailHeaderActions(this);
    actionsHolder->addWidget(m_headerActions, 0, Qt::AlignVCenter);
    row->addLayout(actionsHolder);
    layout->addLayout(row);
    m_progressRow = new ReinstallProgressRow(this);
    layout->addWidget(m_progressRow);
    showContent({}, false);
}

void DetailHeader::showSection(AppSection section) {
    m_title->setText(title(section));
}

void DetailHeader::showContent(const DetailHeaderContent& content, bool showAllDetails) {
    m_installedCount->setVisible(content.installedCount.has_value());
    m_installedCount->setTitle(content.installedCount.value_or(QString()));
    m_headerActions->showContent(content, showAllDetails);
    m_progressRow->showProgress(content.progress);
}

void DetailHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ui::AppPalette::canvas());
    painter.fillRect(QRect(0, height() - 1, width(), 1), ui::AppPalette::hairline());
}

RootView::RootView(RootViewServices services, QWidget* parent)
    : QMainWindow(parent), m_services(services) {
    setObjectName(QStringLiteral("rootView"));
    setWindowTitle(catalog::appDisplayName(m_services.mainBundle));
    setMinimumSize(minimumWindowSize);
    makeToolBar();
    auto* layers = new LayerStack(this);
    layers->setObjectName(QStringLiteral("windowLayers"));
    layers->addLayer(makeMainLayer());
    // The blocking cards above the split view. Each shows and hides itself from the coordinator's
    // fields and keeps itself over the stack, so it is not handed to addLayer(), which would hide
    // a card that shows from the start.
    new HostApplicationOverlay(m_services.installationCoordinator, m_services.applicationIcons,
                               layers);
    new FolderAccessOverlay(m_services.installationCoordinator,
                            m_services.installTargetAccessService,
                            m_services.motionTemplatesAccessService, layers);
    setCentralWidget(layers);

    auto* newWindow = new QAction(QStringLiteral("New Window"), this);
    newWindow->setObjectName(QStringLiteral("newWindowAction"));
    newWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    newWindow->setShortcutContext(Qt::WindowShortcut);
    connect(newWindow, &QAction::triggered, this, &RootView::newWindowRequested);
    addAction(newWindow);
    auto* quit =
        new QAction(QStringLiteral("Quit ") + catalog::appDisplayName(m_services.mainBundle), this);
    quit->setObjectName(QStringLiteral("quitAction"));
    // Written out: the desktop-dependent QKeySequence::Quit is empty on some desktops.
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::WindowShortcut);
    connect(quit, &QAction::triggered, this, &RootView::quitRequested);
    addAction(quit);

    connectServices();
    showDetailScreen();
    refreshSidebar();
    refreshSidebarToggle();
    refreshLayers();
}

RootView::~RootView() = default;

QWidget* RootView::makeMainLayer() {
    auto* split = new QWidget;
    split->setObjectName(QStringLiteral("mainLayer"));
    // The divider between the panes is translucent; it needs the window's colour below it.
    split->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(split);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_sidebar = new Sidebar(m_services.mainBundle, split);
    connect(m_sidebar, &Sidebar::sectionSelected, this, &RootView::selectSection);
    connect(m_sidebar, &Sidebar::rowHoverEntered, this, [this](AppSection section) {
        m_hoveredSection = section;
        refreshSidebar();
    });
    connect(m_sidebar, &Sidebar::rowHoverExited, this, &RootView::rowHoverExited);
    connect(m_sidebar, &Sidebar::updateCheckRequested, this,
            [this] { m_services.appUpdateService.checkForUpdates(); });
    connect(m_sidebar, &Sidebar::updateDismissed, this,
            [this] { m_services.appUpdateService.dismissAvailableUpdate(); });
    layout->addWidget(m_sidebar);
    auto* divider = new QWidget(split);
    divider->setFixedWidth(1);
    divider->setAutoFillBackground(true);
    QPalette dividerPalette = divider->palette();
    dividerPalette.setColor(QPalette::Window, ui::AppPalette::hairline());
    divider->setPalette(dividerPalette);
    layout->addWidget(divider);

    auto* detailPane = new QWidget(split);
    detailPane->setObjectName(QStringLiteral("detailPane"));
    detailPane->setAutoFillBackground(true);
    QPalette detailPalette = detailPane->palette();
    detailPalette.setColor(QPalette::Window, ui::AppPalette::canvas());
    detailPane->setPalette(detailPalette);
    m_detailLayout = new QVBoxLayout(detailPane);
    m_detailLayout->setContentsMargins(0, 0, 0, 0);
    m_detailLayout->setSpacing(0);
    m_detailHeader = new DetailHeader(detailPane);
    m_detailLayout->addWidget(m_detailHeader);
    DetailHeaderActions* actions = m_detailHeader->actions();
    connect(actions, &DetailHeaderActions::updatesShortcutClicked, this,
            [this] { selectSection(AppSection::updates); });
    connect(actions, &DetailHeaderActions::reinstallAllRequested, this,
            [this] { m_services.installationCoordinator.installAll(reinstallCandidates()); });
    connect(actions, &DetailHeaderActions::showAllDetailsToggled, this, [this](bool on) {
        m_services.settingsStore.defaults().setValue(ui::installedText::showAllDetailsKey, on);
    });
    layout->addWidget(detailPane, 1);
    return split;
}

void RootView::makeToolBar() {
    auto* toolbar = addToolBar(QStringLiteral("Sidebar"));
    toolbar->setObjectName(QStringLiteral("mainToolBar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    toolbar->setStyleSheet(
        QStringLiteral("QToolBar { background: %1; border: none; padding: 6px 10px; }")
            .arg(ui::AppPalette::canvas().name()));
    m_sidebarToggle = new QToolButton(toolbar);
    m_sidebarToggle->setObjectName(QStringLiteral("sidebarToggle"));
    m_sidebarToggle->setAutoRaise(true);
    m_sidebarToggle->setIconSize(QSize(toolbarSymbolSize, toolbarSymbolSize));
    connect(m_sidebarToggle, &QToolButton::clicked, this, [this] {
        auto& sidebarState = m_services.sidebarUIState;
        sidebarState.setCollapsed(!sidebarState.isCollapsed());
    });
    toolbar->addWidget(m_sidebarToggle);
}

void RootView::connectServices() {
    connect(&m_services.catalogService, &catalog::CatalogService::packagesChanged, this, [this] {
        refreshSidebar();
        refreshDetailHeader();
    });
    connect(&m_services.installedStore, &catalog::InstalledPackageStore::installedByIDChanged, this,
            [this] {
                refreshSidebar();
                refreshDetailHeader();
            });
    connect(&m_services.settingsStore.defaults(), &platform::UserDefaults::valueChanged, this,
            [this](const QString& key) {
                if (key == ui::installedText::showAllDetailsKey) {
                    refreshDetailHeader();
                }
            });
    connect(&m_services.appUpdateService, &screens::AppUpdateService::availableUpdateChanged, this,
            &RootView::refreshSidebar);
    connect(&m_services.appUpdateService,
            &screens::AppUpdateService::shouldShowAvailableUpdateChanged, this,
            &RootView::refreshSidebar);
    connect(&m_services.sidebarUIState, &SidebarUIState::isCollapsedChanged, this, [this] {
        refreshSidebar();
        refreshSidebarToggle();
    });

    auto& coordinator = m_services.installationCoordinator;
    connect(&coordinator, &install::InstallationCoordinator::presentedErrorMessageChanged, this,
            &RootView::refreshLayers);
    connect(&coordinator, &install::InstallationCoordinator::blockingHostNamesChanged, this,
            &RootView::refreshLayers);
    connect(&coordinator, &install::InstallationCoordinator::pendingPermissionPackageChanged, this,
            &RootView::refreshLayers);
    connect(&coordinator, &install::InstallationCoordinator::activePackageIDsChanged, this,
            &RootView::refreshDetailHeader);
    connect(&coordinator, &install::InstallationCoordinator::bulkInstallProgressChanged, this,
            &RootView::refreshDetailHeader);
}

QList<catalog::PackageManifest> RootView::packagesWithUpdates() const {
    return app::packagesWithUpdates(m_services.catalogService.packages(),
                                    m_services.installedStore.installedByID());
}

QList<catalog::PackageManifest> RootView::reinstallCandidates() const {
    return app::reinstallCandidates(m_services.catalogService.packages(),
                                    m_services.installedStore.installedByID());
}

void RootView::selectSection(AppSection section) {
    // Choosing the section already shown keeps its screen and whatever the user typed in it.
    if (section == m_selectedSection) {
        return;
    }
    m_selectedSection = section;
    showDetailScreen();
    refreshSidebar();
    emit selectedSectionChanged();
}

void RootView::navigate(const QString& rawSection) {
    if (const auto section = appSectionFromRawValue(rawSection)) {
        selectSection(*section);
    }
}

void RootView::rowHoverExited(AppSection section) {
    m_hoveredSection = hoveredAfterExit(m_hoveredSection, section);
    refreshSidebar();
}

const PackageListCounts& RootView::packageCounts() {
    return m_packageCounts.get(m_services.catalogService.packages(),
                               m_services.installedStore.installedByID(), packageListCounts);
}

void RootView::refreshSidebar() {
    const auto& updates = m_services.appUpdateService;
    m_sidebar->showState({
        .selected = m_selectedSection,
        .hovered = m_hoveredSection,
        .isCollapsed = m_services.sidebarUIState.isCollapsed(),
        .updateCount = packageCounts().packagesWithUpdates,
        .showsAvailableUpdate = updates.shouldShowAvailableUpdate(),
        .availableUpdate = updates.availableUpdate(),
    });
}

void RootView::refreshSidebarToggle() {
    const SidebarToggle toggle = sidebarToggle(m_services.sidebarUIState.isCollapsed());
    m_sidebarToggle->setIcon(symbolIcon(toggle.symbolName, devicePixelRatioF()));
    m_sidebarToggle->setToolTip(toggle.tooltip);
    m_sidebarToggle->setAccessibleName(toggle.tooltip);
}

void RootView::refreshDetailHeader() {
    const auto& coordinator = m_services.installationCoordinator;
    const DetailHeaderState state{
        .installedSection = m_selectedSection == AppSection::installed,
        .installedRecordCount = m_services.installedStore.installedByID().size(),
        .packagesWithUpdatesCount = packageCounts().packagesWithUpdates,
        .reinstallCandidatesCount = packageCounts().reinstallCandidates,
        .anyPackageActive = !coordinator.activePackageIDs().isEmpty(),
        .bulkInstallProgress = coordinator.bulkInstallProgress(),
    };
    m_detailHeader->showContent(
        detailHeaderContent(state),
        m_services.settingsStore.defaults().boolean(ui::installedText::showAllDetailsKey));
}

void RootView::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        emit closed();
    }
}

void RootView::showDetailScreen() {
    if (m_detailScreen != nullptr) {
        // Later, not now: the screen may be the one whose button asked for another section.
        m_detailScreen->hide();
        m_detailLayout->removeWidget(m_detailScreen);
        m_detailScreen->deleteLater();
    }
    m_detailHeader->setVisible(hasDetailHeader(m_selectedSection));
    m_detailHeader->showSection(m_selectedSection);
    refreshDetailHeader();
    m_detailScreen = makeScreen(m_selectedSection);
    m_detailLayout->addWidget(m_detailScreen, 1);
}

QWidget* RootView::makeScreen(AppSection section) {
    auto& services = m_services;
    switch (section) {
    case AppSection::home:
        return new ui::HomeView(services.catalogService, services.installedStore,
                                services.thumbnailCache, m_homeSummary,
                                [this](const QString& rawSection) { navigate(rawSection); });
    case AppSection::plugins:
        return new ui::LibraryView(services.settingsStore, services.catalogService,
                                   services.installedStore, services.installationCoordinator,
                                   services.thumbnailCache);
    case AppSection::updates:
        return new screens::UpdatesView(services.catalogService, services.installedStore,
                                        services.installationCoordinator, services.thumbnailCache);
    case AppSection::installed:
        return new ui::InstalledView(services.catalogService, services.installedStore,
                                     services.installationCoordinator, services.settingsStore,
                                     services.workspace, services.thumbnailCache);
    case AppSection::support:
        return new screens::SupportView(
            services.catalogService, services.installedStore, services.mainBundle,
            {services.workspace, services.mailComposer, services.clipboard, services.fileChooser,
             services.systemInformation});
    case AppSection::settings:
        return new screens::SettingsView(
            services.mainBundle, services.settingsStore, services.catalogService,
            services.appUpdateService, services.installTargetAccessService,
            services.motionTemplatesAccessService, services.installedStore,
            services.installationCoordinator, services.cacheClearer, services.workspace);
    }
    Q_UNREACHABLE();
}

void RootView::refreshLayers() {
    const auto& coordinator = m_services.installationCoordinator;
    const WindowLayers layers =
        windowLayers(coordinator.presentedErrorMessage(), coordinator.blockingHostNames(),
                     coordinator.pendingPermissionPackage().has_value());
    if (layers.showsOperationAlert) {
        presentOperationAlert(operationAlertMessage(coordinator.presentedErrorMessage()));
    } else {
        closeOperationAlert();
    }
}

void RootView::presentOperationAlert(const QString& message) {
    const bool opening = m_operationAlert == nullptr;
    if (opening) {
        m_operationAlert = new ui::AppAlert(operationAlertTitle, ui::AppAlert::Icon::warning, this);
        m_operationAlert->setObjectName(QStringLiteral("operationAlert"));
        m_operationAlert->setAttribute(Qt::WA_DeleteOnClose);
        m_operationAlert->okButton()->setObjectName(QStringLiteral("operationAlertOK"));
        // However the alert goes (OK, Escape, the close button), the error goes with it.
        connect(m_operationAlert, &QDialog::finished, this, [this] {
            m_operationAlert = nullptr;
            m_services.installationCoordinator.dismissPresentedError();
        });
    }
    m_operationAlert->setMessage(message);
    if (opening) {
        m_operationAlert->open();
    }
}

void RootView::closeOperationAlert() {
    if (m_operationAlert == nullptr) {
        return;
    }
    // The coordinator changed its fields itself; there is nothing left to dismiss.
    ui::AppAlert* alert = std::exchange(m_operationAlert, nullptr);
    disconnect(alert, &QDialog::finished, this, nullptr);
    alert->close();
}

} // namespace marlox::app
