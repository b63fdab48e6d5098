#pragma once

#include "platform/Bundle.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <optional>

class QPainter;

namespace marlox::ui {

// Where the icon files are: the bundles whose resources hold them, looked in in order. The
// application hands in its own bundle and the resource bundles inside it at start-up, on the main
// thread before any icon is drawn; a program that hands in none draws from the main bundle's.
void setUpIconBundles(QList<platform::Bundle> bundles);
const QList<platform::Bundle>& iconBundles();

// The whole file as UTF-8 text; nothing when it cannot be read or is not UTF-8.
std::optional<QString> readUtf8File(const QString& path);

// Parses the markup and draws it centred in the largest square of the frame, as the document
// view draws it.
void drawIconMarkup(QPainter& painter, const QRectF& frame, const QString& markup);

// The square that StudioIcon and SymbolIcon occupy: `size` points wide and high, holding one
// child drawn in it. Mouse events pass through to whatever lies below.
class SquareIconWidget : public QWidget {
    Q_OBJECT

public:
    QSize sizeHint() const override;

protected:
    SquareIconWidget(qreal size, QWidget* parent);

    qreal side() const { return m_size; }
    void setSide(qreal size);
    // Replaces the child; a document view of the markup, with nothing to draw when it does not
    // parse.
    void showMarkup(const QString& markup);
    void showChild(QWidget* child);

    void resizeEvent(QResizeEvent* event) override;

private:
    void placeChild();

    qreal m_size;
    QWidget* m_child = nullptr;
};

} // namespace marlox::ui
