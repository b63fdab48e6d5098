#pragma once

#include "catalog/CatalogManifest.h"
#include "catalog/LibraryDisplayMode.h"
#include "ui/plugins/LibraryPresentation.h"
#include "ui/plugins/PackageCards.h"

#include <QAbstractScrollArea>
#include <QList>
#include <QMap>

#include <array>
#include <functional>
#include <optional>

namespace marlox::ui {

class ThumbnailCache;

// The card area of the Plugins screen: one card per package, in a vertical list or an adaptive
// grid of centred columns, scrolled vertically. Only the cards of the rows in view exist; they
// are handed back and reused as the view scrolls or the list changes, so a catalog of any size
// costs what is on screen. Every card is given fresh values each time the content is set.
class PackageCardGrid : public QAbstractScrollArea {
    Q_OBJECT

public:
    using CardValuesFor = std::function<PackageCardValues(const catalog::PackageManifest&)>;

    explicit PackageCardGrid(ThumbnailCache& thumbnailCache, QWidget* parent = nullptr);

    void setContent(catalog::LibraryDisplayMode mode, QList<catalog::PackageManifest> packages,
                    CardValuesFor valuesFor);

    catalog::LibraryDisplayMode mode() const { return m_mode; }
    const QList<catalog::PackageManifest>& packages() const { return m_packages; }
    // Where the cards lie at the current width, in content coordinates.
    const CardGridGeometry& geometry() const { return m_geometry; }
    // The cards on show, in package order.
    QList<PackageCard*> shownCards() const;
    // Every card made so far, shown or waiting to be reused.
    int madeCardCount() const;

signals:
    // The entry of the card pressed: a catalog may list one id more than once.
    void installRequested(const catalog::PackageManifest& package);
    void detailsRequested(const catalog::PackageManifest& package);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void relayout();
    qreal rowHeight(qreal columnWidth);
    PackageCard* makeCard(catalog::LibraryDisplayMode mode);

    ThumbnailCache& m_thumbnailCache;
    catalog::LibraryDisplayMode m_mode = catalog::LibraryDisplayMode::small;
    QList<catalog::PackageManifest> m_packages;
    CardValuesFor m_valuesFor;
    CardGridGeometry m_geometry;
    // Cards by the index of the package they show.
    QMap<int, PackageCard*> m_shown;
    // Cards waiting to be reused, and one card never shown that measures a row, per mode.
    std::array<QList<PackageCard*>, 3> m_spare;
    std::array<PackageCard*, 3> m_measuring{};
    std::optional<std::pair<catalog::LibraryDisplayMode, qreal>> m_measuredFor;
    qreal m_measuredHeight = 0;
    bool m_relayingOut = false;
};

} // namespace marlox::ui
