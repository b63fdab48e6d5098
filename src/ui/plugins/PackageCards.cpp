#include "ui/plugins/PackageCards.h"

#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/RoundedCorners.h"
#include "ui/kit/ScreenParts.h"
#include "ui/plugins/LibraryPresentation.h"
#include "ui/shared/PackageImageView.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace marlox::ui {
namespace {

QColor secondaryText() {
    return AppPalette::textSecondary();
}

// The area behind a tile's texts: the raised panel colour, its bottom corners rounded as the
// tile's.
class TileTextArea : public QWidget {
public:
    explicit TileTextArea(qreal radius) : m_radius(radius) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(roundedCornersPath(rect(), m_radius, RoundedCorners::bottom),
                         AppPalette::panelRaised());
    }

private:
    qreal m_radius;
};

constexpr qreal tileRadius = 13;

} // namespace

PackageTitleRow::PackageTitleRow(const QFont& nameFont, const QFont& versionFont, qreal spacing,
                                 int nameLines, QWidget* parent)
    : QWidget(parent), m_name(new FittingLabel(QString(), nameFont, Qt::white, nameLines)),
      m_version(new FittingLabel(QString(), versionFont, secondaryText(), 1)) {
    m_name->setObjectName(QStringLiteral("packageName"));
    m_version->setObjectName(QStringLiteral("packageVersion"));
    // The name asks for its whole line, so that it wraps, or gives way, only where it does not
    // fit beside the version; a long version gives way too, down to an equal share.
    m_name->setPreferredWidthLimit(QWIDGETSIZE_MAX);
    auto* layout = horizontalLayout(nullptr, static_cast<int>(spacing));
    setLayout(layout);
    addSharingRoom(layout, m_name);
    // Both first baselines on one line.
    addSharingRoom(layout, m_version, dropToFirstLine(*m_name, m_version->firstBaseline()));
    layout->addStretch();
}

void PackageTitleRow::setPackage(const catalog::PackageManifest& package) {
    m_name->setText(package.name);
    m_version->setText(QStringLiteral("v") + package.version);
}

PackageActionControl::PackageActionControl(AppPillSize size, QWidget* parent)
    : QWidget(parent),
      m_installedPill(new AppPillLabel(actionTitle(LibraryCardState::installed, false),
                                       AppPillTone::success, std::nullopt, size)),
      m_button(new AppPillButton(QString(), {AppPillTone::accent, size})) {
    m_installedPill->setObjectName(QStringLiteral("installedPill"));
    m_button->setObjectName(QStringLiteral("actionButton"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = horizontalLayout(nullptr, 0);
    setLayout(layout);
    layout->addWidget(m_installedPill);
    layout->addWidget(m_button);
    connect(m_button, &QAbstractButton::clicked, this, &PackageActionControl::installRequested);
    setValues(LibraryCardState::notInstalled, false);
}

void PackageActionControl::setValues(LibraryCardState state, bool isInstalling) {
    const bool installed = state == LibraryCardState::installed;
    m_installedPill->setVisible(installed);
    m_button->setVisible(!installed);
    m_button->setText(actionTitle(state, isInstalling));
    m_button->setEnabled(!isInstalling);
    m_button->updateGeometry();
}

PackageCard::PackageCard(PackageImageView* image, PackageTitleRow* title, FittingLabel* summary,
                         AppPillSize size, QWidget* parent)
    : QWidget(parent), m_image(image), m_title(title), m_summary(summary),
      m_action(new PackageActionControl(size)),
      m_details(new AppPillButton(QStringLiteral("Details"), {AppPillTone::neutral, size})) {
    m_summary->setObjectName(QStringLiteral("packageSummary"));
    m_details->setObjectName(QStringLiteral("detailsButton"));
    connect(m_action, &PackageActionControl::installRequested, this,
            &PackageCard::installRequested);
    connect(m_details, &QAbstractButton::clicked, this, &PackageCard::detailsRequested);
}

void PackageCard::setValues(const PackageCardValues& values) {
    m_package = values.package;
    // Named after its package, so that tests can find it.
    setObjectName(QStringLiteral("packageCard:") + values.package.id);
    m_image->setPackage(values.package);
    m_title->setPackage(values.package);
    m_summary->setText(values.summary);
    m_action->setValues(values.state, values.isInstalling);
}

PackageListCard::PackageListCard(ThumbnailCache& thumbnailCache, QWidget* parent)
    : PackageCard(
          new PackageImageView(thumbnailCache, PackageImageView::ScalingMode::fit),
          new PackageTitleRow(appFont(16, QFont::DemiBold), appFont(11, QFont::DemiBold), 8, 1),
          new FittingLabel(QString(), appFont(12, QFont::Normal), secondaryText(), 2),
          AppPillSize::regular, parent) {
    image()->setFixedSize(132, 88);
    image()->setRoundedCorners(10);

    auto* info = verticalLayout(nullptr, 8);
    info->addWidget(title());
    info->addWidget(summary());
    info->addStretch(1);

    auto* buttons = verticalLayout(nullptr, 8);
    buttons->setContentsMargins(0, 10, 0, 0);
    buttons->addWidget(action(), 0, Qt::AlignRight);
    buttons->addWidget(details(), 0, Qt::AlignRight);
    buttons->addStretch(1);

    auto* panel = new RoundedPanel(14, AppPalette::panelRaised(), AppPalette::hairline());
    verticalLayout(this, 0)->addWidget(panel);
    auto* layout = horizontalLayout(nullptr, 12);
    panel->setLayout(layout);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(image(), 0, Qt::AlignTop);
    layout->addLayout(info, 1);
    layout->addLayout(buttons);
}

PackageIconCard::PackageIconCard(ThumbnailCache& thumbnailCache, bool compact, QWidget* parent)
    : PackageCard(new PackageImageView(thumbnailCache, PackageImageView::ScalingMode::fill),
                  new PackageTitleRow(appFont(compact ? 13 : 15, QFont::DemiBold),
                                      appFont(compact ? 10 : 11, QFont::DemiBold), 6, 1),
                  new FittingLabel(QString(), appFont(compact ? 11 : 12, QFont::Normal),
                                   secondaryText(), 2),
                  compact ? AppPillSize::compact : AppPillSize::regular, parent),
      m_compact(compact), m_outline(new TileOutline(tileRadius, AppPalette::hairline(), 1, this)) {
    const int padding = compact ? 10 : 12;
    image()->setAspectRatio(16.0 / 9.0);
    image()->setRoundedCorners(tileRadius, RoundedCorners::top);

    // Every tile reserves the same summary height, so the button rows of neighbours line up.
    auto* summaryArea = new QWidget;
    summaryArea->setFixedHeight(compact ? 30 : 36);
    auto* summaryLayout = verticalLayout(nullptr, 0);
    summaryArea->setLayout(summaryLayout);
    summaryLayout->addWidget(summary(), 0, Qt::AlignTop);

    auto* buttons = horizontalLayout(nullptr, 6);
    buttons->setContentsMargins(0, padding, 0, 0);
    buttons->addWidget(action());
    buttons->addStretch(1);
    buttons->addWidget(details());

    auto* text = new TileTextArea(tileRadius);
    auto* textLayout = verticalLayout(nullptr, compact ? 6 : 8);
    text->setLayout(textLayout);
    textLayout->setContentsMargins(padding, padding, padding, padding);
    textLayout->addWidget(title());
    textLayout->addWidget(summaryArea);
    textLayout->addLayout(buttons);

    auto* layout = verticalLayout(nullptr, 0);
    setLayout(layout);
    layout->addWidget(image());
    layout->addWidget(text);
    m_outline->raise();
}

void PackageIconCard::resizeEvent(QResizeEvent* event) {
    PackageCard::resizeEvent(event);
    m_outline->setGeometry(rect());
}

} // namespace marlox::ui
