#pragma once

#include <QImage>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace marlox::ui {

// Which corners of a rectangle are rounded: all of them, or those of one edge, where a thumbnail
// sits on top of a tile or a tile's text area below it, or at the left of a card.
enum class RoundedCorners { all, top, bottom, left };

// The rectangle with the chosen corners rounded by the radius (cut down to half the shorter
// side); with all corners, the same shape as roundedRectPath().
QPainterPath roundedCornersPath(const QRectF& rect, qreal radius, RoundedCorners corners);

// Paints the image stretched over the target rectangle, but only inside the shape, with smooth
// edges: the shape cuts the picture where a clip path would leave jagged corners. Nothing is
// painted outside the target.
void fillShapeWithImage(QPainter& painter, const QPainterPath& shape, const QImage& image,
                        const QRectF& target);

} // namespace marlox::ui
