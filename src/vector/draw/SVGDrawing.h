#pragma once

#include "vector/SVGNode.h"

#include <QImage>
#include <QSizeF>

class QPainter;

namespace marlox::vector {

// Draws a document's root node as the document view shows it in a space of the given size: a
// viewport is fitted into the space by its aspect rule, and nothing is drawn outside the space.
// Nothing at all without a root or with an empty space. Into an image, a document that blends
// may be drawn on a thread of Qt's global thread pool while the call waits.
void drawDocument(QPainter& painter, const SVGNode* root, const QSizeF& space);

// The document drawn into a transparent square image of the given side, as the document view
// would draw it in a space of that size.
QImage renderDocument(const SVGNode* root, int size);

// Draws the node and its subtree in the painter's current coordinates, which are taken as the
// user space of the node's parent. Percentages of a nested viewport refer to `viewportSize`.
void drawNode(QPainter& painter, const SVGNode& node, const QSizeF& viewportSize);

} // namespace marlox::vector
