#pragma once

#include "ui/kit/ScreenParts.h"

#include <QLayout>
#include <QList>

#include <optional>

namespace marlox::ui {

// Widgets stacked top to bottom at the column's width with a fixed spacing, each as tall as it
// asks to be at that width and never squeezed: a long list of cards whose texts wrap. A box
// layout asks each item its minimum height too, which Qt keeps for no widget, at the list's width
// and at the width it would like, and each box layout inside a card keeps one width, so every
// change of the list laid out every card anew, twice. The column asks an item only its height for
// the width, which Qt keeps for each widget until it changes: a change lays out what changed.
class ColumnLayout final : public QLayout {
public:
    ColumnLayout(QWidget* parent, int spacing);
    ~ColumnLayout() override;

    // Puts the widget at that place, moving it there when the column holds it already.
    void insertWidget(int index, QWidget* widget);

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    void invalidate() override;
    void setGeometry(const QRect& rect) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    int minimumHeightForWidth(int width) const override { return heightForWidth(width); }

private:
    struct Sizes {
        QSize hint;
        QSize minimum;
        Qt::Orientations expanding;
    };
    const Sizes& sizes() const;
    // The items' height, spacing included, inside the margins at that inner width.
    int itemsHeight(int width) const;

    QList<QLayoutItem*> m_items;
    // Where the items were last placed: at the same left, top and width, nothing has moved.
    std::optional<QRect> m_placedAt;
    mutable std::optional<Sizes> m_sizes;
    mutable LaidOutAtWidths<int> m_heights;
};

} // namespace marlox::ui
