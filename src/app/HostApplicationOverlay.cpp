#include "app/HostApplicationOverlay.h"

#include "app/BlockingOverlayRules.h"
#include "app/WindowLayers.h"
#include "catalog/Environment.h"
#include "install/InstallationCoordinator.h"
#include "platform/ApplicationIcons.h"
#include "ui/kit/AppControls.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"
#include "ui/kit/SymbolIcon.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace marlox::app {
namespace {

constexpr qreal iconCornerRadius = 8;

// An application's icon stretched over the square and clipped to its rounded corners.
class ApplicationIconView final : public QWidget {
public:
    ApplicationIconView(QIcon icon, int side, QWidget* parent)
        : QWidget(parent), m_icon(std::move(icon)) {
        setFixedSize(side, side);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setClipPath(ui::roundedRectPath(QRectF(rect()), iconCornerRadius));
        const QPixmap pixmap = m_icon.pixmap(size(), devicePixelRatioF());
        painter.drawPixmap(rect(), pixmap);
    }

private:
    QIcon m_icon;
};

} // namespace

HostApplicationOverlay::HostApplicationOverlay(install::InstallationCoordinator& coordinator,
                                               const platform::ApplicationIcons& applicationIcons,
                                               QWidget* parent)
    : BlockingOverlay(level, cardWidth, 18, parent), m_coordinator(coordinator),
      m_applicationIcons(applicationIcons) {
    setObjectName(QStringLiteral("hostApplicationOverlay"));
    addHeading(overlayText::hostApplicationTitle,
               hostApplicationExplanation(catalog::appDisplayName()));
    m_rows = new QVBoxLayout;
    m_rows->setSpacing(10);
    cardLayout()->addLayout(m_rows);
    auto* ok = new ui::AppButton(overlayText::ok, ui::AppButton::Look::borderedProminent,
                                 ui::AppControlSize::large, card());
    ok->setObjectName(QStringLiteral("hostApplicationOKButton"));
    connect(ok, &QAbstractButton::clicked, this, [this] { m_coordinator.dismissPresentedError(); });
    addButtonBar(ok);
    setInitialFocus(ok);

    connect(&coordinator, &install::InstallationCoordinator::presentedErrorMessageChanged, this,
            &HostApplicationOverlay::refresh);
    connect(&coordinator, &install::InstallationCoordinator::blockingHostNamesChanged, this,
            &HostApplicationOverlay::refresh);
    refresh();
}

void HostApplicationOverlay::refresh() {
    const bool presented =
        windowLayers(m_coordinator.presentedErrorMessage(), m_coordinator.blockingHostNames(),
                     m_coordinator.pendingPermissionPackage().has_value())
            .showsHostApplicationOverlay;
    if (presented) {
        showRows(m_coordinator.blockingHostNames());
    }
    setPresented(presented);
}

void HostApplicationOverlay::showRows(const QStringList& hostNames) {
    // The rows show what the coordinator found when it refused; nobody watches the hosts while
    // the card is up, so a host that quits keeps its row.
    if (hostNames == m_shownHostNames) {
        return;
    }
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const QString& hostName : hostNames) {
        m_rows->addWidget(makeRow(hostName));
    }
    m_shownHostNames = hostNames;
}

QWidget* HostApplicationOverlay::makeRow(const QString& hostName) {
    auto* row = new ui::RoundedPanel(16, ui::withOpacity(Qt::white, 0.04), {}, 0, card());
    row->setObjectName(QStringLiteral("hostRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(12);
    const QIcon icon = hostIcon(hostName);
    QWidget* iconView = nullptr;
    if (icon.isNull()) {
        iconView = new ui::SymbolIcon(QStringLiteral("app.fill"), iconSide,
                                      ui::AppPalette::textPrimary(), QFont::Normal, row);
        iconView->setObjectName(QStringLiteral("hostSymbol"));
    } else {
        iconView = new ApplicationIconView(icon, iconSide, row);
        iconView->setObjectName(QStringLiteral("hostIcon"));
    }
    layout->addWidget(iconView, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* name =
        ui::plainLabel(hostName, 15, QFont::DemiBold, ui::AppPalette::textPrimary(), false, row);
    name->setObjectName(QStringLiteral("hostName"));
    texts->addWidget(name);
    texts->addWidget(ui::plainLabel(overlayText::hostApplicationRowHint, 12, QFont::Normal,
                                    ui::AppPalette::textSecondary(), false, row));
    layout->addLayout(texts);
    layout->addStretch(1);
    return row;
}

QIcon HostApplicationOverlay::hostIcon(const QString& hostName) const {
    const std::optional<QString> bundleIdentifier = hostIconBundleIdentifier(hostName);
    if (!bundleIdentifier) {
        return {};
    }
    return m_applicationIcons.applicationIcon(*bundleIdentifier);
}

} // namespace marlox::app
