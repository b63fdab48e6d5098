#include "vector/SVGHitTesting.h"

#include "SVGBrushes.h"
#include "SVGDrawState.h"
#include "SVGOutlines.h"
#include "vector/SVGGroup.h"
#include "vector/SVGObjectBounds.h"
#include "vector/SVGText.h"

#include <QPainterPathStroker>

namespace marlox::vector {
namespace {

using namespace drawing;

struct Hit {
    bool hit = false;
    // The node whose gestures the hit runs.
    const SVGNode* target = nullptr;
};

Hit hitNode(const SVGNode& node, const QPointF& point, const DrawState& state);

bool clipContains(const SVGNode& node, const QPointF& point, const DrawState& state) {
    const SVGUserSpaceNode* clip = clipOf(node);
    if (!clip) {
        return true;
    }
    QPointF local = point;
    if (clip->userSpace() == SVGUserSpaceNode::UserSpace::objectBoundingBox) {
        const QRectF box = objectBoundingBox(node);
        if (!hasArea(box)) {
            return false;
        }
        local = SVGHelper::objectBoundingBoxTransform(box).inverted().map(point);
    }
    DrawState geometry = state;
    geometry.clipGeometry = true;
    return hitNode(*clip->node(), local, geometry).hit;
}

bool shapeContains(const SVGNode& node, const QPointF& point, const DrawState& state) {
    const std::optional<Outline> outline = outlineOf(node);
    if (!outline) {
        return false;
    }
    const Paints paints = paintsOf(node);
    if ((paints.fill || state.clipGeometry) && outline->path.contains(point)) {
        return true;
    }
    if (state.clipGeometry || !strokes(paints.stroke)) {
        return false;
    }
    const QPen pen = paints.stroke->toQPen();
    return pen.style() != Qt::NoPen &&
           (QPainterPathStroker(pen).createStroke(outline->path).contains(point) ||
            capsOfDots(outline->dots, *paints.stroke).contains(point));
}

Hit hitChildren(const SVGGroup& group, const QPointF& point, const DrawState& state) {
    const QList<std::shared_ptr<SVGNode>>& children = group.contents();
    // Later children are drawn over earlier ones.
    for (auto child = children.crbegin(); child != children.crend(); ++child) {
        const Hit hit = hitNode(**child, point, state);
        if (hit.hit) {
            return hit;
        }
    }
    return {};
}

// Whether the point, in the node's user space, lies on what the node draws.
Hit hitContent(const SVGNode& node, const QPointF& point, const DrawState& state) {
    switch (node.kind()) {
    case SVGNodeKind::viewport:
    case SVGNodeKind::group:
        return hitChildren(static_cast<const SVGGroup&>(node), point, state);
    case SVGNodeKind::text: {
        const auto& text = static_cast<const SVGText&>(node);
        return {!state.clipGeometry && text.frame().contains(point)};
    }
    case SVGNodeKind::dataImage:
    case SVGNodeKind::urlImage:
        return {!state.clipGeometry && node.frame().contains(point)};
    case SVGNodeKind::userSpace:
        if (const SVGNode* content = drawnAlone(static_cast<const SVGUserSpaceNode&>(node))) {
            return hitNode(*content, point, state);
        }
        return {};
    default:
        return {shapeContains(node, point, state)};
    }
}

// The point is in the node's parent's user space.
Hit hitWithAttributes(const SVGNode& node, const QPointF& point, const DrawState& state) {
    if (!state.clipGeometry && !(drawnOpacity(node.opacity()) > 0)) {
        return {};
    }
    bool invertible = false;
    const QPointF local = node.transform().inverted(&invertible).map(point);
    if (!invertible || !clipContains(node, local, state)) {
        return {};
    }
    Hit hit = hitContent(node, local, state);
    if (hit.hit && !hit.target && !node.gestures().isEmpty()) {
        hit.target = &node;
    }
    return hit;
}

Hit hitViewport(const SVGViewport& viewport, const QPointF& point, const QSizeF& space,
                const DrawState& state) {
    const QRectF content = viewport.contentRect(space);
    if (!hasArea(space) || !hasArea(content) || !QRectF(QPointF(0, 0), space).contains(point)) {
        return {};
    }
    DrawState inner = state;
    inner.viewportSize = content.size();
    return hitWithAttributes(viewport, viewport.placementTransform(space).inverted().map(point),
                             inner);
}

Hit hitNode(const SVGNode& node, const QPointF& point, const DrawState& state) {
    if (node.kind() == SVGNodeKind::viewport) {
        const auto& viewport = static_cast<const SVGViewport&>(node);
        return hitViewport(viewport, point, viewport.resolvedSize(state.viewportSize), state);
    }
    return hitWithAttributes(node, point, state);
}

} // namespace

std::optional<SVGCombinedGesture> combinedGestures(const SVGNode& node) {
    const QList<SVGGesture>& gestures = node.gestures();
    if (gestures.isEmpty()) {
        return std::nullopt;
    }
    const auto recognising = [](const SVGGesture& gesture) -> SVGCombinedGesture {
        return [gesture](int tapCount) {
            if (tapCount == gesture.tapCount && gesture.onEnded) {
                gesture.onEnded();
            }
        };
    };
    // Folded from the left: each further gesture is recognised together with all before it.
    SVGCombinedGesture combined = recognising(gestures.constFirst());
    for (qsizetype index = 1; index < gestures.size(); ++index) {
        combined = [before = std::move(combined),
                    next = recognising(gestures.at(index))](int tapCount) {
            before(tapCount);
            next(tapCount);
        };
    }
    return combined;
}

const SVGNode* gestureTargetAt(const SVGNode& root, const QPointF& point, const QSizeF& space) {
    if (!hasArea(space) || !QRectF(QPointF(0, 0), space).contains(point)) {
        return nullptr;
    }
    const DrawState state{space};
    if (root.kind() == SVGNodeKind::viewport) {
        return hitViewport(static_cast<const SVGViewport&>(root), point, space, state).target;
    }
    return hitNode(root, point, state).target;
}

} // namespace marlox::vector
