#include "ui/kit/AppTheme.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace marlox::ui {

namespace AppPalette {
namespace {
QColor srgb(float red, float green, float blue, float opacity = 1) {
    return QColor::fromRgbF(red, green, blue, opacity);
}
} // namespace

// clang-format off
const QColor& canvas()         { static const QColor c = srgb(0.04f, 0.05f, 0.07f); return c; }
const QColor& canvasRaised()   { static const QColor c = srgb(0.05f, 0.06f, 0.08f); return c; }
const QColor& panel()          { static const QColor c = srgb(0.10f, 0.11f, 0.14f); return c; }
const QColor& panelRaised()    { static const QColor c = srgb(0.13f, 0.14f, 0.18f); return c; }
const QColor& panelHighlight() { static const QColor c = srgb(0.16f, 0.18f, 0.22f); return c; }
const QColor& hairline()       { static const QColor c = srgb(1, 1, 1, 0.09f); return c; }
const QColor& hairlineSoft()   { static const QColor c = srgb(1, 1, 1, 0.08f); return c; }
const QColor& textPrimary()    { static const QColor c = srgb(1, 1, 1); return c; }
const QColor& textSecondary()  { static const QColor c = srgb(1, 1, 1, 0.68f); return c; }
const QColor& accent()         { static const QColor c = srgb(0.10f, 0.66f, 0.98f); return c; }
const QColor& success()        { static const QColor c = srgb(0.24f, 0.83f, 0.45f); return c; }
const QColor& successDeep()    { static const QColor c = srgb(0.09f, 0.25f, 0.13f); return c; }
const QColor& warning()        { static const QColor c = srgb(0.97f, 0.66f, 0.23f); return c; }
const QColor& danger()         { static const QColor c = srgb(0.92f, 0.25f, 0.32f); return c; }
// clang-format on
} // namespace AppPalette

namespace SystemColor {
const QColor& green() {
    static const QColor color(48, 209, 88);
    return color;
}
} // namespace SystemColor

QColor withOpacity(const QColor& color, qreal opacity) {
    QColor faded = color;
    faded.setAlphaF(static_cast<float>(color.alphaF() * opacity));
    return faded;
}

AppToneColors toneColors(AppPillTone tone) {
    const auto tinted = [](const QColor& tint) {
        return AppToneColors{tint, withOpacity(tint, 0.12), withOpacity(tint, 0.35)};
    };
    switch (tone) {
    case AppPillTone::accent:
        return tinted(AppPalette::accent());
    case AppPillTone::success:
        return tinted(AppPalette::success());
    case AppPillTone::warning:
        return tinted(AppPalette::warning());
    case AppPillTone::neutral:
        break;
    }
    return {AppPalette::textPrimary(), AppPalette::panel(), AppPalette::hairline()};
}

AppPillMetrics pillMetrics(AppPillSize size) {
    if (size == AppPillSize::compact) {
        return {6, 9, 6, 12, 1.85, 11};
    }
    return {7, 10, 7, 13, 1.85, 12};
}

QColor opaqueOver(const QColor& color, const QColor& backdrop) {
    const float alpha = color.alphaF();
    const auto mix = [&](float top, float bottom) { return alpha * top + (1 - alpha) * bottom; };
    return QColor::fromRgbF(mix(color.redF(), backdrop.redF()),
                            mix(color.greenF(), backdrop.greenF()),
                            mix(color.blueF(), backdrop.blueF()));
}

QPainterPath capsulePath(const QRectF& rect) {
    const qreal radius = std::min(rect.width(), rect.height()) / 2;
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath roundedRectPath(const QRectF& rect, qreal radius) {
    const qreal limited = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    QPainterPath path;
    path.addRoundedRect(rect, limited, limited);
    return path;
}

void paintFilledOutline(QPainter& painter, const QPainterPath& shape, const QColor& fill,
                        const QColor& outline) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(shape, fill);
    QPen pen(outline, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.strokePath(shape, pen);
    painter.restore();
}

} // namespace marlox::ui
