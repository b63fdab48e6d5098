#include "SVGBrushes.h"

#include "SVGDrawState.h"
#include "vector/SVGShapes.h"
#include "vector/SVGText.h"

namespace marlox::vector::drawing {
namespace {

const QRectF unitSquare(0, 0, 1, 1);

QColor lastStopColor(const SVGGradient& gradient) {
    return gradient.stops().constLast().color().toQColor();
}

// A gradient brush in the gradient's own units: user coordinates, or fractions of the box that
// the brush's transform stretches over the node.
QBrush placedGradient(const QGradient& gradient, const SVGGradient& paint, const QRectF& box) {
    QBrush brush(gradient);
    if (!paint.userSpace()) {
        brush.setTransform(SVGHelper::objectBoundingBoxTransform(box));
    }
    return brush;
}

} // namespace

std::optional<QBrush> brushOf(const SVGPaint& paint, const QRectF& box) {
    if (paint.kind() == SVGPaintKind::color) {
        return QBrush(static_cast<const SVGColor&>(paint).toQColor());
    }
    const auto& gradient = static_cast<const SVGGradient&>(paint);
    if (gradient.stops().isEmpty() || (!gradient.userSpace() && !hasArea(box))) {
        return std::nullopt;
    }
    if (paint.kind() == SVGPaintKind::linearGradient) {
        const auto& linear = static_cast<const SVGLinearGradient&>(paint);
        // Converting against the unit square leaves the coordinates as they are.
        const QLinearGradient qgradient = linear.toUnitGradient(unitSquare).toQGradient(unitSquare);
        // A gradient of no length paints its last colour.
        if (qgradient.start() == qgradient.finalStop()) {
            return QBrush(lastStopColor(gradient));
        }
        return placedGradient(qgradient, gradient, box);
    }
    const auto& radial = static_cast<const SVGRadialGradient&>(paint);
    if (!(radial.r() > 0)) {
        return QBrush(lastStopColor(gradient));
    }
    QRadialGradient qgradient = radial.toUnitGradient(unitSquare).toQGradient(unitSquare);
    // Qt moves a focal point outside the circle onto it, as the markup asks.
    qgradient.setFocalPoint(radial.fx(), radial.fy());
    return placedGradient(qgradient, gradient, box);
}

Paints paintsOf(const SVGNode& node) {
    if (node.kind() == SVGNodeKind::text) {
        const auto& text = static_cast<const SVGText&>(node);
        return {text.fill().get(), text.stroke().get()};
    }
    const auto& shape = static_cast<const SVGShape&>(node);
    return {shape.fill().get(), shape.stroke().get()};
}

bool readsBox(const SVGPaint* paint) {
    return paint && paint->kind() != SVGPaintKind::color &&
           !static_cast<const SVGGradient*>(paint)->userSpace();
}

bool strokes(const SVGStroke* stroke) {
    return stroke && stroke->fill() && stroke->width() > 0;
}

bool isOpaqueColour(const SVGPaint& paint) {
    return paint.kind() == SVGPaintKind::color && static_cast<const SVGColor&>(paint).t() == 0;
}

} // namespace marlox::vector::drawing
