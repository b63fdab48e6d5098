#pragma once

#include "vector/SVGNode.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <optional>

class QPainter;

namespace marlox::vector {

// Draws a document's root node as the document view shows it in a space of the given size: a
// viewport is fitted into the space by its aspect rule, and nothing is drawn outside the space.
// Nothing at all without a root or with an empty space.
void drawDocument(QPainter& painter, const SVGNode* root, const QSizeF& space);

// The document drawn into a transparent square image of the given side, as the document view
// would draw it in a space of that size.
QImage renderDocument(const SVGNode* root, int size);

// Draws the node and its subtree in the painter's current coordinates, which are taken as the
// user space of the node's parent. Percentages of a nested viewport refer to `viewportSize`.
void drawNode(QPainter& painter, const SVGNode& node, const QSizeF& viewportSize);

// The box that bounding-box units of a gradient or a clip refer to: the node's geometry in its
// parent's user space with its own transform not applied. A shape's, text's or image's frame;
// the union of a group's children's boxes, each mapped through its child's transform. The null
// rectangle when nothing in the node has a box.
QRectF objectBoundingBox(const SVGNode& node);

// Every gesture of a node recognised together: given a number of taps, it runs each of the
// node's gestures that recognises that many, in the node's order.
using SVGCombinedGesture = std::function<void(int tapCount)>;
// None when the node has no gestures.
std::optional<SVGCombinedGesture> combinedGestures(const SVGNode& node);

// The node whose gestures a tap at the point runs: the drawn node on top at the point when it
// has gestures, else its nearest ancestor that has some; none when nothing with gestures is hit.
// The point and the space are as for drawDocument.
const SVGNode* gestureTargetAt(const SVGNode& root, const QPointF& point, const QSizeF& space);

} // namespace marlox::vector
