#pragma once

#include "ui/kit/IconSupport.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>

class QPainter;

namespace marlox::ui {

// The platform symbols the screens name, drawn from our own 24 by 24 files in the bundle folder
// "Icons/symbols" (`<name>.svg`), so that no screen draws a symbol itself:
//   app.fill, arrow.down.circle.fill, bubble.left.and.text.bubble.right,
//   checkmark.circle.fill, chevron.right, chevron.up.chevron.down, cpu, desktopcomputer, doc,
//   doc.on.doc, doc.richtext, doc.text, doc.text.magnifyingglass, envelope, film, film.stack,
//   folder, folder.badge.plus, info.circle, info.circle.fill, laptopcomputer, list.bullet,
//   paperclip, paperplane.fill, photo, photo.on.rectangle.angled,
//   questionmark.square.dashed, sidebar.left, sidebar.right, square.grid.2x2,
//   square.grid.3x2, trash, wrench.and.screwdriver, xmark.circle.fill
const QStringList& systemSymbolNames();

// The width of a symbol's strokes, in the file's units, for a font weight: thin 1.0 up to black
// 3.0, regular 1.75.
double symbolStrokeWidth(QFont::Weight weight);
// The symbol's file read and coloured: every "currentColor" takes the colour, every stroke-width
// the weight's; nothing for a name without a file.
std::optional<QString> symbolMarkup(const QString& name, const QColor& color, QFont::Weight weight);

// Draws the symbol centred in the largest square of the frame; nothing for an unknown name.
void drawSymbol(QPainter& painter, const QRectF& frame, const QString& name, const QColor& color,
                QFont::Weight weight = QFont::Normal);

// A symbol in a square of `size` points: where a design places a platform symbol "in the system
// font of size N, weight W", use SymbolIcon(name, N, colour, W). Drawn by the vector library's
// document view; an unknown name shows nothing. Mouse events pass through to the widget below.
class SymbolIcon : public SquareIconWidget {
    Q_OBJECT

public:
    SymbolIcon(const QString& name, qreal size, const QColor& color,
               QFont::Weight weight = QFont::Normal, QWidget* parent = nullptr);

    const QString& name() const { return m_name; }
    qreal iconSize() const { return side(); }
    const QColor& color() const { return m_color; }
    QFont::Weight weight() const { return m_weight; }

    void setName(const QString& name);
    void setIconSize(qreal size);
    void setColor(const QColor& color);
    void setWeight(QFont::Weight weight);

private:
    void rebuild();

    QString m_name;
    QColor m_color;
    QFont::Weight m_weight;
};

} // namespace marlox::ui
