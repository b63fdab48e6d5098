#pragma once

#include "vector/SVGNode.h"

#include <QPointF>
#include <QSizeF>

#include <functional>
#include <optional>

namespace marlox::vector {

// Every gesture of a node recognised together: given a number of taps, it runs each of the
// node's gestures that recognises that many, in the node's order.
using SVGCombinedGesture = std::function<void(int tapCount)>;
// None when the node has no gestures.
std::optional<SVGCombinedGesture> combinedGestures(const SVGNode& node);

// The node whose gestures a tap at the point runs: the drawn node on top at the point when it
// has gestures, else its nearest ancestor that has some; none when nothing with gestures is hit.
// The point and the space are as for drawDocument. Hit testing follows the drawing step by step.
const SVGNode* gestureTargetAt(const SVGNode& root, const QPointF& point, const QSizeF& space);

} // namespace marlox::vector
