#include "UpdateRowView.h"

#include "ui/kit/AppFont.h"
#include "ui/kit/AppPill.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/CachedThumbnailView.h"
#include "ui/kit/StudioIcon.h"
#include "ui/shared/PackageImageView.h"
#include "ui/shared/ThumbnailLookup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace marlox::screens {
namespace {

using catalog::PackageManifest;
using ui::AppPalette::textPrimary;
using ui::AppPalette::textSecondary;

QWidget* fallbackIcon(catalog::PackageType type) {
    return new ui::StudioIcon(ui::fallbackGlyph(type), 18, ui::withOpacity(Qt::white, 0.85), 1.85);
}

} // namespace

UpdateThumbnailView::UpdateThumbnailView(const PackageManifest& package, ui::ThumbnailCache& cache,
                                         QWidget* parent)
    : QWidget(parent), m_address(ui::resolvedThumbnailURL(package)) {
    setFixedSize(tileSize);
    if (m_address) {
        const catalog::PackageType type = package.type;
        m_content = new ui::CachedThumbnailView(
            cache, *m_address, ui::CachedThumbnailView::ContentMode::fit,
            [type] { return fallbackIcon(type); }, this);
    } else {
        m_content = fallbackIcon(package.type);
        m_content->setParent(this);
    }
    m_content->setObjectName(QStringLiteral("thumbnailContent"));
    m_frame = new ui::TileOutline(cornerRadius, ui::withOpacity(ui::AppPalette::hairline(), 0.7),
                                  0.5, this);
    setGraphicsEffect(new ui::RoundedClipEffect(cornerRadius, this));
}

void UpdateThumbnailView::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), ui::AppPalette::panelHighlight());
}

void UpdateThumbnailView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ui::placeCentred(*m_content, rect());
    m_frame->setGeometry(rect());
}

UpdateRowView::UpdateRowView(const UpdateRow& row, ui::ThumbnailCache& cache, QWidget* parent)
    : ui::RoundedPanel(14, ui::AppPalette::panel(), ui::AppPalette::hairline(), 0.5, parent),
      m_row(row), m_cache(cache) {
    setObjectName(QStringLiteral("updateRow:") + row.package.id);
    m_thumbnail = new UpdateThumbnailView(row.package, cache);

    m_name = plainTextLabel({}, 18, QFont::DemiBold, textPrimary(), QStringLiteral("packageName"));
    // The row's spacer gives way before the name wraps.
    m_name->setPreferredWidthLimit(QWIDGETSIZE_MAX);
    m_installed =
        new ui::AppPillLabel({}, ui::AppPillTone::neutral, std::nullopt, ui::AppPillSize::compact);
    m_installed->setObjectName(QStringLiteral("installedVersionPill"));
    m_latest =
        new ui::AppPillLabel({}, ui::AppPillTone::accent, std::nullopt, ui::AppPillSize::compact);
    m_latest->setObjectName(QStringLiteral("latestVersionPill"));
    // The pills stand level with the name's first line.
    const int drop = ui::dropToFirstLine(*m_name, m_latest->baseline());
    auto* title = new QHBoxLayout;
    title->setSpacing(10);
    ui::addSharingRoom(title, m_name);
    ui::addSharingRoom(title, m_installed, drop);
    ui::addSharingRoom(title, m_latest, drop);
    title->addStretch();

    m_description = new ui::FittingLabel({}, ui::appFont(12, QFont::Normal), textSecondary(), 2);
    m_description->setObjectName(QStringLiteral("packageDescription"));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(5);
    // The texts stand together, centred in the row's height.
    texts->addStretch(1);
    texts->addLayout(title);
    texts->addWidget(m_description);
    texts->addStretch(1);

    m_releaseNotes = pillButton(QStringLiteral("Release Notes"), ui::AppPillTone::neutral,
                                ui::AppPillSize::compact, QStringLiteral("releaseNotesButton"));
    m_update = pillButton(QStringLiteral("Update"), ui::AppPillTone::accent,
                          ui::AppPillSize::compact, QStringLiteral("updateButton"));
    // The buttons stand together in the middle of a row that a long name makes taller.
    auto* actions = new QVBoxLayout;
    actions->setSpacing(8);
    actions->addStretch(1);
    actions->addWidget(m_releaseNotes, 0, Qt::AlignRight);
    actions->addWidget(m_update, 0, Qt::AlignRight);
    actions->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(14);
    layout->addWidget(m_thumbnail, 0, Qt::AlignVCenter);
    layout->addLayout(texts, 1);
    layout->addLayout(actions);
    setRow(row);
}

void UpdateRowView::setRow(const UpdateRow& row) {
    if (ui::resolvedThumbnailURL(row.package) != m_thumbnail->address() ||
        row.package.type != m_row.package.type) {
        auto* thumbnail = new UpdateThumbnailView(row.package, m_cache);
        delete layout()->replaceWidget(m_thumbnail, thumbnail);
        delete m_thumbnail;
        m_thumbnail = thumbnail;
    }
    m_row = row;
    m_name->setText(row.package.name);
    m_installed->setTitle(row.installedPillTitle);
    m_latest->setTitle(row.latestPillTitle);
    m_description->setText(row.description);
    m_update->setEnabled(row.updateEnabled);
}

} // namespace marlox::screens
