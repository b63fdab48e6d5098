#include "ui/shared/PackageImageView.h"

#include "ui/kit/AppFont.h"
#include "ui/kit/AppTheme.h"
#include "ui/kit/ScreenParts.h"
#include "ui/shared/ThumbnailLookup.h"

#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace marlox::ui {

StudioGlyph fallbackGlyph(catalog::PackageType type) {
    return type == catalog::PackageType::filter ? StudioGlyph::library : StudioGlyph::plugin;
}

PackageFallbackTile::PackageFallbackTile(const catalog::PackageManifest& package, QWidget* parent)
    : QWidget(parent), m_name(new FittingLabel(QString(), appFont(14, QFont::DemiBold),
                                               withOpacity(Qt::white, 0.82), 1)) {
    setObjectName(QStringLiteral("fallbackTile"));
    // The icon drops the opacity, as the tint it writes into the file has none: white.
    const QColor glyphColor = withOpacity(Qt::white, 0.85);
    m_libraryIcon = new StudioIcon(StudioGlyph::library, 28, glyphColor, 1.85);
    m_pluginIcon = new StudioIcon(StudioGlyph::plugin, 28, glyphColor, 1.85);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 0, 10, 0);
    layout->setSpacing(10);
    layout->addStretch();
    layout->addWidget(m_libraryIcon, 0, Qt::AlignHCenter);
    layout->addWidget(m_pluginIcon, 0, Qt::AlignHCenter);
    layout->addWidget(m_name, 0, Qt::AlignHCenter);
    layout->addStretch();
    setPackage(package);
}

void PackageFallbackTile::setPackage(const catalog::PackageManifest& package) {
    const bool library = fallbackGlyph(package.type) == StudioGlyph::library;
    m_libraryIcon->setVisible(library);
    m_pluginIcon->setVisible(!library);
    m_name->setText(package.name);
}

StudioGlyph PackageFallbackTile::glyph() const {
    return m_libraryIcon->isHidden() ? m_pluginIcon->glyph() : m_libraryIcon->glyph();
}

QString PackageFallbackTile::name() const {
    return m_name->text();
}

PackageImageView::PackageImageView(ThumbnailCache& thumbnailCache, ScalingMode scalingMode,
                                   QWidget* parent)
    : QWidget(parent), m_thumbnailCache(thumbnailCache), m_scalingMode(scalingMode) {
    setObjectName(QStringLiteral("packageImage"));
}

void PackageImageView::setPackage(const catalog::PackageManifest& package) {
    const Shown shown{resolvedThumbnailURL(package), package.name, package.type};
    if (shown == m_shown) {
        return;
    }
    m_shown = shown;
    delete m_thumbnail;
    if (shown.url) {
        // A view of another thumbnail starts afresh rather than keep the last one's image.
        m_thumbnail = new CachedThumbnailView(
            m_thumbnailCache, *shown.url, m_scalingMode,
            [package] { return new PackageFallbackTile(package); }, this);
        m_thumbnail->setRoundedCorners(m_cornerRadius, m_corners);
        m_thumbnail->setGeometry(rect());
        m_thumbnail->show();
    } else if (m_tile) {
        m_tile->setPackage(package);
    } else {
        m_tile = new PackageFallbackTile(package, this);
        m_tile->setGeometry(rect());
    }
    if (m_tile) {
        m_tile->setVisible(!shown.url);
    }
}

void PackageImageView::setAspectRatio(std::optional<qreal> ratio) {
    m_aspectRatio = ratio;
    QSizePolicy policy = sizePolicy();
    policy.setHeightForWidth(ratio.has_value());
    setSizePolicy(policy);
    updateGeometry();
}

void PackageImageView::setRoundedCorners(qreal radius, RoundedCorners corners) {
    m_cornerRadius = radius;
    m_corners = corners;
    if (m_thumbnail) {
        m_thumbnail->setRoundedCorners(radius, corners);
    }
    update();
}

PackageFallbackTile* PackageImageView::shownFallbackTile() const {
    if (m_tile && !m_tile->isHidden()) {
        return m_tile;
    }
    return m_thumbnail ? qobject_cast<PackageFallbackTile*>(m_thumbnail->placeholder()) : nullptr;
}

int PackageImageView::heightForWidth(int width) const {
    return m_aspectRatio ? static_cast<int>(std::round(width / *m_aspectRatio)) : -1;
}

void PackageImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedCornersPath(rect(), m_cornerRadius, m_corners),
                     AppPalette::panelHighlight());
}

void PackageImageView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (QWidget* child : {static_cast<QWidget*>(m_thumbnail), static_cast<QWidget*>(m_tile)}) {
        if (child) {
            child->setGeometry(rect());
        }
    }
}

} // namespace marlox::ui
