#include "ui/kit/RoundedCorners.h"

#include "ui/kit/AppTheme.h"

#include <QBrush>
#include <QPainter>

#include <algorithm>

namespace marlox::ui {

QPainterPath roundedCornersPath(const QRectF& rect, qreal radius, RoundedCorners corners) {
    if (corners == RoundedCorners::all) {
        return roundedRectPath(rect, radius);
    }
    const qreal r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2);
    const bool left = corners == RoundedCorners::left;
    const qreal topLeft = corners == RoundedCorners::top || left ? r : 0;
    const qreal topRight = corners == RoundedCorners::top ? r : 0;
    const qreal bottomRight = corners == RoundedCorners::bottom ? r : 0;
    const qreal bottomLeft = corners == RoundedCorners::bottom || left ? r : 0;
    QPainterPath path;
    path.moveTo(rect.left() + topLeft, rect.top());
    path.lineTo(rect.right() - topRight, rect.top());
    path.arcTo(QRectF(rect.right() - 2 * topRight, rect.top(), 2 * topRight, 2 * topRight), 90,
               -90);
    path.lineTo(rect.right(), rect.bottom() - bottomRight);
    path.arcTo(QRectF(rect.right() - 2 * bottomRight, rect.bottom() - 2 * bottomRight,
                      2 * bottomRight, 2 * bottomRight),
               0, -90);
    path.lineTo(rect.left() + bottomLeft, rect.bottom());
    path.arcTo(QRectF(rect.left(), rect.bottom() - 2 * bottomLeft, 2 * bottomLeft, 2 * bottomLeft),
               270, -90);
    path.lineTo(rect.left(), rect.top() + topLeft);
    path.arcTo(QRectF(rect.left(), rect.top(), 2 * topLeft, 2 * topLeft), 180, -90);
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
