#include "SVGDrawnExtent.h"

#include "SVGBrushes.h"
#include "vector/SVGGeometry.h"
#include "vector/SVGGroup.h"
#include "vector/SVGImage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace marlox::vector::drawing {
namespace {

// Coordinates out of range may draw anywhere: a rectangle finite enough to intersect and unite.
QRectF finiteOrEverywhere(const QRectF& extent) {
    constexpr double far = std::numeric_limits<double>::max() / 4;
    return isFinite(extent) || isNullRect(extent) ? extent : QRectF(-far, -far, 2 * far, 2 * far);
}

// How far beyond the outline the stroke reaches, in half widths. A miter longer than the limit
// becomes a bevel, so the limit bounds every miter that is drawn.
double strokeReach(const SVGStroke& stroke) {
    double reach = 1;
    if (stroke.join() == SVGLineJoin::miter) {
        reach = std::max(reach, stroke.miterLimit());
    }
    if (stroke.cap() == SVGLineCap::square) {
        reach = std::max(reach, std::sqrt(2.0));
    }
    return reach * stroke.width() / 2;
}

QRectF childrenExtent(const SVGGroup& group, const DrawState& state) {
    QRectF united = nullRect();
    for (const std::shared_ptr<SVGNode>& child : group.contents()) {
        const QRectF extent = drawnExtent(*child, state);
        if (!isNullRect(extent)) {
            united = unionRect(united, extent);
        }
    }
    return united;
}

} // namespace

QRectF outlineExtent(const Outline& outline, const SVGStroke* stroke) {
    QRectF extent = outline.path.isEmpty() ? nullRect() : outline.path.controlPointRect();
    for (const QPointF& dot : outline.dots) {
        extent = unionRect(extent, QRectF(dot, QSizeF(0, 0)));
    }
    if (strokes(stroke) && !isNullRect(extent)) {
        const double reach = strokeReach(*stroke);
        extent.adjust(-reach, -reach, reach, reach);
    }
    return finiteOrEverywhere(extent);
}

QRectF contentExtent(const SVGNode& node, const DrawState& state) {
    switch (node.kind()) {
    case SVGNodeKind::viewport:
    case SVGNodeKind::group:
        return childrenExtent(static_cast<const SVGGroup&>(node), state);
    case SVGNodeKind::dataImage:
    case SVGNodeKind::urlImage: {
        const auto& image = static_cast<const SVGImage&>(node);
        const QRectF box(image.x(), image.y(), image.width(), image.height());
        return hasArea(box) ? box : nullRect();
    }
    case SVGNodeKind::userSpace:
        // A wrapper draws its content with the content's own attributes, none of its own.
        if (const SVGNode* content = drawnAlone(static_cast<const SVGUserSpaceNode&>(node))) {
            return drawnExtent(*content, state);
        }
        return nullRect();
    default: {
        const std::optional<Outline> outline = outlineOf(node);
        return outline ? outlineExtent(*outline, paintsOf(node).stroke) : nullRect();
    }
    }
}

QRectF drawnExtent(const SVGNode& node, const DrawState& state) {
    switch (node.kind()) {
    case SVGNodeKind::viewport: {
        // Whatever its content and attributes, a viewport draws inside the space it is given.
        const QSizeF space = static_cast<const SVGViewport&>(node).resolvedSize(state.viewportSize);
        return hasArea(space) ? QRectF(QPointF(0, 0), space) : nullRect();
    }
    case SVGNodeKind::userSpace:
        return contentExtent(node, state);
    default: {
        const QRectF extent = contentExtent(node, state);
        return isNullRect(extent) ? extent : finiteOrEverywhere(node.transform().mapRect(extent));
    }
    }
}

} // namespace marlox::vector::drawing
