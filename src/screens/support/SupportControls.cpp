#include "SupportControls.h"

#include "ui/kit/SymbolIcon.h"

#include <QHBoxLayout>
#include <QPainter>

#include <cmath>

namespace marlox::screens {

IconBadge::IconBadge(qreal side, qreal radius, const QColor& fill, ui::SymbolIcon* symbol,
                     QWidget* parent)
    : RoundedPanel(radius, fill, Qt::transparent, 0, parent), m_symbol(symbol) {
    setFixedSize(QSizeF(side, side).toSize());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(symbol, 0, Qt::AlignCenter);
}

SymbolButton::SymbolButton(const QString& symbolName, qreal size, const QColor& color,
                           QFont::Weight weight, QWidget* parent)
    : QAbstractButton(parent), m_symbolName(symbolName), m_size(size), m_color(color),
      m_weight(weight) {
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize SymbolButton::sizeHint() const {
    const int side = int(std::ceil(m_size));
    return QSize(side, side);
}

void SymbolButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(isDown() ? 0.7 : 1);
    ui::drawSymbol(painter, QRectF(rect()), m_symbolName, m_color, m_weight);
}

} // namespace marlox::screens
