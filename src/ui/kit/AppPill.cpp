#include "ui/kit/AppPill.h"

#include "ui/kit/AppFont.h"
#include "ui/kit/SymbolIcon.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace marlox::ui {
namespace {

QFont titleFont(AppPillSize size) {
    return appFont(pillMetrics(size).titleFontSize, QFont::DemiBold);
}

QSize ceilSize(const QSizeF& size) {
    return QSize(static_cast<int>(std::ceil(size.width())),
                 static_cast<int>(std::ceil(size.height())));
}

// The outline is centred on the shape's edge: keeping the shape half a point inside the widget
// leaves the whole line visible.
QRectF shapeRect(const QRectF& frame) {
    return frame.adjusted(0.5, 0.5, -0.5, -0.5);
}

void drawPlainText(QPainter& painter, const QRectF& rect, const QString& text, const QFont& font,
                   const QColor& color, Qt::Alignment alignment) {
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, static_cast<int>(alignment | Qt::TextSingleLine), text);
}

} // namespace

AppPillLabel::AppPillLabel(const QString& title, AppPillTone tone, std::optional<StudioGlyph> glyph,
                           AppPillSize size, QWidget* parent)
    : QWidget(parent), m_title(title), m_tone(tone), m_glyph(glyph), m_size(size) {
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

void AppPillLabel::setTitle(const QString& title) {
    m_title = title;
    changed();
}

void AppPillLabel::setTone(AppPillTone tone) {
    m_tone = tone;
    changed();
}

void AppPillLabel::setGlyph(std::optional<StudioGlyph> glyph) {
    m_glyph = glyph;
    changed();
}

void AppPillLabel::changed() {
    updateGeometry();
    update();
}

QSize AppPillLabel::sizeHint() const {
    return sizeWithTitleOf(titleWidths().preferred);
}

QSize AppPillLabel::minimumSizeHint() const {
    return sizeWithTitleOf(titleWidths().least);
}

GivingWayWidths AppPillLabel::titleWidths() const {
    const QFont font = titleFont(m_size);
    return givingWayWidths(QFontMetricsF(font).horizontalAdvance(m_title), font, widestTitle);
}

QSize AppPillLabel::sizeWithTitleOf(qreal titleWidth) const {
    const AppPillMetrics metrics = pillMetrics(m_size);
    const QFontMetricsF text(titleFont(m_size));
    qreal width = titleWidth;
    qreal height = text.height();
    if (m_glyph) {
        width += metrics.glyphSize + metrics.spacing;
        height = std::max(height, metrics.glyphSize);
    }
    return ceilSize(
        QSizeF(width + 2 * metrics.horizontalPadding, height + 2 * metrics.verticalPadding));
}

qreal AppPillLabel::baseline() const {
    const QFontMetricsF text(titleFont(m_size));
    // The title stands in the middle of the pill.
    return (sizeHint().height() - text.height()) / 2 + text.ascent();
}

void AppPillLabel::paintEvent(QPaintEvent*) {
    const AppPillMetrics metrics = pillMetrics(m_size);
    const AppToneColors colors = toneColors(m_tone);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintFilledOutline(painter, capsulePath(shapeRect(rect())), colors.fill, colors.outline);
    QRectF content = QRectF(rect()).adjusted(metrics.horizontalPadding, metrics.verticalPadding,
                                             -metrics.horizontalPadding, -metrics.verticalPadding);
    if (m_glyph) {
        const QRectF glyphFrame(content.left(), content.center().y() - metrics.glyphSize / 2,
                                metrics.glyphSize, metrics.glyphSize);
        drawStudioIcon(painter, glyphFrame, *m_glyph, colors.tint, metrics.glyphStrokeWidth);
        content.setLeft(glyphFrame.right() + metrics.spacing);
    }
    const QString shown =
        QFontMetricsF(titleFont(m_size)).elidedText(m_title, Qt::ElideRight, content.width());
    drawPlainText(painter, content, shown, titleFont(m_size), colors.tint,
                  Qt::AlignLeft | Qt::AlignVCenter);
}

AppCapsuleLabel::AppCapsuleLabel(const QString& title, Look look, QWidget* parent)
    : QWidget(parent), m_title(title), m_look(std::move(look)) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void AppCapsuleLabel::setTitle(const QString& title) {
    m_title = title;
    updateGeometry();
    update();
}

QSize AppCapsuleLabel::sizeHint() const {
    const QFontMetricsF text(m_look.font);
    return ceilSize(QSizeF(text.horizontalAdvance(m_title) + 2 * m_look.horizontalPadding,
                           text.height() + 2 * m_look.verticalPadding));
}

void AppCapsuleLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(capsulePath(rect()), m_look.fill);
    drawPlainText(painter, rect(), m_title, m_look.font, m_look.textColor, Qt::AlignCenter);
}

AppCountBadge::AppCountBadge(const QString& title, AppPillTone tone, QWidget* parent)
    : QWidget(parent), m_title(title), m_tone(tone) {
    setFixedSize(side, side);
}

void AppCountBadge::setTitle(const QString& title) {
    m_title = title;
    update();
}

void AppCountBadge::setTone(AppPillTone tone) {
    m_tone = tone;
    update();
}

void AppCountBadge::paintEvent(QPaintEvent*) {
    const AppToneColors colors = toneColors(m_tone);
    const QFont font = appFont(12, QFont::DemiBold);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0, 0, side, side);
    paintFilledOutline(painter, roundedRectPath(shapeRect(frame), 10), colors.fill, colors.outline);
    const QString text = QFontMetricsF(font).elidedText(m_title, Qt::ElideRight, side);
    drawPlainText(painter, frame, text, font, colors.tint, Qt::AlignCenter);
}

AppPillButtonStyle::PressLook AppPillButtonStyle::pressLook(bool pressed) {
    if (pressed) {
        return {0.88, 0.9, 0.85, 0.985, 0.95};
    }
    return {1, 1, 1, 1, 1};
}

AppPillButton::AppPillButton(const QString& text, AppPillButtonStyle style, QWidget* parent)
    : QAbstractButton(parent), m_style(style) {
    setText(text);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void AppPillButton::setLeadingSymbol(const QString& name, qreal size, QFont::Weight weight) {
    m_leadingIcon = LeadingIcon{name, size, weight};
    changed();
}

void AppPillButton::setLabelSpacing(qreal spacing) {
    m_labelSpacing = spacing;
    changed();
}

void AppPillButton::setLabelFont(const QFont& font) {
    m_labelFont = font;
    changed();
}

void AppPillButton::changed() {
    updateGeometry();
    update();
}

QFont AppPillButton::labelFont() const {
    return m_labelFont.value_or(titleFont(m_style.size));
}

qreal AppPillButton::labelSpacing() const {
    return m_labelSpacing.value_or(pillMetrics(m_style.size).spacing);
}

QSizeF AppPillButton::labelSize() const {
    const QFontMetricsF metrics(labelFont());
    QSizeF size(metrics.horizontalAdvance(text()), metrics.height());
    if (m_leadingIcon) {
        size.rwidth() += m_leadingIcon->size + (text().isEmpty() ? 0 : labelSpacing());
        size.setHeight(std::max(size.height(), m_leadingIcon->size));
    }
    return size;
}

QSize AppPillButton::sizeHint() const {
    const AppPillMetrics metrics = pillMetrics(m_style.size);
    return ceilSize(labelSize() +
                    QSizeF(2 * metrics.horizontalPadding, 2 * metrics.verticalPadding));
}

void AppPillButton::paintEvent(QPaintEvent*) {
    const bool pressed = isDown();
    const AppPillButtonStyle::PressLook look = AppPillButtonStyle::pressLook(pressed);
    // The whole button is faded and scaled as one picture, so the label over the fill is not
    // faded twice.
    const qreal ratio = devicePixelRatioF();
    QImage layer(ceilSize(QSizeF(size()) * ratio), QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    {
        QPainter content(&layer);
        paintContent(content, QRectF(rect()), pressed);
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(look.opacity * (isEnabled() ? 1 : AppPillButtonStyle::disabledOpacity));
    const QPointF center = QRectF(rect()).center();
    painter.translate(center);
    painter.scale(look.scale, look.scale);
    painter.translate(-center);
    painter.drawImage(QPointF(0, 0), layer);
}

void AppPillButton::paintContent(QPainter& painter, const QRectF& frame, bool pressed) const {
    const AppPillButtonStyle::PressLook look = AppPillButtonStyle::pressLook(pressed);
    const AppToneColors colors = toneColors(m_style.tone);
    painter.setRenderHint(QPainter::Antialiasing);
    paintFilledOutline(painter, capsulePath(shapeRect(frame)),
                       withOpacity(colors.fill, look.fillOpacity),
                       withOpacity(colors.outline, look.outlineOpacity));
    // Opacity through the painter reaches the symbol too, whose tint text carries no alpha.
    painter.setOpacity(look.labelOpacity);
    const QColor& foreground = colors.tint;
    const QSizeF label = labelSize();
    QRectF content(frame.center() - QPointF(label.width() / 2, label.height() / 2), label);
    if (m_leadingIcon) {
        const QRectF iconFrame(content.left(), content.center().y() - m_leadingIcon->size / 2,
                               m_leadingIcon->size, m_leadingIcon->size);
        drawSymbol(painter, iconFrame, m_leadingIcon->symbolName, foreground,
                   m_leadingIcon->weight);
        content.setLeft(iconFrame.right() + labelSpacing());
    }
    drawPlainText(painter, content, text(), labelFont(), foreground,
                  Qt::AlignLeft | Qt::AlignVCenter);
}

AppSectionBackground::AppSectionBackground(QWidget* parent) : QWidget(parent) {}

void AppSectionBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintAppSectionBackground(painter, rect());
}

void paintAppSectionBackground(QPainter& painter, const QRectF& rect) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomRight());
    gradient.setColorAt(0, AppPalette::canvas());
    gradient.setColorAt(1, QColor::fromRgbF(0.03f, 0.05f, 0.09f));
    painter.fillRect(rect, gradient);
}

} // namespace marlox::ui
