#include "app/FolderAccessOverlay.h"

#include "app/WindowLayers.h"
#include "catalog/Environment.h"
#include "install/InstallTargetAccessService.h"
#include "install/InstallationCoordinator.h"
#include "install/MotionTemplatesAccessService.h"
#include "ui/kit/AppControls.h"
#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"
#include "ui/kit/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace marlox::app {

// One folder's row: a status tile, the title and subtitle, and "Granted" or "Allow Access".
class FolderAccessRowView final : public ui::RoundedPanel {
public:
    FolderAccessRowView(const FolderAccessRow& row, const QString& name, QWidget* parent)
        : ui::RoundedPanel(18, ui::withOpacity(Qt::white, 0.04), {}, 0, parent),
          m_tile(new ui::RoundedPanel(12, QColor(), QColor(), 0, this)),
          m_symbol(new ui::SymbolIcon({}, 18, {}, QFont::DemiBold, m_tile)),
          m_granted(
              new ui::AppCapsuleLabel(overlayText::granted,
                                      {ui::appFont(12, QFont::DemiBold), ui::SystemColor::green(),
                                       ui::withOpacity(ui::SystemColor::green(), 0.14), 12, 8},
                                      this)),
          m_allowAccess(new ui::AppButton(overlayText::allowAccess,
                                          ui::AppButton::Look::borderedProminent,
                                          ui::AppControlSize::regular, this)) {
        setObjectName(name + QStringLiteral("Row"));
        m_granted->setObjectName(name + QStringLiteral("GrantedPill"));
        m_allowAccess->setObjectName(name + QStringLiteral("AllowAccessButton"));

        m_tile->setFixedSize(44, 44);
        auto* tileLayout = new QHBoxLayout(m_tile);
        tileLayout->setContentsMargins(0, 0, 0, 0);
        tileLayout->addWidget(m_symbol, 0, Qt::AlignCenter);

        auto* texts = new QVBoxLayout;
        texts->setSpacing(4);
        texts->addWidget(ui::plainLabel(row.title, 15, QFont::DemiBold,
                                        ui::AppPalette::textPrimary(), false, this));
        texts->addWidget(ui::plainLabel(row.subtitle, 12, QFont::Normal,
                                        ui::AppPalette::textSecondary(), true, this));

        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(16, 14, 16, 14);
        layout->setSpacing(14);
        layout->addWidget(m_tile, 0, Qt::AlignVCenter);
        layout->addLayout(texts, 1);
        layout->addWidget(m_granted, 0, Qt::AlignVCenter);
        layout->addWidget(m_allowAccess, 0, Qt::AlignVCenter);
        setGranted(row.granted);
    }

    QAbstractButton* allowAccessButton() const { return m_allowAccess; }

    void setGranted(bool granted) {
        m_tile->setFill(granted ? ui::withOpacity(ui::SystemColor::green(), 0.18)
                                : ui::withOpacity(Qt::white, 0.06));
        m_symbol->setName(granted ? QStringLiteral("checkmark.circle.fill")
                                  : QStringLiteral("folder.badge.plus"));
        m_symbol->setColor(granted ? ui::SystemColor::green() : ui::AppPalette::textPrimary());
        m_granted->setVisible(granted);
        m_allowAccess->setVisible(!granted);
    }

private:
    ui::RoundedPanel* m_tile;
    ui::SymbolIcon* m_symbol;
    ui::AppCapsuleLabel* m_granted;
    ui::AppButton* m_allowAccess;
};

FolderAccessOverlay::FolderAccessOverlay(
    install::InstallationCoordinator& coordinator,
    install::InstallTargetAccessService& installTargetAccessService,
    install::MotionTemplatesAccessService& motionTemplatesAccessService, QWidget* parent)
    : BlockingOverlay(level, cardWidth, 20, parent), m_coordinator(coordinator),
      m_installTargetAccessService(installTargetAccessService),
      m_motionTemplatesAccessService(motionTemplatesAccessService) {
    setObjectName(QStringLiteral("folderAccessOverlay"));
    QBoxLayout* heading = addHeading(overlayText::folderAccessTitle,
                                     folderAccessExplanation(catalog::appDisplayName()));
    m_pendingInstall =
        ui::plainLabel({}, 12, QFont::DemiBold, ui::AppPalette::accent(), false, card());
    m_pendingInstall->setObjectName(QStringLiteral("pendingInstallLine"));
    heading->addWidget(m_pendingInstall);

    const QList<FolderAccessRow> rows = folderAccessRows(
        install::FolderAccessState::needsAccess, install::FolderAccessState::needsAccess, true);
    m_installFolderRow =
        new FolderAccessRowView(rows.at(0), QStringLiteral("installFolder"), card());
    m_motionTemplatesRow =
        new FolderAccessRowView(rows.at(1), QStringLiteral("motionTemplates"), card());
    auto* rowStack = new QVBoxLayout;
    rowStack->setSpacing(12);
    rowStack->addWidget(m_installFolderRow);
    rowStack->addWidget(m_motionTemplatesRow);
    cardLayout()->addLayout(rowStack);
    connect(m_installFolderRow->allowAccessButton(), &QAbstractButton::clicked, this,
            [this] { allowAccess(TargetFolder::installFolder); });
    connect(m_motionTemplatesRow->allowAccessButton(), &QAbstractButton::clicked, this,
            [this] { allowAccess(TargetFolder::motionTemplates); });

    m_cardError = ui::plainLabel({}, 12, QFont::Normal, ui::AppPalette::danger(), true, card());
    m_cardError->setObjectName(QStringLiteral("folderAccessError"));
    cardLayout()->addWidget(m_cardError);

    auto* notNow = new ui::AppButton(overlayText::notNow, ui::AppButton::Look::bordered,
                                     ui::AppControlSize::large, card());
    notNow->setObjectName(QStringLiteral("notNowButton"));
    connect(notNow, &QAbstractButton::clicked, this,
            [this] { m_coordinator.clearPendingPermission(); });
    addButtonBar(notNow);
    setInitialFocus(notNow);

    using install::InstallationCoordinator;
    connect(&coordinator, &InstallationCoordinator::pendingPermissionPackageChanged, this,
            &FolderAccessOverlay::refresh);
    connect(&coordinator, &InstallationCoordinator::pendingPermissionNeedsTemplatesAccessChanged,
            this, &FolderAccessOverlay::refresh);
    connect(&installTargetAccessService, &install::FolderAccessService::accessStateChanged, this,
            &FolderAccessOverlay::refresh);
    connect(&motionTemplatesAccessService, &install::FolderAccessService::accessStateChanged, this,
            &FolderAccessOverlay::refresh);
    refresh();
}

void FolderAccessOverlay::refresh() {
    const auto& package = m_coordinator.pendingPermissionPackage();
    const std::optional<QString> packageID =
        package ? std::optional<QString>(package->id) : std::nullopt;
    if (packageID != m_shownPackageID) {
        m_cardErrorMessage.reset();
        m_shownPackageID = packageID;
    }
    const bool appearing = package && !isPresented();

    m_pendingInstall->setText(pendingInstallLine(package).value_or(QString()));
    m_pendingInstall->setVisible(package.has_value());
    const QList<FolderAccessRow> rows = folderAccessRows(
        m_installTargetAccessService.accessState(), m_motionTemplatesAccessService.accessState(),
        m_coordinator.pendingPermissionNeedsTemplatesAccess());
    m_installFolderRow->setGranted(rows.at(0).granted);
    m_motionTemplatesRow->setVisible(rows.size() > 1);
    if (rows.size() > 1) {
        m_motionTemplatesRow->setGranted(rows.at(1).granted);
    }
    m_cardError->setText(m_cardErrorMessage.value_or(QString()));
    m_cardError->setVisible(m_cardErrorMessage.has_value());

    setPresented(windowLayers(m_coordinator.presentedErrorMessage(),
                              m_coordinator.blockingHostNames(), package.has_value())
                     .showsFolderAccessOverlay);
    if (appearing) {
        // Asked after this turn: the coordinator is still inside the change that made the card
        // appear, and the answer changes the very fields it is setting.
        QTimer::singleShot(0, this, &FolderAccessOverlay::refreshAfterAppearing);
    }
}

void FolderAccessOverlay::refreshAfterAppearing() {
    if (const auto package = m_coordinator.pendingPermissionPackage()) {
        m_coordinator.refreshPendingPermission(*package);
    }
}

void FolderAccessOverlay::allowAccess(TargetFolder folder) {
    if (const std::optional<QString> error = prepareFolder(folder)) {
        if (folderAccessErrorPlace(m_coordinator.blockingHostNames()) ==
            FolderAccessErrorPlace::operationAlert) {
            m_cardErrorMessage.reset();
            m_coordinator.setPresentedErrorMessage(*error);
        } else {
            m_cardErrorMessage = *error;
        }
        refresh();
        return;
    }
    m_cardErrorMessage.reset();
    m_coordinator.resumePendingInstall();
    refresh();
}

std::optional<QString> FolderAccessOverlay::prepareFolder(TargetFolder folder) {
    if (folder == TargetFolder::installFolder) {
        const auto resolved = m_installTargetAccessService.resolveInstallTarget();
        return resolved ? std::nullopt : std::optional(resolved.error().description());
    }
    const auto resolved = m_motionTemplatesAccessService.resolveTemplatesRoot();
    return resolved ? std::nullopt : std::optional(resolved.error().description());
}

} // namespace marlox::app
