#include "RootView.h"

#include "app/WindowLayers.h"
#include "install/InstallationCoordinator.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace marlox::app {
namespace {

constexpr QSize minimumWindowSize(1100, 700);

} // namespace

RootView::RootView(RootViewServices services, QWidget* parent)
    : QMainWindow(parent), m_services(services) {
    setObjectName(QStringLiteral("rootView"));
    setMinimumSize(minimumWindowSize);
    auto* central = new QWidget(this);
    auto* split = new QHBoxLayout(central);
    split->setContentsMargins(0, 0, 0, 0);
    split->setSpacing(0);
    m_detailPane = new QWidget(central);
    m_detailPane->setObjectName(QStringLiteral("detailPane"));
    auto* detailLayout = new QVBoxLayout(m_detailPane);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    split->addWidget(m_detailPane, 1);
    setCentralWidget(central);

    auto* newWindow = new QAction(QStringLiteral("New Window"), this);
    newWindow->setObjectName(QStringLiteral("newWindowAction"));
    newWindow->setShortcut(QKeySequence::New);
    newWindow->setShortcutContext(Qt::WindowShortcut);
    connect(newWindow, &QAction::triggered, this, &RootView::newWindowRequested);
    addAction(newWindow);

    auto& coordinator = m_services.installationCoordinator;
    connect(&coordinator, &install::InstallationCoordinator::presentedErrorMessageChanged, this,
            &RootView::refreshLayers);
    connect(&coordinator, &install::InstallationCoordinator::blockingHostNamesChanged, this,
            &RootView::refreshLayers);
    connect(&coordinator, &install::InstallationCoordinator::pendingPermissionPackageChanged, this,
            &RootView::refreshLayers);
    showDetailScreen();
    refreshLayers();
}

RootView::~RootView() = default;

void RootView::selectSection(AppSection section) {
    const bool changed = section != m_selectedSection;
    m_selectedSection = section;
    showDetailScreen();
    if (changed) {
        emit selectedSectionChanged();
    }
}

void RootView::navigate(const QString& rawSection) {
    if (const auto section = appSectionFromRawValue(rawSection)) {
        selectSection(*section);
    }
}

void RootView::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        emit closed();
    }
}

void RootView::showDetailScreen() {
    delete m_detailScreen;
    m_detailScreen = makeScreen(m_selectedSection);
    m_detailPane->layout()->addWidget(m_detailScreen);
}

QWidget* RootView::makeScreen(AppSection section) {
    auto* placeholder = new QLabel(title(section), m_detailPane);
    placeholder->setObjectName(rawValue(section) + QLatin1String("Placeholder"));
    placeholder->setAlignment(Qt::AlignCenter);
    return placeholder;
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
        m_operationAlert = new QMessageBox(this);
        m_operationAlert->setObjectName(QStringLiteral("operationAlert"));
        m_operationAlert->setAttribute(Qt::WA_DeleteOnClose);
        m_operationAlert->setIcon(QMessageBox::Warning);
        m_operationAlert->setWindowTitle(operationAlertTitle);
        m_operationAlert->setText(operationAlertTitle);
        auto* ok = m_operationAlert->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
        ok->setObjectName(QStringLiteral("operationAlertOK"));
        // However the alert goes (OK, Escape, the close button), the error goes with it.
        connect(m_operationAlert, &QMessageBox::finished, this, [this] {
            m_operationAlert = nullptr;
            m_services.installationCoordinator.dismissPresentedError();
        });
    }
    m_operationAlert->setInformativeText(message);
    // Error texts carry paths and catalog names; none of it is markup.
    for (auto* label : m_operationAlert->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
    }
    if (opening) {
        m_operationAlert->open();
    }
}

void RootView::closeOperationAlert() {
    if (m_operationAlert == nullptr) {
        return;
    }
    // The coordinator changed its fields itself; there is nothing left to dismiss.
    QMessageBox* alert = std::exchange(m_operationAlert, nullptr);
    disconnect(alert, &QMessageBox::finished, this, nullptr);
    alert->close();
}

} // namespace marlox::app
