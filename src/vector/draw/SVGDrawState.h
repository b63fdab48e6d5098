#pragma once

#include "vector/SVGGeometry.h"
#include "vector/SVGNode.h"
#include "vector/SVGUserSpaceNode.h"

#include <QPainter>
#include <QRectF>
#include <QSizeF>

#include <algorithm>
#include <cmath>
#include <functional>

// The state the drawing, the hit testing and the bounds share: what a subtree is drawn with, and
// the small rules about areas, opacity and clips that each of them applies alike.
namespace marlox::vector::drawing {

// What the drawing of a subtree depends on besides the painter.
struct DrawState {
    // The size that percentages of a nested viewport refer to.
    QSizeF viewportSize;
    // Clip content counts by its geometry alone: filled opaque whatever its paints, strokes and
    // opacity say, images left out.
    bool clipGeometry = false;
};

// What a node draws under its attributes, given the painter to draw on.
using Content = std::function<void(QPainter&)>;
// A rectangle holding all the content draws, in the coordinates it is drawn in; asked for only
// when the content goes through a layer.
using ContentExtent = std::function<QRectF()>;

inline bool hasArea(const QRectF& box) {
    return !isNullRect(box) && box.width() > 0 && box.height() > 0;
}

inline bool hasArea(const QSizeF& size) {
    return size.width() > 0 && size.height() > 0;
}

inline double drawnOpacity(double opacity) {
    return std::isnan(opacity) ? 1.0 : std::clamp(opacity, 0.0, 1.0);
}

// The clip a node's content is cut by: only a wrapper says in which units its content is read;
// any other clip is ignored.
inline const SVGUserSpaceNode* clipOf(const SVGNode& node) {
    const SVGNode* clip = node.clip().get();
    if (!clip || clip->kind() != SVGNodeKind::userSpace) {
        return nullptr;
    }
    const auto* wrapper = static_cast<const SVGUserSpaceNode*>(clip);
    return wrapper->node() ? wrapper : nullptr;
}

// What a clip wrapper draws by itself: content in box units has no box to fit into alone.
inline const SVGNode* drawnAlone(const SVGUserSpaceNode& wrapper) {
    return wrapper.userSpace() == SVGUserSpaceNode::UserSpace::userSpaceOnUse ? wrapper.node().get()
                                                                              : nullptr;
}

} // namespace marlox::vector::drawing
