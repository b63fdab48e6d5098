#include "ColumnLayout.h"

#include <QWidget>

#include <algorithm>

namespace marlox::ui {

namespace {

// The part of the column's width an item takes, within its own limits.
int itemWidth(const QLayoutItem& item, int width) {
    return std::max(item.minimumSize().width(), std::min(width, item.maximumSize().width()));
}

int itemHeight(const QLayoutItem& item, int width) {
    return item.hasHeightForWidth() ? item.heightForWidth(width) : item.sizeHint().height();
}

} // namespace

ColumnLayout::ColumnLayout(QWidget* parent, int spacing) : QLayout(parent) {
    setContentsMargins({});
    setSpacing(spacing);
}

ColumnLayout::~ColumnLayout() {
    qDeleteAll(m_items);
}

void ColumnLayout::insertWidget(int index, QWidget* widget) {
    // Only a widget of the column's own is looked for: a new card of a thousand is not.
    qsizetype from = widget->parentWidget() == parentWidget() ? indexOf(widget) : -1;
    if (from < 0) {
        addWidget(widget);
        from = m_items.size() - 1;
    }
    m_items.move(from, std::clamp<qsizetype>(index, 0, m_items.size() - 1));
    invalidate();
}

void ColumnLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
    invalidate();
}

QLayoutItem* ColumnLayout::itemAt(int index) const {
    return m_items.value(index);
}

QLayoutItem* ColumnLayout::takeAt(int index) {
    if (index < 0 || index >= m_items.size()) {
        return nullptr;
    }
    QLayoutItem* item = m_items.takeAt(index);
    invalidate();
    return item;
}

int ColumnLayout::count() const {
    return static_cast<int>(m_items.size());
}

void ColumnLayout::invalidate() {
    m_placedAt.reset();
    m_sizes.reset();
    m_heights.forget();
    QLayout::invalidate();
}

void ColumnLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    const QRect area = contentsRect();
    // A list growing or shrinking below the items leaves them where they are.
    const QRect placement(area.topLeft(), QSize(area.width(), 0));
    if (m_placedAt == placement) {
        return;
    }
    m_placedAt = placement;
    const int gap = spacing();
    int top = area.top();
    for (QLayoutItem* item : std::as_const(m_items)) {
        if (item->isEmpty()) {
            continue;
        }
        const int width = itemWidth(*item, area.width());
        const int height = itemHeight(*item, width);
        item->setGeometry(QRect(area.left(), top, width, height));
        top += height + gap;
    }
}

int ColumnLayout::itemsHeight(int width) const {
    const int gap = spacing();
    int height = -gap;
    for (const QLayoutItem* item : m_items) {
        if (!item->isEmpty()) {
            height += gap + itemHeight(*item, itemWidth(*item, width));
        }
    }
    return std::max(0, height);
}

int ColumnLayout::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    return m_heights.at(width - margins.left() - margins.right(),
                        [this](int inner) { return itemsHeight(inner); }) +
           margins.top() + margins.bottom();
}

const ColumnLayout::Sizes& ColumnLayout::sizes() const {
    if (m_sizes) {
        return *m_sizes;
    }
    const int gap = spacing();
    // The widest item's width, and the items' heights one below the other.
    const auto stack = [gap](QSize& column, const QSize& item) {
        column = {std::max(column.width(), item.width()), column.height() + gap + item.height()};
    };
    Sizes sizes{{0, -gap}, {0, -gap}, {}};
    for (const QLayoutItem* item : m_items) {
        if (!item->isEmpty()) {
            stack(sizes.hint, item->sizeHint());
            stack(sizes.minimum, item->minimumSize());
            sizes.expanding |= item->expandingDirections();
        }
    }
    const QMargins margins = contentsMargins();
    for (QSize* size : {&sizes.hint, &sizes.minimum}) {
        *size = QSize(size->width(), std::max(0, size->height())).grownBy(margins);
    }
    return m_sizes.emplace(sizes);
}

QSize ColumnLayout::sizeHint() const {
    return sizes().hint;
}

QSize ColumnLayout::minimumSize() const {
    return sizes().minimum;
}

Qt::Orientations ColumnLayout::expandingDirections() const {
    return sizes().expanding;
}

} // namespace marlox::ui
