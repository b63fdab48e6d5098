#include "ui/RoundedCorners.h"

#include "ui/AppTheme.h"

#include <QBrush>
#include <QPainter>

#include <algorithm>

namespace marlox::ui {

QPainterPath roundedCornersPath(const QRectF& rect, qreal radius, RoundedCorners corners) {
    if (corners == RoundedCorners::all) {
        return roundedRectPath(rect, radius);
    }
    const qreal r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    const qreal top = corners == RoundedCorners::top ? r : 0;
    const qreal bottom = corners == RoundedCorners::bottom ? r : 0;
    QPainterPath path;
    path.moveTo(rect.left() + top, rect.top());
    path.lineTo(rect.right() - top, rect.top());
    path.arcTo(QRectF(rect.right() - 2 * top, rect.top(), 2 * top, 2 * top), 90, -90);
    path.lineTo(rect.right(), rect.bottom() - bottom);
    path.arcTo(
        QRectF(rect.right() - 2 * bottom, rect.bottom() - 2 * bottom, 2 * bottom, 2 * bottom), 0,
        -90);
    path.lineTo(rect.left() + bottom, rect.bottom());
    path.arcTo(QRectF(rect.left(), rect.bottom() - 2 * bottom, 2 * bottom, 2 * bottom), 270, -90);
    path.lineTo(rect.left(), rect.top() + top);
    path.arcTo(QRectF(rect.left(), rect.top(), 2 * top, 2 * top), 180, -90);
    path.closeSubpath();
    return path;
}

void fillShapeWithImage(QPainter& painter, const QPainterPath& shape, const QImage& image,
                        const QRectF& target) {
    if (image.isNull() || target.isEmpty()) {
        return;
    }
    QBrush texture(image);
    texture.setTransform(
        QTransform::fromTranslate(target.x(), target.y())
            .scale(target.width() / image.width(), target.height() / image.height()));
    painter.save();
    // A texture repeats past its image: the picture ends at the target's edges.
    painter.setClipRect(target, Qt::IntersectClip);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.fillPath(shape, texture);
    painter.restore();
}

} // namespace marlox::ui
