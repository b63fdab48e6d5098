#include "ui/plugins/PackageCardGrid.h"

#include <QHash>
#include <QScrollBar>

#include <cmath>

namespace marlox::ui {

using catalog::LibraryDisplayMode;

namespace {

size_t slot(LibraryDisplayMode mode) {
    return static_cast<size_t>(mode);
}

LibraryDisplayMode modeOf(const PackageCard* card) {
    if (const auto* tile = qobject_cast<const PackageIconCard*>(card)) {
        return tile->isCompact() ? LibraryDisplayMode::small : LibraryDisplayMode::medium;
    }
    return LibraryDisplayMode::list;
}

QRect onPixels(const QRectF& rect) {
    const int left = static_cast<int>(std::round(rect.left()));
    const int top = static_cast<int>(std::round(rect.top()));
    return QRect(left, top, static_cast<int>(std::round(rect.right())) - left,
                 static_cast<int>(std::round(rect.bottom())) - top);
}

} // namespace

PackageCardGrid::PackageCardGrid(ThumbnailCache& thumbnailCache, QWidget* parent)
    : QAbstractScrollArea(parent), m_thumbnailCache(thumbnailCache) {
    setObjectName(QStringLiteral("packageGrid"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(24);
}

void PackageCardGrid::setContent(LibraryDisplayMode mode, QList<catalog::PackageManifest> packages,
                                 CardValuesFor valuesFor) {
    m_mode = mode;
    m_packages = std::move(packages);
    m_valuesFor = std::move(valuesFor);
    relayout();
}

QList<PackageCard*> PackageCardGrid::shownCards() const {
    return m_shown.values();
}

int PackageCardGrid::madeCardCount() const {
    qsizetype count = m_shown.size();
    for (const QList<PackageCard*>& spare : m_spare) {
        count += spare.size();
    }
    for (const PackageCard* measuring : m_measuring) {
        count += measuring ? 1 : 0;
    }
    return static_cast<int>(count);
}

void PackageCardGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void PackageCardGrid::scrollContentsBy(int, int) {
    if (!m_relayingOut) {
        relayout();
    }
}

qreal PackageCardGrid::rowHeight(qreal columnWidth) {
    if (m_measuredFor != std::pair(m_mode, columnWidth)) {
        PackageCard*& measuring = m_measuring[slot(m_mode)];
        if (!measuring) {
            measuring = makeCard(m_mode);
            measuring->setParent(this);
            measuring->hide();
        }
        measuring->setValues(m_valuesFor(m_packages.first()));
        const int width = static_cast<int>(std::round(columnWidth));
        const int height = measuring->heightForWidth(width);
        m_measuredHeight = height >= 0 ? height : measuring->sizeHint().height();
        m_measuredFor = std::pair(m_mode, columnWidth);
    }
    return m_measuredHeight;
}

PackageCard* PackageCardGrid::makeCard(LibraryDisplayMode mode) {
    PackageCard* card = nullptr;
    if (mode == LibraryDisplayMode::list) {
        card = new PackageListCard(m_thumbnailCache, viewport());
    } else {
        card = new PackageIconCard(m_thumbnailCache, mode == LibraryDisplayMode::small, viewport());
    }
    // A copy goes out: the request may refresh the screen, which gives the card other values.
    connect(card, &PackageCard::installRequested, this, [this, card] {
        const catalog::PackageManifest package = card->package();
        emit installRequested(package);
    });
    connect(card, &PackageCard::detailsRequested, this, [this, card] {
        const catalog::PackageManifest package = card->package();
        emit detailsRequested(package);
    });
    return card;
}

void PackageCardGrid::relayout() {
    m_relayingOut = true;
    const QSize view = viewport()->size();
    const ColumnLayout columns = columnLayout(view.width(), gridColumns(m_mode));
    const qreal height = m_packages.isEmpty() ? 0 : rowHeight(columns.columnWidth);
    m_geometry = {columns, height, rowSpacing(m_mode), static_cast<int>(m_packages.size())};
    QScrollBar* scrollBar = verticalScrollBar();
    const int contentHeight = static_cast<int>(std::ceil(m_geometry.contentHeight()));
    scrollBar->setRange(0, std::max(0, contentHeight - view.height()));
    scrollBar->setPageStep(view.height());
    const int top = scrollBar->value();
    const auto [first, end] = m_geometry.visibleItems(top, view.height());

    // A card that still shows the same package keeps it, so its thumbnail stays as it is. A
    // catalog may list one id twice: each card is kept or handed back, none is lost.
    QMultiHash<QString, PackageCard*> previous;
    for (PackageCard* card : std::as_const(m_shown)) {
        if (modeOf(card) == m_mode) {
            previous.insert(card->packageID(), card);
        } else {
            card->hide();
            m_spare[slot(modeOf(card))].append(card);
        }
    }
    m_shown.clear();
    QList<std::pair<int, const catalog::PackageManifest*>> needCards;
    for (int index = first; index < end; ++index) {
        const catalog::PackageManifest& package = m_packages[index];
        if (const auto kept = previous.find(package.id); kept != previous.end()) {
            m_shown.insert(index, kept.value());
            previous.erase(kept);
        } else {
            needCards.append({index, &package});
        }
    }
    for (PackageCard* card : std::as_const(previous)) {
        m_spare[slot(m_mode)].append(card);
    }
    for (const auto& [index, package] : needCards) {
        QList<PackageCard*>& spare = m_spare[slot(m_mode)];
        m_shown.insert(index, spare.isEmpty() ? makeCard(m_mode) : spare.takeLast());
    }
    for (auto shown = m_shown.cbegin(); shown != m_shown.cend(); ++shown) {
        PackageCard* card = shown.value();
        card->setValues(m_valuesFor(m_packages[shown.key()]));
        card->setGeometry(onPixels(m_geometry.itemRect(shown.key()).translated(0, -top)));
        card->show();
    }
    for (PackageCard* card : std::as_const(m_spare[slot(m_mode)])) {
        card->hide();
    }
    m_relayingOut = false;
}

} // namespace marlox::ui
