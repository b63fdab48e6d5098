#include "SupportControls.h"

#include "ui/AppTheme.h"
#include "ui/SymbolIcon.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPalette>

#include <cmath>
#include <utility>

namespace marlox::screens {

void useDarkAppearance(QWidget& screen) {
    using namespace ui;
    QPalette dark = screen.palette();
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, AppPalette::canvas()},
        {QPalette::WindowText, AppPalette::textPrimary()},
        {QPalette::Base, AppPalette::panelRaised()},
        {QPalette::AlternateBase, AppPalette::panel()},
        {QPalette::Text, AppPalette::textPrimary()},
        {QPalette::PlaceholderText, withOpacity(Qt::white, 0.35)},
        {QPalette::Button, AppPalette::panelRaised()},
        {QPalette::ButtonText, AppPalette::textPrimary()},
        {QPalette::Light, AppPalette::panelHighlight()},
        {QPalette::Midlight, AppPalette::panelHighlight()},
        {QPalette::Mid, AppPalette::panel()},
        {QPalette::Dark, AppPalette::canvas()},
        {QPalette::Shadow, AppPalette::canvas()},
        {QPalette::Highlight, AppPalette::accent()},
        {QPalette::HighlightedText, AppPalette::textPrimary()},
        {QPalette::ToolTipBase, AppPalette::panelRaised()},
        {QPalette::ToolTipText, AppPalette::textPrimary()},
    };
    for (const auto& [role, color] : roles) {
        dark.setColor(role, color);
    }
    dark.setColor(QPalette::Disabled, QPalette::Text, AppPalette::textSecondary());
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, AppPalette::textSecondary());
    screen.setPalette(dark);
}

QLabel* plainLabel(const QString& text, const QFont& font, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label->setPalette(palette);
    return label;
}

RoundedSurface::RoundedSurface(qreal radius, Fill fill, std::optional<QColor> border,
                               QWidget* parent)
    : QWidget(parent), m_radius(radius), m_fill(std::move(fill)), m_border(std::move(border)) {}

RoundedSurface::Fill RoundedSurface::solid(const QColor& color) {
    return [color](const QRectF&) { return QBrush(color); };
}

void RoundedSurface::setFill(Fill fill) {
    m_fill = std::move(fill);
    update();
}

void RoundedSurface::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Half a point inside, so that the border's line is not cut at the edges.
    const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath path = ui::roundedRectPath(shape, m_radius);
    painter.fillPath(path, m_fill(shape));
    if (m_border) {
        painter.strokePath(path, QPen(*m_border, 1));
    }
}

IconBadge::IconBadge(qreal side, qreal radius, const QColor& fill, ui::SymbolIcon* symbol,
                     QWidget* parent)
    : RoundedSurface(radius, solid(fill), std::nullopt, parent), m_symbol(symbol) {
    setFixedSize(QSizeF(side, side).toSize());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(symbol, 0, Qt::AlignCenter);
}

ElidedLabel::ElidedLabel(const QString& text, Qt::TextElideMode mode, const QFont& font,
                         const QColor& color, QWidget* parent)
    : QWidget(parent), m_text(text), m_mode(mode), m_color(color) {
    setFont(font);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
    m_text = text;
    updateGeometry();
    update();
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(m_text, m_mode, width());
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.horizontalAdvance(m_text))),
                 int(std::ceil(metrics.height())));
}

QSize ElidedLabel::minimumSizeHint() const {
    const QFontMetricsF metrics(font());
    return QSize(int(std::ceil(metrics.horizontalAdvance(QStringLiteral("…")))),
                 int(std::ceil(metrics.height())));
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(m_color);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
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
